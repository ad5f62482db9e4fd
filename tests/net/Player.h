#pragma once

#include "learning/DataCollection.h"
#include "scores/BestScoreTableSet.h"
#include "scores/HallOfFameDlg.h"
#include "settings/SettingsStore.h"
#include "support/ManualCounter.h"
#include "support/RecordingProgress.h"

#include <QPushButton>
#include <QtTest>

// One player's copy of the game as the score server sees it, in a folder of its own: the best
// scores with the High Scores window's "Synchronize", and the data of each game played.
struct Player {
    static constexpr qint64 gameTime = 1'700'000'000;

    explicit Player(const QString& server, const QString& certificate = {})
        : server(server), certificate(certificate) {
        tables.loadAll();
        window.setScoreServer([this] { return this->server; });
        window.setServerCertificate([this] { return this->certificate; });
        window.setParticipant([this] { return folder.dirName(); });
        module.setCalendarTime([] { return gameTime; });
        module.setProgressFactory([this] { return std::make_unique<RecordingProgress>(progress); });
    }
    void play(const QByteArray& line) {
        module.beginGame({DataCollection::upload, false, 5000, server, certificate}, {"Group Name: lab"});
        module.appendInfo(line);
        module.stopAtGameOver();
        module.finishGame("pain level: 3.0, stiffness level: 4.0");
    }
    void enter(int table, int place, const QString& name, int score) {
        tables.table(table)->names[place] = name;
        tables.table(table)->scores[place] = score;
    }
    void synchronize() { window.show(), QTest::mouseClick(window.synchronizeButton(), Qt::LeftButton); }
    // "name score #number" for each taken place.
    QStringList places(int table) {
        QStringList texts;
        const BestScoreTable& t = *tables.table(table);
        for (int i = 0; i < BestScores::placeCount && t.scores[i] >= 0; ++i)
            texts << QString("%1 %2 #%3").arg(t.names[i]).arg(t.scores[i]).arg(t.uniqueNumbers[i]);
        return texts;
    }

    QTemporaryDir dir;
    QDir folder{dir.path()};
    QString server;
    QString certificate;
    SettingsStore store{folder.filePath("player.ini")};
    BestScoreTableSet tables{store};
    HallOfFameDlg window{tables};
    Clock clock{std::make_shared<ManualCounter>()};
    DataCollection module{folder, clock};
    QStringList progress;
};
