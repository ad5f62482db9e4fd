#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QString>

class ClientSession;

// What one server allows its clients, so that a hostile one costs the others nothing they notice.
struct ServerLimits {
    int maxPerAddress = 16;
    qint64 memoryBudgetBytes = 256LL << 20; // all sessions' buffers together
    qint64 maxStreamBytes = 256LL << 20;    // one stream, framing included
    int syncsPerMinute = 30;                // per address
    // Overall deadlines: the version check and each wait for the next command; an upload (a
    // base and more per MiB received); a synchronization.
    int handshakeMs = 10000;
    int uploadBaseMs = 10000;
    int uploadMsPerMiB = 30000;
    int synchronizationMs = 20000;
    // How long a client waits for a database that cannot be reached before its exchange ends.
    int outageMs = 30000;
};

// The server's view of all its sessions: who may connect, who makes room, whose buffers fit.
// Lives on the server's thread.
class SessionRegistry {
public:
    SessionRegistry(const ServerLimits& limits, int maxConnections);

    const ServerLimits& limits() const { return limitsInForce; }
    qint64 nowMs() const { return clock.elapsed(); }

    // Whether a new connection from address may be served. When the server is full, the session
    // that has made no progress for the longest time is ended to make room; refused when there
    // is none to end or the address holds its share already.
    bool admit(const QString& address, QString* why);
    void add(ClientSession* session);
    void remove(ClientSession* session);
    int count() const { return int(sessions.size()); }

    // Memory of the sessions' buffers: a session may grow by bytes only within the budget.
    bool grow(qint64 bytes);
    void shrink(qint64 bytes) { used -= bytes; }
    qint64 memoryInUse() const { return used; }

    // Refusals and evictions come in floods under an attack: they are counted and logged as one
    // line every few seconds.
    void noteTurnedAway(const QString& address, const QString& why);

    // Counts a synchronization from address; false when the address used up its share of the
    // last minute.
    bool allowSynchronization(const QString& address);

private:
    ServerLimits limitsInForce;
    int maxConnections;
    QElapsedTimer clock;
    QList<ClientSession*> sessions;
    QHash<QString, int> perAddress;
    QHash<QString, QList<qint64>> synchronizations;
    qint64 used = 0;
    int turnedAway = 0;
    qint64 lastTurnedAwayLog = -1;
};
