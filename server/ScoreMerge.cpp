#include "server/ScoreMerge.h"

#include <QStringDecoder>

#include <algorithm>
#include <vector>

ServerTable mergeScoreTables(const ServerTable& stored, const ServerTable& uploaded, qint32 lastIssued,
                             const std::function<qint32()>& newUnique,
                             const QHash<qint32, QString>& namesByNumber) {
    std::vector<ServerScore> entries;
    const auto known = [lastIssued](qint32 unique) { return unique > 0 && unique <= lastIssued; };
    const auto add = [&](const ServerScore& entry, bool uploadedEntry) {
        if (entry.isEmpty() || entry.score > maxScore) {
            return;
        }
        ServerScore candidate = entry;
        candidate.name.truncate(maxNameLength);
        const auto owner = namesByNumber.constFind(candidate.unique);
        const bool someoneElses =
            uploadedEntry && owner != namesByNumber.constEnd() && *owner != candidate.name;
        const auto same = std::find_if(entries.begin(), entries.end(),
                                       [&](const ServerScore& e) { return e.unique == candidate.unique; });
        if (!known(candidate.unique) || someoneElses ||
            (same != entries.end() && same->name != candidate.name)) {
            candidate.unique = 0;
            entries.push_back(candidate);
        } else if (same == entries.end()) {
            entries.push_back(candidate);
        } else if (candidate.score > same->score) {
            same->score = candidate.score;
        }
    };
    for (const ServerScore& entry : stored) {
        add(entry, false);
    }
    for (const ServerScore& entry : uploaded) {
        add(entry, true);
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const ServerScore& a, const ServerScore& b) { return a.score > b.score; });
    ServerTable merged;
    for (std::size_t i = 0; i < merged.size() && i < entries.size(); ++i) {
        merged[i] = entries[i];
        if (merged[i].unique == 0) {
            merged[i].unique = newUnique();
        }
    }
    return merged;
}

QHash<qint32, QString> namesByNumber(const QList<ServerTable>& tables) {
    QHash<qint32, QString> names;
    for (const ServerTable& table : tables) {
        for (const ServerScore& entry : table) {
            if (!entry.isEmpty()) {
                names.insert(entry.unique, entry.name);
            }
        }
    }
    return names;
}

QString nameFromWire(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString name = utf8.decode(bytes);
    if (utf8.hasError()) {
        name = QString::fromLatin1(bytes);
    }
    if (name.size() > maxNameLength) {
        // Never leave half of a surrogate pair behind.
        const int cut = name.at(maxNameLength - 1).isHighSurrogate() ? maxNameLength - 1 : maxNameLength;
        name.truncate(cut);
    }
    return name;
}
