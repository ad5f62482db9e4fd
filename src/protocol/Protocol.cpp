#include "protocol/Protocol.h"

#include "protocol/Sha256.h"

#include <QtEndian>

namespace Protocol {

Capabilities Capabilities::fromPage(const QByteArray& page) {
    Capabilities caps;
    const QList<QByteArray> lines = page.split('\n');
    if (lines.size() < 3 || !lines[2].startsWith(capabilitiesPrefix)) {
        return caps;
    }
    const QList<QByteArray> words = lines[2].mid(capabilitiesPrefix.size()).simplified().split(' ');
    for (const QByteArray& word : words) {
        if (word == "receipts") {
            caps.receipts = true;
        } else if (word == "sessions") {
            caps.sessions = true;
        } else if (word == "sync-claims") {
            caps.syncClaims = true;
        } else if (word == "tls") {
            caps.tls = true;
        }
    }
    caps.sessions = caps.sessions && caps.receipts;
    return caps;
}

QByteArray Capabilities::pageLine() const {
    QByteArray words;
    const auto add = [&words](bool on, const char* word) {
        if (on) {
            words += ' ';
            words += word;
        }
    };
    add(receipts, "receipts");
    add(sessions && receipts, "sessions");
    add(syncClaims, "sync-claims");
    add(tls, "tls");
    if (words.isEmpty()) {
        return {};
    }
    return capabilitiesPrefix.toByteArray() + words + '\n';
}

QByteArray gameDigest(QByteArrayView framedStreams) {
    return Sha256::hexOf(framedStreams);
}

void appendInteger(QByteArray& out, qint32 value) {
    char bytes[4];
    qToLittleEndian(value, bytes);
    out.append(bytes, 4);
}

void appendString(QByteArray& out, QByteArrayView text) {
    appendInteger(out, qint32(text.size()));
    out.append(text);
}

qint32 integerAt(const char* fourBytes) {
    return qFromLittleEndian<qint32>(fourBytes);
}

} // namespace Protocol
