#include "server/SyncQueue.h"

SyncQueue::SyncQueue(ServerDatabase& database, QObject* parent) : QObject(parent), database(database) {
    timer.setSingleShot(true);
    timer.setInterval(0);
    connect(&timer, &QTimer::timeout, this, &SyncQueue::run);
}

void SyncQueue::submit(QObject* owner, SyncRequest request, Answer answer) {
    waiting.append({owner, std::move(request), std::move(answer)});
    if (!timer.isActive()) {
        timer.start();
    }
}

void SyncQueue::run() {
    QList<Waiting> batch;
    batch.swap(waiting);
    QList<SyncRequest> requests;
    for (const Waiting& entry : std::as_const(batch)) {
        if (entry.owner) {
            requests.append(entry.request);
        }
    }
    if (requests.isEmpty()) {
        return;
    }
    QList<ServerTable> tables;
    const bool ok = database.synchronize(requests, &tables);
    for (const Waiting& entry : std::as_const(batch)) {
        if (entry.owner) {
            entry.answer(ok, tables);
        }
    }
}
