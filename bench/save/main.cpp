// Cost of data collection in a long game with coordinates on: 181 s at 100 ticks per second with
// 64 objects on the field. Measures the coordinates line of each tick (with its journal append),
// the journal's share of a tick and the save of both files with the game's record. Usage: save [folder for the files].
#include "game/State.h"
#include "learning/DataCollection.h"
#include "learning/DataCollectionFeed.h"
#include "learning/Journal.h"
#include "scene/Gun.h"
#include "scene/Paddle.h"
#include "scene/Triangle.h"
#include "settings/GameSettingsPages.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

namespace {
constexpr int ticks = 181 * 100;
constexpr double tickMs = 10.0;
constexpr int targetCount = 60;
constexpr int gunCount = 4;
constexpr int pacedTicks = 300;
constexpr double saveGoalMBs = 100.0;
constexpr double saveGoalMs = 150.0;
constexpr double lineGoalUs = 20.0;
constexpr double frameMs = 10.0;

using Steady = std::chrono::steady_clock;

double microsecondsSince(Steady::time_point start) {
    return std::chrono::duration<double, std::micro>(Steady::now() - start).count();
}

const char* verdict(bool met) {
    return met ? "met" : "MISSED";
}

class BenchPages : public GameSettingsPages {
public:
    GameSettings current() const override { return settings; }
    void showAllShapes() override {}
    void rotateAllShapes() override {}
    void colourAllShapes() override {}
    void clearOneAtATime() override {}
    void clearDistractors() override {}
    bool oneWeaponAtATime() const override { return false; }
    void setOneWeaponAtATime(bool) override {}
    bool isCustom() const override { return false; }
    void switchMode(int) override {}
    void setWeaponsSpeed(int) override {}
    void setShapeSpeed(int, int) override {}
    void setShapeSize(int, int) override {}
    void setTargetsPerSecond(int) override {}
    GameSettings settings;
};

class NoProgress : public SaveProgress {
public:
    void addLine(const QString&) override {}
    void replaceLastLine(const QString&) override {}
};

struct TickFigures {
    double meanUs = 0.0;
    double maxUs = 0.0;
};

TickFigures summarise(const std::vector<double>& us) {
    TickFigures f;
    for (const double u : us) {
        f.meanUs += u;
        f.maxUs = std::max(f.maxUs, u);
    }
    f.meanUs /= static_cast<double>(us.size());
    return f;
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir scratch;
    QDir folder(argc > 1 ? QString(argv[1]) : scratch.path());

    BenchPages pages;
    State game;
    Paddle paddle;
    for (int i = 0; i < targetCount; ++i) {
        auto target = std::make_unique<Triangle>(SpawnContext{}, false, false, false, 5.0, 0.02);
        target->x = (i % 10) / 10.0 + 0.012345;
        target->y = (i / 10) / 6.0 + 0.054321;
        game.targets.add(std::move(target));
    }
    for (int i = 0; i < gunCount; ++i) {
        game.guns.add(std::make_unique<Gun>(State::gunRadius, 0.1 + i * 0.2, 0.9));
    }
    game.paused = false;
    game.gameOver = false;

    DataCollection module(folder);
    module.setProgressFactory([] { return std::make_unique<NoProgress>(); });
    DataCollectionFeed feed(module, game, pages, paddle);
    DataCollectionOptions options;
    options.mode = DataCollection::saveToFile;
    options.collectCoordinates = true;
    options.periodMs = 5000;
    module.beginGame(options, {"Group Name: bench", "After pain level: n/a, stiffness level: n/a",
                               "Game version: 1.73", "Object used to play the game: -1, none", ""});

    std::vector<double> tickUs(ticks);
    for (int t = 0; t < ticks; ++t) {
        for (Target2D* target : game.targets) {
            target->y = target->y > 1.0 ? 0.0 : target->y + 0.0013;
        }
        game.hitText = t % 50 == 0 ? " t0007 hit" : "";
        const auto start = Steady::now();
        feed.ticked(t * tickMs);
        tickUs[t] = microsecondsSince(start);
    }
    const TickFigures perLine = summarise(tickUs);
    std::vector<double> textUs(ticks);
    for (int t = 0; t < ticks; ++t) {
        const auto start = Steady::now();
        const QByteArray text = feed.coordinatesLine(t * tickMs);
        textUs[t] = microsecondsSince(start);
    }
    const TickFigures perText = summarise(textUs);

    // The journal alone, as the window thread pays for it, at a game's pace so that its writer
    // flushes as often as in play: three seconds of ticks.
    QTemporaryDir journalScratch;
    Journal journal{QDir(journalScratch.path())};
    journal.open(0, true);
    const QByteArray sample = feed.coordinatesLine(1000.0);
    std::vector<double> journalUs(pacedTicks);
    for (int t = 0; t < pacedTicks; ++t) {
        const auto start = Steady::now();
        journal.addInfo(sample);
        journalUs[t] = microsecondsSince(start);
        std::this_thread::sleep_until(start + std::chrono::milliseconds(static_cast<int>(tickMs)));
    }
    journal.discard();
    const TickFigures perJournal = summarise(journalUs);

    feed.gameEnded({});
    const auto saveStart = Steady::now();
    module.finishGame("pain level: n/a, stiffness level: n/a");
    const double saveUs = microsecondsSince(saveStart);
    qint64 bytes = 0;
    for (const QString& name : folder.entryList({"stats*.txt", "info*.txt", "session*.json"}, QDir::Files)) {
        bytes += QFileInfo(folder.filePath(name)).size();
        if (argc <= 1) {
            folder.remove(name);
        }
    }
    const double mbPerSecond = bytes / 1e6 / (saveUs / 1e6);

    std::printf("game: %d ticks, %d objects, coordinates on\n", ticks, targetCount + gunCount);
    std::printf("coordinates line per tick (with list and journal append): mean %.2f us, max %.1f us "
                "(unpaced, so the journal buffer grows as it never does in play); goal <= %.0f us: %s\n",
                perLine.meanUs, perLine.maxUs, lineGoalUs, verdict(perLine.meanUs <= lineGoalUs));
    std::printf("  of which the line's text: mean %.2f us\n", perText.meanUs);
    std::printf("journal per tick on the window thread (%d paced ticks): mean %.2f us, max %.1f us; a frame "
                "is %.0f ms: %s\n",
                pacedTicks, perJournal.meanUs, perJournal.maxUs, frameMs,
                verdict(perJournal.maxUs < frameMs * 1000.0));
    std::printf("save: %lld bytes in %.1f ms, %.1f MB/s; goal >= %.0f MB/s: %s\n",
                static_cast<long long>(bytes), saveUs / 1000.0, mbPerSecond, saveGoalMBs,
                verdict(mbPerSecond >= saveGoalMBs));
    std::printf("end-of-game save (both files and the record, each flushed to the disk): %.1f ms; goal < %.0f ms: "
                "%s\n",
                saveUs / 1000.0, saveGoalMs, verdict(saveUs / 1000.0 < saveGoalMs));
    return 0;
}
