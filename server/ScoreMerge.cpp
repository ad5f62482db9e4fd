#include "server/ScoreMerge.h"

#include <QStringDecoder>

#include <algorithm>
#include <vector>

ServerTable mergeScoreTables(const ServerTable& stored, const ServerTable& uploaded, qint32 lastIssued,
                             const std::function<qint32()>& newUnique) {
    std::vector<ServerScore> entries;
    const auto known = [lastIssued](qint32 unique) { return unique > 0 && unique <= lastIssued; };
    const auto add = [&](const ServerScore& entry) {
        if (entry.isEmpty()) {
            return;
        }
        ServerScore candidate = entry;
        candidate.name.truncate(maxNameLength);
        if (!known(candidate.unique)) {
            candidate.unique = 0;
            entries.push_back(candidate);
            return;
        }
        const auto same = std::find_if(entries.begin(), entries.end(),
                                       [&](const ServerScore& e) { return e.unique == candidate.unique; });
        if (same == entries.end()) {
            entries.push_back(candidate);
        } else if (candidate.score > same->score) {
            same->name = candidate.name;
            same->score = candidate.score;
        }
    };
    for (const ServerScore& entry : stored) {
        add(entry);
    }
    for (const ServerScore& entry : uploaded) {
        add(entry);
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
