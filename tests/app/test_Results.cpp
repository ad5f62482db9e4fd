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
#include "support/PythonCsv.h"
#include "support/TestMain.h"
#include "support/FindControl.h"
#include "support/Waiting.h"

#include <QBarSet>
#include <QChart>
#include <QLineEdit>
#include <QLineSeries>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedBarSeries>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QXYSeries* seriesNamed(QChart* chart, const QString& name) {
    for (QAbstractSeries* series : chart->series()) {
        if (series->name() == name) {
            return qobject_cast<QXYSeries*>(series);
        }
    }
    return nullptr;
}

// The main window with the given settings, playing in a temporary folder that is the current one
// while it lives.
struct PlayingWindow {
    QTemporaryDir games;
    QString previous = QDir::currentPath();
    SettingsStore store{games.filePath("settings.ini")};
    std::unique_ptr<CVazazoDlg> window;

    explicit PlayingWindow(const std::map<QString, QString>& settings) {
        QDir::setCurrent(games.path());
        store.write("Ask For Objects", "0");
        for (const auto& [key, value] : settings) {
            store.write(key, value);
        }
        window = std::make_unique<CVazazoDlg>(store);
        window->show();
    }
    ~PlayingWindow() {
        window.reset();
        QDir::setCurrent(previous);
    }
    QDir folder() const { return QDir(games.path()); }
    bool startGame() {
        QTest::keyClick(window.get(), Qt::Key_N);
        QTest::mouseClick(button(window->newGameDialog(), "OK"), Qt::LeftButton);
        return waitUntil([&] { return !window->gameOver; });
    }
};
} // namespace

