#pragma once

#include "server/ServerDatabase.h"

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>

// Synchronizations that arrive together are merged in one transaction: a crowd synchronizing at
// once waits for a few commits instead of one each.
class SyncQueue : public QObject {
    Q_OBJECT
public:
    // ok: false on a database error (see ServerDatabase::lastError and unavailable).
    using Answer = std::function<void(bool ok, const QList<ServerTable>& tables)>;

    explicit SyncQueue(ServerDatabase& database, QObject* parent = nullptr);

    // The answer comes later on this thread, unless owner is gone by then.
    void submit(QObject* owner, SyncRequest request, Answer answer);

private:
    struct Waiting {
        QPointer<QObject> owner;
        SyncRequest request;
        Answer answer;
    };
    void run();

    ServerDatabase& database;
    QTimer timer;
    QList<Waiting> waiting;
};
