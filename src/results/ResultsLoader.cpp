#include "records/GameReading.h"
#include "results/ResultsLoader.h"

#include <QElapsedTimer>
#include <QPointer>
#include <QThread>

ResultsLoader::ResultsLoader(QObject* parent) : QObject(parent) {}

ResultsLoader::~ResultsLoader() {
    stop();
}

bool ResultsLoader::loading() const {
    return thread != nullptr && thread->isRunning();
}

void ResultsLoader::stop() {
    if (thread == nullptr) {
        return;
    }
    cancel->store(true);
    thread->wait();
    delete thread;
    thread = nullptr;
}

void ResultsLoader::load(const QDir& folder) {
    stop();
    cancel = std::make_shared<std::atomic<bool>>(false);
    QPointer<ResultsLoader> self(this);
    auto cancelled = cancel;
    thread = QThread::create([self, folder, cancelled] {
        const QList<qint64> times = GameReading::gameTimes(folder);
        const int total = static_cast<int>(times.size());
        auto post = [&](auto call) {
            if (!cancelled->load() && self) {
                QMetaObject::invokeMethod(self.data(), call, Qt::QueuedConnection);
            }
        };
        post([self, total] {
            if (self) {
                emit self->started(total);
            }
        });
        QList<GameReading::Game> batch;
        QElapsedTimer sinceBatch;
        sinceBatch.start();
        int done = 0;
        for (const qint64 time : times) {
            if (cancelled->load()) {
                return;
            }
            batch.append(GameReading::read(GameReading::load(folder, time)));
            ++done;
            if (sinceBatch.elapsed() >= 100 || done == total) {
                post([self, batch, done, total] {
                    if (self) {
                        emit self->loaded(batch, done, total);
                    }
                });
                batch.clear();
                sinceBatch.restart();
            }
        }
        post([self] {
            if (self) {
                emit self->finished();
            }
        });
    });
    thread->start(QThread::LowPriority);
}