class TestResults : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        Notice::setHandler([](const QString&) {});
    }

    // Two games at "Auto" saved to files, then Game > Results...: each game's charts hold its
    // statistics lines, its record's decisions and frame timing; the picture goes to the README.
    void twoAutoGamesShowInTheResultsWindowAsTheyWereSaved() {
        PlayingWindow playing({{"Difficulty Level", "0"},
                               {"Data Collection State", "1035"},
                               {"Data Collection Coordinates", "true"},
                               {"Data Collection Averaging Time", "150"}});
        CVazazoDlg& window = *playing.window;
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        ModalAnswerer answerer([](QWidget* modal) { answerName(modal, "Ada"); });
        for (int game = 0; game < 2; ++game) {
            QVERIFY(playing.startGame());
            for (int shot = 0; shot < 3; ++shot) {
                QTest::qWait(200);
                QTest::keyClick(&window, Qt::Key_Space);
            }
            // Long enough for the period of the last shot to be taken by both modules.
            QTest::qWait(800);
            window.countdown.start(Clock::program().now(), 10.0);
            QVERIFY(waitUntil([&] { return window.gameOver; }));
            QVERIFY(waitUntil([&] { return window.highScoresDialog()->isVisible(); }));
            window.highScoresDialog()->hide();
        }
        const QList<qint64> saved = GameReading::gameTimes(playing.folder());
        QCOMPARE(saved.size(), 2);
        exportOf(playing.folder());

        findAction(&window, "&Results...")->trigger();
        auto* dialog = window.findChild<ResultsDlg*>();
        QVERIFY(dialog && dialog->isVisible());
        QVERIFY(waitUntil([&] { return !dialog->loading(); }));
        QCOMPARE(dialog->games().size(), 2);
        QCOMPARE(dialog->table()->rowCount(), 2);

        for (int row = 0; row < 2; ++row) {
            dialog->selectGame(row);
            const GameReading::Game& game = dialog->games()[row];
            QCOMPARE(game.time, saved[row]);
            QVERIFY2(game.problems.isEmpty(), qPrintable(game.problems.join("\n")));
            QCOMPARE(game.verification, GameReading::Verification::verified);

            // The statistics lines as the file holds them.
            QFile file(playing.folder().filePath(GameReading::statsName(game.time)));
            QVERIFY(file.open(QIODevice::ReadOnly));
            QList<QList<QByteArray>> lines;
            for (const QByteArray& line : file.readAll().split('\n')) {
                if (!line.trimmed().isEmpty()) {
                    lines.append(line.trimmed().split(' '));
                }
            }
            QVERIFY(lines.size() >= 3);
            QXYSeries* hits = seriesNamed(dialog->chart(ResultsDlg::periodsChart), "hits");
            QXYSeries* shots = seriesNamed(dialog->chart(ResultsDlg::periodsChart), "shots");
            QVERIFY(hits && shots);
            QCOMPARE(hits->count(), lines.size());
            int shotsSeen = 0;
            for (int i = 0; i < lines.size(); ++i) {
                QCOMPARE(hits->at(i).y(), lines[i][3].toDouble());
                QCOMPARE(shots->at(i).y(), lines[i][2].toDouble());
                shotsSeen += lines[i][2].toInt();
            }
            QCOMPARE(shotsSeen, 3);

            // One decision per judged period; both modules cut periods of the same length from
            // the same start, at most a tick apart, so they see the same shots.
            const QList<DecisionLog::Row> rows =
                DecisionLog::rowsFromJson(game.record->details["decisions"].toObject());
            QList<DecisionLog::Row> judged;
            for (const DecisionLog::Row& r : rows) {
                if (r.kind == "period") {
                    judged.append(r);
                }
            }
            QVERIFY2(std::abs(judged.size() - lines.size()) <= 1,
                     qPrintable(QString("%1 decisions, %2 lines").arg(judged.size()).arg(lines.size())));
            int decidedShots = 0;
            for (int i = 0; i < std::min(judged.size(), lines.size()); ++i) {
                QCOMPARE(judged[i].inputs["missed"].toInt(), lines[i][4].toInt());
                QCOMPARE(judged[i].inputs["hits"].toInt(), lines[i][3].toInt());
                decidedShots += judged[i].inputs["shots"].toInt();
            }
            QVERIFY(decidedShots >= 2);
            QCOMPARE(rows.first().kind, QString("start"));
            QCOMPARE(rows.first().stateAfter["level"].toInt(), 2);
            QVERIFY(rows.first().reachedMs.has_value());

            // Frame timing: one bar pair per period of the record.
            const QJsonArray timing = game.record->details["frameTiming"].toObject()["periods"].toArray();
            QVERIFY(!timing.isEmpty());
            QStackedBarSeries* bars = nullptr;
            for (QAbstractSeries* s : dialog->chart(ResultsDlg::timingChart)->series()) {
                bars = bars ? bars : qobject_cast<QStackedBarSeries*>(s);
            }
            QVERIFY(bars);
            QCOMPARE(bars->barSets().at(1)->count(), timing.size());
            QCOMPARE(bars->barSets().at(1)->at(0), timing[0].toObject()["late"].toDouble());

            // The paddle stood still: its path is the spot it was left at.
            QXYSeries* paddle = seriesNamed(dialog->chart(ResultsDlg::pathChart), "paddle");
            QVERIFY(paddle && paddle->count() > 0);
        }
        QCOMPARE(seriesNamed(dialog->chart(ResultsDlg::scoresChart), "score (hits - missed)")->count(), 2);

        QTemporaryDir out;
        for (int c = 0; c < ResultsDlg::chartCount; ++c) {
            const auto which = static_cast<ResultsDlg::Chart>(c);
            const QString name = out.filePath(QString("chart%1").arg(c));
            QVERIFY(dialog->saveChart(which, name + ".png") && dialog->saveChart(which, name + ".svg"));
            QVERIFY(!QImage(name + ".png").isNull());
            QFile svg(name + ".svg");
            QVERIFY(svg.open(QIODevice::ReadOnly) && svg.readAll().contains("<svg"));
        }
        // Pictures of every tab to look at; the learning one is the README's.
        for (int c = ResultsDlg::chartCount - 1; c >= 0; --c) {
            dialog->tabs()->setCurrentIndex(c);
            QTest::qWait(50);
            dialog->grab().save(QDir(playing.previous).filePath(
                c == ResultsDlg::learningChart ? QString("results-window.png") : QString("results-tab%1.png").arg(c)));
        }
        dialog->close();
    }

    // Frames are timed only in play: a pause is no late frame; a game with late frames says so in
    // the log at its end. At a fixed difficulty no method decides anything, and the record says so.
    void framesAreTimedInPlayAndAFixedDifficultyRecordsNoDecisions() {
        PlayingWindow playing(
            {{"Difficulty Level", "2"}, {"Data Collection State", "1035"}, {"Data Collection Averaging Time", "200"}});
        CVazazoDlg& window = *playing.window;
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        ModalAnswerer answerer([](QWidget* modal) { answerName(modal, "Ada"); });
        double now = 0.0;
        int period = 10;
        FrameTimingMeter meter(window, [&] { return period; }, [] { return 1000; }, [&] { return now; });
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
        period = 0;
        frames(20, 4.0);
        const FrameTiming::Summary summary = meter.summary();
        // The first frame after the start and after the pause has nothing to be measured against.
        QCOMPARE(summary.game.frames, 100 + 49 + 2 + 20);
        QCOMPARE(summary.game.late, 2);
        QCOMPARE(summary.game.longestGapMs, 40.0);
        // Cut by the wall time since the start, pause included.
        QCOMPARE(summary.periods.size(), 4);
        QCOMPARE(summary.periods[0].frames, 98);
        QCOMPARE(summary.periods[0].hitTest, window.usesGpuHitTest() ? QString("GPU") : QString("CPU"));
        meter.gameEnded({});
        QVERIFY(waitUntil([&] {
            return window.log()->plainText().contains("timing: 2 of 171 frames late, longest gap 40.0 ms");
        }));

        QTest::qWait(700);
        window.countdown.start(Clock::program().now(), 10.0);
        QVERIFY(waitUntil([&] { return window.highScoresDialog()->isVisible(); }));
        const QList<qint64> saved = GameReading::gameTimes(playing.folder());
        QCOMPARE(saved.size(), 1);
        const GameReading::Game game = GameReading::read(GameReading::load(playing.folder(), saved.first()));
        QVERIFY(game.record);
        const QJsonObject decisions = game.record->details["decisions"].toObject();
        QCOMPARE(decisions["method"].toString(), QString("none"));
        QVERIFY(decisions["rows"].toArray().isEmpty());
        const QJsonObject timing = game.record->details["frameTiming"].toObject();
        QVERIFY(timing["game"].toObject()["frames"].toInt() > 0);
        QCOMPARE(timing["game"].toObject()["targetPeriodMs"].toDouble(), 9.0);
        QVERIFY(!timing["periods"].toArray().isEmpty());
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
        // What each problem says is the reader's business; the window lists both games with theirs.
        QCOMPARE(dialog.games().size(), 2);
        QVERIFY(!dialog.games()[0].problems.isEmpty() && !dialog.games()[1].problems.isEmpty());
        dialog.openFolder(QDir(games.filePath("nowhere")));
        QVERIFY(!dialog.loading());
        QCOMPARE(dialog.games().size(), 0);

        QTemporaryDir many;
        const QByteArray lines = QByteArray("0 5000 10 4 1 5 5 1.000 0.3000 1500\r\n").repeated(6);
        for (int i = 0; i < 1000; ++i) {
            QFile file(many.filePath(QString("stats%1.txt").arg(1700000000 + i)));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(lines) == lines.size());
        }
        QElapsedTimer longestGap;
        qint64 longest = 0;
        QTimer beat;
        longestGap.start();
        QObject::connect(&beat, &QTimer::timeout, [&] {
            longest = std::max(longest, longestGap.restart());
        });
        beat.start(10);
        dialog.openFolder(QDir(many.path()));
        QVERIFY(waitUntil([&] { return !dialog.loading(); }, 60000));
        QCOMPARE(dialog.games().size(), 1000);
        QCOMPARE(dialog.games().first().time, qint64(1700000999));
        // Generous on a loaded machine; a load on the window's thread would stall for seconds.
        QVERIFY2(longest < 1500, qPrintable(QString::number(longest)));
    }

