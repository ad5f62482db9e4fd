#include "app/CVazazoDlg.h"

#include "core/Clock.h"
#include "core/Notice.h"
#include "records/DecisionLog.h"
#include "records/FrameTimingMeter.h"
#include "records/GameReading.h"
#include "dialogs/LogDlg.h"
#include "results/ResultsDlg.h"
#include "scores/HallOfFameDlg.h"
#include "settings/NewGameDlg.h"
#include "settings/SettingsStore.h"
#include "support/TestMain.h"
#include "support/FindControl.h"
#include "support/Waiting.h"

#include <QBarSet>
#include <QChart>
#include <QLineSeries>
#include <QStackedBarSeries>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {
// The chart's first series of the type, by name where one is given.
template <class Series = QXYSeries> Series* seriesNamed(QChart* chart, const QString& name = {}) {
    for (QAbstractSeries* series : chart->series()) {
        if (qobject_cast<Series*>(series) && (name.isEmpty() || series->name() == name)) {
            return qobject_cast<Series*>(series);
        }
    }
    return nullptr;
}

// The main window with the given settings, playing in a temporary folder that is the current one
// while it lives; a best score is Ada's.
struct PlayingWindow {
    QTemporaryDir games;
    QString previous = QDir::currentPath();
    SettingsStore store{games.filePath("settings.ini")};
    std::unique_ptr<CVazazoDlg> window;
    ModalAnswerer answerer{[](QWidget* modal) { answerName(modal, "Ada"); }};

    explicit PlayingWindow(const std::map<QString, QString>& settings) {
        QDir::setCurrent(games.path());
        store.write("Ask For Objects", "0");
        for (const auto& [key, value] : settings) {
            store.write(key, value);
        }
        window = std::make_unique<CVazazoDlg>(store);
        window->show();
        // Not exposed, the first game does not start.
        QTest::qWaitForWindowExposed(window.get());
    }
    ~PlayingWindow() {
        window.reset();
        QDir::setCurrent(previous);
    }
    bool startGame() {
        QTest::keyClick(window.get(), Qt::Key_N);
        QTest::mouseClick(button(window->newGameDialog(), "OK"), Qt::LeftButton);
        return waitUntil([&] { return !window->gameOver; });
    }
    // The time runs out; the best-score window follows.
    bool endGame() {
        window->countdown.start(Clock::program().now(), 10.0);
        return waitUntil([&] { return window->gameOver && window->highScoresDialog()->isVisible(); });
    }
};
} // namespace

