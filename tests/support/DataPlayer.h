#pragma once

#include "core/Log.h"
#include "learning/DataCollection.h"
#include "support/ManualCounter.h"
#include "support/RecordingProgress.h"

#include <QTemporaryDir>

// A player's working folder with data collection in it, at a fixed calendar time, on a clock that
// stands still: games of a line or two go to a file or a server.
struct DataPlayer {
    static constexpr qint64 gameTime = 1'700'000'000;

    DataPlayer() {
        module.setCalendarTime([] { return gameTime; });
        module.setProgressFactory([] { return std::make_unique<RecordingProgress>(); });
    }
    // A game with coordinates whose one line is line, uploaded to the server whose page is at server.
    void upload(const QString& server, const QByteArray& line) {
        module.beginGame({DataCollection::upload, true, 5000, server}, {"Group Name: lab"});
        module.appendInfo(line);
        module.stopAtGameOver();
        module.finishGame("pain level: 3.0, stiffness level: 4.0");
    }

    QTemporaryDir dir;
    QDir folder{dir.path()};
    Clock clock{std::make_shared<ManualCounter>()};
    DataCollection module{folder, clock};
};

// The game log's lines since the last call, one text a line.
inline QString takeLogText() {
    QString text;
    for (const GameLog::Line& line : GameLog::takePending()) {
        text += line.text + '\n';
    }
    return text;
}