private:
    // The folder the game made, exported: one periods row per statistics line, one samples row per
    // object per coordinates line (the paddle counted), the games verified.
    static void exportOf(const QDir& folder) {
        QTemporaryDir out;
        QProcess exporter;
        exporter.start(VAZAZO_EXPORT, {"--out", out.path(), folder.path()});
        QVERIFY(exporter.waitForFinished(60000));
        QVERIFY2(exporter.exitCode() == 0, exporter.readAllStandardError().constData());
        const QJsonObject csv = PythonCsv::readWithPython(out.path());
        QVERIFY(!csv.isEmpty());
        int statsLines = 0;
        int objects = 0;
        for (const qint64 time : GameReading::gameTimes(folder)) {
            QFile stats(folder.filePath(GameReading::statsName(time)));
            QVERIFY(stats.open(QIODevice::ReadOnly));
            statsLines += static_cast<int>(stats.readAll().count("\r\n"));
            QFile info(folder.filePath(GameReading::infoName(time)));
            QVERIFY(info.open(QIODevice::ReadOnly));
            bool coordinates = false;
            for (const QByteArray& line : info.readAll().split('\n')) {
                if (coordinates && !line.trimmed().isEmpty()) {
                    // Paddle, then four words per object, two per hit mark.
                    const int words = static_cast<int>(line.trimmed().split(' ').size());
                    const int hits = static_cast<int>(line.count(" hit"));
                    objects += 1 + (words - 4 - 2 * hits) / 4 + hits;
                }
                coordinates = coordinates || (line.startsWith("Object used") && !line.isEmpty());
            }
        }
        QVERIFY(objects > 0);
        QCOMPARE(PythonCsv::rowsOf(csv, "periods").size(), statsLines);
        QCOMPARE(PythonCsv::rowsOf(csv, "samples").size(), objects);
        const QList<QStringList> gameRows = PythonCsv::rowsOf(csv, "games");
        QCOMPARE(gameRows.size(), 2);
        for (const QStringList& row : gameRows) {
            QCOMPARE(PythonCsv::cell(csv, "games", row, "checksums_verified"), QString("yes"));
            QCOMPARE(PythonCsv::cell(csv, "games", row, "learning_method"), QString("classical"));
        }
        QVERIFY(PythonCsv::rowsOf(csv, "decisions").size() >= statsLines);
        QVERIFY(PythonCsv::rowsOf(csv, "frames").size() > 2);
    }
};

VAZAZO_TEST(TestResults)
#include "test_Results.moc"