class TestResults : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { Notice::setHandler([](const QString&) {}); }

    // Two games at "Auto" saved to files, then Game > Results...: each game's charts hold its
    // statistics lines, its record's decisions and frame timing.
    void twoAutoGamesShowInTheResultsWindowAsTheyWereSaved() {
        PlayingWindow playing({{"Difficulty Level", "0"},
                               {"Data Collection State", "1035"},
                               {"Data Collection Coordinates", "true"},
                               {"Data Collection Averaging Time", "150"}});
        CVazazoDlg& window = *playing.window;
        for (int game = 0; game < 2; ++game) {
            QVERIFY(playing.startGame());
            for (int shot = 0; shot < 3; ++shot) {
                QTest::qWait(200);
                QTest::keyClick(&window, Qt::Key_Space);
            }
            // Long enough for the period of the last shot to be taken by both modules.
            QTest::qWait(800);
            QVERIFY(playing.endGame());
            window.highScoresDialog()->hide();
        }
        findAction(&window, "&Results...")->trigger();
        auto* dialog = window.findChild<ResultsDlg*>();
        QVERIFY(dialog && dialog->isVisible());
        QVERIFY(waitUntil([&] { return !dialog->loading(); }));
        QVERIFY(dialog->games().size() == 2 && dialog->table()->rowCount() == 2);

        for (int row = 0; row < 2; ++row) {
            dialog->selectGame(row);
            const GameReading::Game& game = dialog->games()[row];
            QVERIFY2(game.problems.isEmpty(), qPrintable(game.problems.join("\n")));
            QCOMPARE(game.verification, GameReading::Verification::verified);
            QXYSeries* hits = seriesNamed(dialog->chart(ResultsDlg::periodsChart), "hits");
            QXYSeries* shots = seriesNamed(dialog->chart(ResultsDlg::periodsChart), "shots");
            QVERIFY(game.periods.size() >= 3 && hits && shots && hits->count() == game.periods.size());
            int shotsSeen = 0;
            for (int i = 0; i < game.periods.size(); ++i) {
                QCOMPARE(QPointF(shots->at(i).y(), hits->at(i).y()),
                         QPointF(game.periods[i].shots, game.periods[i].hits));
                shotsSeen += game.periods[i].shots;
            }
            QCOMPARE(shotsSeen, 3);

            // One decision per judged period; both modules cut periods of the same length from
            // the same start, at most a tick apart, so they see the same shots.
            const QList<DecisionLog::Row> rows =
                DecisionLog::rowsFromJson(game.record->details["decisions"].toObject());
            QList<DecisionLog::Row> judged;
            std::copy_if(rows.begin(), rows.end(), std::back_inserter(judged),
                         [](const DecisionLog::Row& r) { return r.kind == "period"; });
            QVERIFY(std::abs(judged.size() - game.periods.size()) <= 1);
            int decidedShots = 0;
            for (int i = 0; i < std::min(judged.size(), game.periods.size()); ++i) {
                QCOMPARE(judged[i].inputs["missed"].toInt(), game.periods[i].missed);
                QCOMPARE(judged[i].inputs["hits"].toInt(), game.periods[i].hits);
                decidedShots += judged[i].inputs["shots"].toInt();
            }
            QVERIFY(decidedShots >= 2);
            QVERIFY(rows.first().kind == "start" && rows.first().stateAfter["level"].toInt() == 2 &&
                    rows.first().reachedMs.has_value());

            // Frame timing: one bar pair per period of the record.
            const QJsonArray timing = game.record->details["frameTiming"].toObject()["periods"].toArray();
            auto* bars = seriesNamed<QStackedBarSeries>(dialog->chart(ResultsDlg::timingChart));
            QVERIFY(!timing.isEmpty() && bars && bars->barSets().at(1)->count() == timing.size());
            QCOMPARE(bars->barSets().at(1)->at(0), timing[0].toObject()["late"].toDouble());
            // The paddle stood still: its path is the spot it was left at.
            QXYSeries* paddle = seriesNamed(dialog->chart(ResultsDlg::pathChart), "paddle");
            QVERIFY(paddle && paddle->count() > 0);
        }
        QCOMPARE(seriesNamed(dialog->chart(ResultsDlg::scoresChart), "score (hits - missed)")->count(), 2);

        QTemporaryDir out;
        for (int c = 0; c < ResultsDlg::chartCount; ++c) {
            const QString name = out.filePath(QString("chart%1").arg(c));
            const auto which = static_cast<ResultsDlg::Chart>(c);
            QVERIFY(dialog->saveChart(which, name + ".png") && dialog->saveChart(which, name + ".svg"));
            QFile svg(name + ".svg");
            QVERIFY(!QImage(name + ".png").isNull() && svg.open(QFile::ReadOnly) && svg.readAll().contains("<svg"));
        }
    }

    // Frames are timed only in play: a pause is no late frame; a game with late frames says so in
    // the log at its end. At a fixed difficulty no method decides anything, and the record says so.
    void framesAreTimedInPlayAndAFixedDifficultyRecordsNoDecisions() {
        PlayingWindow playing(
            {{"Difficulty Level", "2"}, {"Data Collection State", "1035"}, {"Data Collection Averaging Time", "200"}});
        CVazazoDlg& window = *playing.window;
        double now = 0.0;
        FrameTimingMeter meter(window, [] { return 10; }, [] { return 1000; }, [&] { return now; });
        QVERIFY(playing.startGame());
        meter.gameStarted(1, LevelSelection());
        auto frames = [&](int count, double interval) {
            for (int i = 0; i < count; ++i) {
                now += interval;
                meter.frameShown();
            }
        };
        frames(101, 10.0);
        window.pauseNow();
        frames(3, 500.0);
        window.resumeNow();
        frames(50, 10.0);
        frames(2, 40.0);
        const FrameTiming::Summary summary = meter.summary();
        // The first frame after the start and after the pause has nothing to be measured against;
        // periods are cut by the wall time since the start, pause included.
        QCOMPARE(QList<double>({double(summary.game.frames), double(summary.game.late), summary.game.longestGapMs,
                                double(summary.periods.size()), double(summary.periods[0].frames)}),
                 QList<double>({100 + 49 + 2, 2, 40.0, 4, 98}));
        QCOMPARE(summary.periods[0].hitTest, window.usesGpuHitTest() ? QString("GPU") : QString("CPU"));
        meter.gameEnded({});
        QVERIFY(waitUntil([&] { return window.log()->plainText().contains("timing: 2 of 151 frames late"); }));

        QTest::qWait(700);
        QVERIFY(playing.endGame());
        const QList<qint64> saved = GameReading::gameTimes(QDir::current());
        QCOMPARE(saved.size(), 1);
        const GameReading::Game game = GameReading::read(GameReading::load(QDir::current(), saved.first()));
        QVERIFY(game.record);
        const QJsonObject decisions = game.record->details["decisions"].toObject();
        QVERIFY(decisions["method"].toString() == "none" && decisions["rows"].toArray().isEmpty());
        const QJsonObject timing = game.record->details["frameTiming"].toObject();
        QVERIFY(timing["game"].toObject()["frames"].toInt() > 0 && !timing["periods"].toArray().isEmpty());
        QCOMPARE(timing["game"].toObject()["targetPeriodMs"].toDouble(), 9.0);
    }

    // Damaged files are listed with their problems; a thousand games load in the background while
    // the window keeps answering.
    void damagedFilesAreListedAndAThousandGamesLoadWhileTheWindowAnswers() {
        QTemporaryDir games;
        for (const auto& [name, bytes] : {std::pair{"stats1700000000.txt", QByteArray("not a statistics line\r\n")},
                                          std::pair{"session1700000001.json", QByteArray("\x00\xff{", 3)}}) {
            QFile file(games.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
        }
        ResultsDlg dialog;
        dialog.show();
        dialog.openFolder(QDir(games.path()));
        QVERIFY(waitUntil([&] { return !dialog.loading(); }));
        QVERIFY(dialog.games().size() == 2 && dialog.games()[0].damaged() && dialog.games()[1].damaged());
        dialog.openFolder(QDir(games.filePath("nowhere")));
        QVERIFY(!dialog.loading() && dialog.games().isEmpty());

        QTemporaryDir many;
        const QByteArray lines = QByteArray("0 5000 10 4 1 5 5 1.000 0.3000 1500\r\n").repeated(6);
        for (int i = 0; i < 1000; ++i) {
            QFile file(many.filePath(QString("stats%1.txt").arg(1700000000 + i)));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(lines) == lines.size());
        }
        QElapsedTimer longestGap;
        longestGap.start();
        qint64 longest = 0;
        QTimer beat;
        QObject::connect(&beat, &QTimer::timeout, [&] { longest = std::max(longest, longestGap.restart()); });
        beat.start(10);
        dialog.openFolder(QDir(many.path()));
        QVERIFY(waitUntil([&] { return !dialog.loading(); }, 60000));
        QVERIFY(dialog.games().size() == 1000 && dialog.games().first().time == 1700000999);
        // Generous on a loaded machine; a load on the window's thread would stall for seconds.
        QVERIFY2(longest < 1500, qPrintable(QString::number(longest)));
    }

};

VAZAZO_TEST(TestResults)
#include "test_Results.moc"
