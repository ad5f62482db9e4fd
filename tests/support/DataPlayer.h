#pragma once

#include "core/Log.h"
#include "learning/DataCollection.h"
#include "support/ManualCounter.h"
#include "support/RecordingProgress.h"

#include <QTemporaryDir>
#include <QThread>

// Data collection whose periods the test hands over itself, as its loop would.
class Collecting : public DataCollection {
public:
    explicit Collecting(const QDir& folder, Clock& clock = Clock::program()) : DataCollection(folder, clock) {}
    void addPeriod(int number) {
        period = PeriodStats{number * 1000.0, 1000.0, 1.0, 3, 1, 0, 5, 5, 0.2, 800.0};
        onPeriod();
    }
};

// A player's working folder with data collection in it, at a fixed calendar time, on a clock that
// stands still: games of a line or two go to a file or a server.
struct DataPlayer {
    static constexpr qint64 gameTime = 1'700'000'000;

    DataPlayer() {
        module.setCalendarTime([] { return gameTime; });
        module.setProgressFactory([] { return std::make_unique<RecordingProgress>(); });
    }
    // A game with coordinates whose one line is line, uploaded to the server whose page is at server;
    // with periods, that many statistics lines come first.
    void upload(const QString& server, const QByteArray& line, int periods = 0) {
        const int loops = module.loopsBegun;
        module.beginGame({DataCollection::upload, true, 5000, server}, {"Group Name: lab"});
        for (int period = 1; period <= periods; ++period) {
            // The loop's start clears the statistics; periods come after it.
            while (module.loopsBegun == loops) {
                QThread::msleep(1);
            }
            module.addPeriod(period);
        }
        module.appendInfo(line);
        module.stopAtGameOver();
        module.finishGame("pain level: 3.0, stiffness level: 4.0");
    }

    QTemporaryDir dir;
    QDir folder{dir.path()};
    Clock clock{std::make_shared<ManualCounter>()};
    Collecting module{folder, clock};
};

// The game log's lines since the last call, one text a line.
inline QString takeLogText() {
    QString text;
    for (const GameLog::Line& line : GameLog::takePending()) {
        text += line.text + '\n';
    }
    return text;
}
