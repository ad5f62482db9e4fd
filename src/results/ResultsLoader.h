#pragma once

#include "records/GameReading.h"

#include <QDir>
#include <QList>
#include <QObject>

#include <atomic>
#include <memory>

class QThread;

// Reads the games of a folder on a thread of its own and hands them over in batches, newest first,
// so that a window stays responsive with a thousand games in the folder.
class ResultsLoader : public QObject {
    Q_OBJECT
public:
    explicit ResultsLoader(QObject* parent = nullptr);
    ~ResultsLoader() override;

    // Stops any earlier load first.
    void load(const QDir& folder);
    void stop();
    bool loading() const;

signals:
    void started(int total);
    void loaded(const QList<GameReading::Game>& games, int done, int total);
    void finished();

private:
    QThread* thread = nullptr;
    std::shared_ptr<std::atomic<bool>> cancel;
};
