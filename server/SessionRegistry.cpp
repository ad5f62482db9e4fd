#include "server/SessionRegistry.h"

#include "server/ClientSession.h"
#include "server/ServerLog.h"

SessionRegistry::SessionRegistry(const ServerLimits& limits, int maxConnections)
    : limitsInForce(limits), maxConnections(maxConnections) {
    clock.start();
}

bool SessionRegistry::admit(const QString& address, QString* why) {
    if (perAddress.value(address) >= limitsInForce.maxPerAddress) {
        *why = QStringLiteral("holds %1 connections already").arg(limitsInForce.maxPerAddress);
        return false;
    }
    if (sessions.size() < maxConnections) {
        return true;
    }
    ClientSession* stalest = nullptr;
    for (ClientSession* session : std::as_const(sessions)) {
        if (session->evictable() && (!stalest || session->lastProgressMs() < stalest->lastProgressMs())) {
            stalest = session;
        }
    }
    if (!stalest) {
        *why = QStringLiteral("server full");
        return false;
    }
    noteTurnedAway(stalest->address(), QStringLiteral("dropped to make room"));
    stalest->evict();
    return sessions.size() < maxConnections;
}

void SessionRegistry::add(ClientSession* session) {
    sessions.append(session);
    ++perAddress[session->address()];
}

void SessionRegistry::remove(ClientSession* session) {
    if (!sessions.removeOne(session)) {
        return;
    }
    const auto count = perAddress.find(session->address());
    if (count != perAddress.end() && --*count <= 0) {
        perAddress.erase(count);
    }
}

void SessionRegistry::noteTurnedAway(const QString& address, const QString& why) {
    constexpr qint64 logEveryMs = 10000;
    ++turnedAway;
    const qint64 now = nowMs();
    if (lastTurnedAwayLog >= 0 && now - lastTurnedAwayLog < logEveryMs) {
        return;
    }
    qCInfo(serverLog).noquote() << turnedAway
                                << "connection(s) refused, dropped or timed out since the last such line; latest"
                                << address << why;
    turnedAway = 0;
    lastTurnedAwayLog = now;
}

bool SessionRegistry::grow(qint64 bytes) {
    if (used + bytes > limitsInForce.memoryBudgetBytes) {
        return false;
    }
    used += bytes;
    return true;
}

bool SessionRegistry::allowSynchronization(const QString& address) {
    const qint64 now = nowMs();
    QList<qint64>& times = synchronizations[address];
    times.removeIf([now](qint64 at) { return now - at >= 60000; });
    if (times.size() >= limitsInForce.syncsPerMinute) {
        return false;
    }
    times.append(now);
    // Addresses that went quiet are forgotten, so the table does not grow without end.
    if (synchronizations.size() > 4096) {
        synchronizations.removeIf([now](const auto& entry) {
            return entry.value().isEmpty() || now - entry.value().last() >= 60000;
        });
    }
    return true;
}
