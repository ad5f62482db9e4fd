#include "app/CVazazoDlg.h"

#include "core/Clock.h"
#include "core/Notice.h"
#include "core/WindowMessages.h"
#include "dialogs/LogDlg.h"
#include "dialogs/ObjectsDlg.h"
#include "dialogs/PopUpDlg.h"
#include "dialogs/ThermoVDlg.h"
#include "render/Shader.h"
#include "scene/FieldScale.h"
#include "scene/Paddle.h"
#include "scores/HallOfFameDlg.h"
#include "settings/NewGameDlg.h"
#include "settings/SettingKeys.h"
#include "settings/SettingsDlg.h"
#include "settings/SettingsStore.h"
#include "server/ScoreServer.h"
#include "server/ServerDatabase.h"
#include "support/TestCertificates.h"
#include "support/TestMain.h"
#include "support/FindControl.h"
#include "records/SessionRecord.h"
#include "support/Waiting.h"

#include <QColorDialog>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QJsonObject>
#include <QUuid>
#include <QtTest>

#include <map>

// The window system's own entry for mouse input: Qt turns a quick second press into a double click
// here, as it does for a real mouse.
Q_GUI_EXPORT void qt_handleMouseEvent(QWindow* window, const QPointF& local, const QPointF& global,
                                      Qt::MouseButtons state, Qt::MouseButton button, QEvent::Type type,
                                      Qt::KeyboardModifiers mods, int timestamp);

// The main window, counting the custom events it passes on to Qt.
class Window : public CVazazoDlg {
public:
    using CVazazoDlg::CVazazoDlg;
    int customEvents = 0;

protected:
    void customEvent(QEvent*) override { ++customEvents; }
};

class TestCVazazoDlg : public QObject {
    Q_OBJECT
private slots:
    // The scratch folder has no data files; their message boxes would wait for a click.
    void initTestCase() { Notice::setHandler([](const QString&) {}); }

    void init() { open({}); }
    void cleanup() { window.reset(); }

    void theStartChoiceOfHitTestFollowsTheRendererAndTheMenuSwitchesBetweenBoth() {
        QVERIFY(waitUntil([&] { return window->log()->plainText().contains(" collision detection."); }));
        QVERIFY(!window->view()->renderer().isEmpty());
        const bool software = ZornOpenGL::isSoftwareRenderer(window->view()->renderer());
        QAction* cpu = findAction(window.get(), "CPU");
        QAction* gpu = findAction(window.get(), "GPU");
        QVERIFY(gpu->isEnabled() && window->usesGpuHitTest() == !software && gpu->isChecked() == !software &&
                cpu->isChecked() == software);
        gpu->trigger();
        QVERIFY(window->usesGpuHitTest() && gpu->isChecked() && !cpu->isChecked());
        cpu->trigger();
        QVERIFY(!window->usesGpuHitTest() && cpu->isChecked() && !gpu->isChecked());
        // Mesa's software renderers are told apart from graphics cards.
        const auto soft = &ZornOpenGL::isSoftwareRenderer;
        QVERIFY(soft("llvmpipe (LLVM 15.0.6, 256 bits)") && soft("softpipe") &&
                soft("Software Rasterizer (swrast)"));
        QVERIFY(!soft("NVIDIA GeForce RTX 3060/PCIe/SSE2") && !soft("AMD Radeon RX 6600 (radeonsi, navi23)") &&
                !soft("Mesa Intel(R) UHD Graphics 620 (KBL GT2)"));
    }

    void unlimitedWhilePausedPostsNoTicks() {
        window->setFramePeriod(0);
        QVERIFY(window->paused);
        // Let a tick that was already on its way finish its frame.
        QTest::qWait(100);
        QSignalSpy frames(window->view(), &QOpenGLWidget::frameSwapped);
        QTest::qWait(300);
        QCOMPARE(frames.count(), 0);
        window->paused = false;
        window->setFramePeriod(9);
        window->setFramePeriod(0);
        QVERIFY(waitUntil([&] { return frames.count() > 20; }));
    }

    void lShowsTheLogAndEscapeStopsEveryThreadAndClosesTheWindow() {
        QTest::keyClick(window.get(), Qt::Key_L);
        QVERIFY(window->log()->isVisible() && window->gameLoop.running && window->fpsMeter.running);
        QTest::keyClick(window.get(), Qt::Key_Escape);
        QVERIFY(!window->isVisible() && !window->gameLoop.running && !window->fpsMeter.running);
    }

    void onlyOurOwnMessagesAreTakenAsWindowMessages() {
        WindowMessage tick(WindowMessages::WM_TICK);
        QVERIFY(QCoreApplication::sendEvent(window.get(), &tick));
        QCOMPARE(window->customEvents, 0);
        // Qt hands out registered event types from the top of the same range.
        QEvent foreign(static_cast<QEvent::Type>(QEvent::registerEventType()));
        QCoreApplication::sendEvent(window.get(), &foreign);
        QCOMPARE(window->customEvents, 1);
    }

    void theOrientationKeysTurnTheFieldAndAltLettersDoNot() {
        window->resize(640, 480);
        QVERIFY(waitUntil([&] { return FieldScale::program().fieldWidthPx == window->view()->width(); }));
        const int w = FieldScale::program().fieldWidthPx;
        const int h = FieldScale::program().fieldHeightPx;
        for (const auto& [key, turned, width] :
             {std::tuple{Qt::Key_H, Orientation::east, h}, {Qt::Key_F, Orientation::west, h},
              {Qt::Key_8, Orientation::north, w}}) {
            QTest::keyClick(window.get(), key, key == Qt::Key_8 ? Qt::KeypadModifier : Qt::NoModifier);
            QVERIFY(window->orientation == turned && FieldScale::program().fieldWidthPx == width);
        }
        // The digit row is no orientation key, and Alt with a letter belongs to the menus.
        const int shots = QDir::current().entryList({"screenShot*.png"}).size();
        QTest::keyClick(window.get(), Qt::Key_2);
        for (const Qt::Key key : {Qt::Key_G, Qt::Key_H, Qt::Key_S, Qt::Key_N}) {
            QTest::keyClick(window.get(), key, Qt::AltModifier);
        }
        QVERIFY(window->orientation == Orientation::north && window->view()->orientation == Orientation::north);
        QCOMPARE(QDir::current().entryList({"screenShot*.png"}).size(), shots);
        QVERIFY(!window->newGameDialog()->isVisible());
    }

    void rapidClicksEachFireAShotAndAHeldSpaceFiresOnce() {
        play();
        QWindow* handle = window->windowHandle();
        const QPointF at = window->view()->mapTo(window.get(), window->view()->rect().center());
        const int before = window->shotsFired;
        for (int i = 0; i < 6; ++i) {
            const int time = 1'000'000 + 60 * i;
            for (auto [buttons, type] : {std::pair{Qt::MouseButtons(Qt::LeftButton), QEvent::MouseButtonPress},
                                         {Qt::MouseButtons(Qt::NoButton), QEvent::MouseButtonRelease}}) {
                qt_handleMouseEvent(handle, at, handle->mapToGlobal(at), buttons, Qt::LeftButton, type, {}, time);
            }
            QCoreApplication::processEvents();
        }
        QCOMPARE(window->shotsFired, before + 6);

        QTest::keyPress(window.get(), Qt::Key_Space);
        for (int i = 0; i < 5; ++i) {
            QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ", true);
            QCoreApplication::sendEvent(window.get(), &repeat);
        }
        QTest::keyRelease(window.get(), Qt::Key_Space);
        QCOMPARE(window->shotsFired, before + 7);
    }

    void movesMadeWhilePausedDoNotThrowThePaddle() {
        play();
        const Paddle& paddle = Paddle::program();
        moveMouse(400, 300);
        moveMouse(402, 300);
        QTest::keyClick(window.get(), Qt::Key_P);
        QVERIFY(window->paused);
        moveMouse(100, 300);
        QTest::keyClick(window.get(), Qt::Key_P);
        QVERIFY(!window->paused);
        // No tick runs between these synchronous steps, so the pending movement is all theirs.
        const double pending = paddle.pendingDX;
        moveMouse(102, 300);
        QCOMPARE(paddle.pendingDX, pending);
        moveMouse(110, 300);
        QVERIFY(std::abs(paddle.pendingDX - pending - 8.0 / window->view()->width()) < 1e-9);
    }

    void everyModalWindowOfTheMenuPausesTheGame_data() {
        QTest::addColumn<QString>("entry");
        QTest::newRow("help") << "H&elp";
        QTest::newRow("about") << "&About";
        QTest::newRow("background colour") << "&Background colour";
        QTest::newRow("group name") << "Set group &name";
    }
    void everyModalWindowOfTheMenuPausesTheGame() {
        QFETCH(QString, entry);
        open({{"Background colour", "10 20 30"}});
        play();
        bool pausedBehind = false;
        QColor offered;
        ModalAnswerer answerer([&](QWidget* modal) {
            pausedBehind = window->paused;
            if (auto* chooser = qobject_cast<QColorDialog*>(modal)) {
                offered = chooser->currentColor();
            }
            modal->close();
        });
        findAction(window.get(), entry)->trigger();
        QVERIFY(answerer.answered == 1 && pausedBehind && !window->paused);
        QVERIFY(entry != "&Background colour" || offered == QColor(10, 20, 30));
    }

    // A winning score enters the table of the game that ended. With "Use internet connection" the
    // game's data goes to the server, and "Synchronize" brings the score back with the server's number.
    // Over TLS, the certificate pinned in the settings reaches both exchanges.
    void aGamesDataAndBestScoreReachTheScoreServer_data() {
        QTest::addColumn<bool>("tls");
        QTest::newRow("plain") << false;
        QTest::newRow("TLS with a pinned certificate") << true;
    }
    void aGamesDataAndBestScoreReachTheScoreServer() {
        QFETCH(bool, tls);
        QTemporaryDir serverDir;
        ServerConfig config{.database = serverDir.filePath("server.sqlite"), .httpPort = 0, .tcpPort = 0};
        QString error;
        if (tls) {
            const TestCertificate made =
                makeCertificate(QDir(serverDir.path()), "server", "IP:127.0.0.1", nullptr, &error);
            QVERIFY2(!made.certificate.isEmpty(), qPrintable(error));
            config.tls = {made.certificate, made.key};
        }
        ServerThread server(config);
        QVERIFY2(server.start(&error), qPrintable(error));
        open({{"Game Level", "2"}, {"Time Attack", "1"}, {"Difficulty Level", "2"}, {"One Shot", "1"},
              {"Data Collection State", "1034"}, {"Score Server", QString("127.0.0.1:%1").arg(server.httpPort())},
              {"Score Server Certificate", config.tls.certificate}});
        play();
        // Changed during the game, this must not move the score to another table.
        window->newGameDialog()->setOneShot(false);
        ModalAnswerer answerer([&](QWidget* modal) { answerName(modal, "Ada"); });
        endWithScore(5);
        QVERIFY(waitUntil([&] { return window->highScoresDialog()->isVisible(); }));
        QCOMPARE(answerer.answered, 1);
        // Time Attack 60 seconds at Novice with one shot at a time: table 2 * 12 + 2 + 6.
        QVERIFY(store->read(SettingKeys::bestNameKey(2, 8, 0), "") == "Ada" &&
                store->read(SettingKeys::bestScoreKey(2, 2, 0), "none") == "none");
        QCOMPARE(window->highScoresDialog()->shownLevel() * 12 + window->highScoresDialog()->shownDifficulty(), 32);
        ServerDatabase view;
        QVERIFY2(view.open(config.database, &error), qPrintable(error));
        // Statistics, info and the session record, linked by the game's id.
        QVERIFY(waitUntil([&] { return view.streams().size() == 3; }) && view.games().size() == 1);

        const QString number = SettingKeys::bestScoreUniqueNumberKey(2, 8, 0);
        QCOMPARE(store->read(number, ""), QString("-1"));
        QTest::mouseClick(button(window->highScoresDialog(), "Synchronize"), Qt::LeftButton);
        QVERIFY(store->read(number, "").toInt() > 0);
        QCOMPARE(view.table(2 * 12 + 8).at(0).name, QString("Ada"));
    }

    void aGameStartedWithinASecondOfTheEndLeavesTheEndedGamesScoreInItsTable() {
        open({{"Game Level", "1"}, {"Time Attack", "0"}, {"Difficulty Level", "3"}});
        play();
        bool previousGameStillOver = false;
        ModalAnswerer answerer([&](QWidget* modal) {
            previousGameStillOver = window->gameOver;
            answerName(modal, "Bo");
        });
        endWithScore(7);
        play();
        QVERIFY(previousGameStillOver);
        // The delayed step of the ended game comes to nothing: no second offer, no window over play.
        QTest::qWait(1500);
        QVERIFY(answerer.answered == 1 && !window->highScoresDialog()->isVisible() && !window->gameOver);
        QVERIFY(store->read(SettingKeys::bestScoreKey(1, 3, 0), "") == "7" &&
                store->read(SettingKeys::bestScoreKey(1, 3, 1), "-1") == "-1");
    }

    void aGameInterruptedByThePauseKeyEndsWithoutTheAfterGameStep() {
        play();
        QTest::keyClick(window.get(), Qt::Key_P);
        QTest::keyClick(window.get(), Qt::Key_P);
        QVERIFY(!window->reportPending);
        window->countdown.start(Clock::program().now(), 50.0);
        QVERIFY(waitUntil([&] { return window->message.visible; }));
        QTest::qWait(1500);
        QVERIFY(!window->highScoresDialog()->isVisible());
    }

    void settingsOpenedFromTheNewGameDialogAlwaysGiveItsButtonsBack() {
        QWidget* newGame = window->newGameDialog();
        SettingsDlg* settings = window->settingsDialog();
        findAction(window.get(), "&Game settings")->trigger();
        QVERIFY(settings->isVisible());
        for (const char* closeBy : {"OK", "menu"}) {
            QTest::keyClick(window.get(), Qt::Key_N);
            QTest::mouseClick(button(newGame, "Settings"), Qt::LeftButton);
            QVERIFY(waitUntil([&] { return window->settingsDialog()->isCustom(); }));
            QCoreApplication::processEvents();
            QVERIFY(settings->isVisible() && !button(newGame, "OK")->isEnabled());
            QString(closeBy) == "OK" ? QTest::mouseClick(button(settings, "OK"), Qt::LeftButton)
                                     : findAction(window.get(), "&Game settings")->trigger();
            QVERIFY2(!settings->isVisible() && waitUntil([&] { return button(newGame, "OK")->isEnabled(); }) &&
                         button(newGame, "Cancel")->isEnabled() && button(newGame, "Settings")->isEnabled(),
                     closeBy);
        }
    }

    void aDifficultyPresetAppliesToThePagesAndAutoRunsTheLearningMethodDuringTheGameOnly() {
        open({{"Difficulty Level", "0"}});
        play();
        // The "Auto" preset leaves the targets' speed at 0; the classical method starts them at 2.
        QVERIFY(waitUntil([&] { return window->settingsDialog()->current().shapes[0].speed == 2; }));
        QVERIFY(window->learning.active());
        window->countdown.start(Clock::program().now(), 50.0);
        QVERIFY(waitUntil([&] { return window->gameOver; }) && !window->learning.active());

        // "Expert" on the untimed level: gun speed 4, in memory only until the settings are confirmed.
        open({{"Difficulty Level", "5"}});
        play();
        QCOMPARE(window->settingsDialog()->current().weapons.gunSpeed, 4);
        QVERIFY(store->read("Gun Speed", "unset") == "unset" && !window->learning.active());
    }

    // With every option on: the object, pain and stiffness before the game, pain and stiffness
    // after it, and a statistics and an info file holding the answers and the coordinates.
    void aFullyRecordedGameAsksInOrderAndSavesEverything() {
        open({{"Pain Level", "1"}, {"Ask For Objects", "1"}, {"Objects Selection List", "5"},
              {"Data Collection State", "1035"}, {"Data Collection Coordinates", "true"},
              {"Data Collection Averaging Time", "100"}, {"Difficulty Level", "0"}});
        const QStringList before = QDir::current().entryList({"stats*.txt", "info*.txt"});
        QStringList asked;
        // Before the game pain at the top and stiffness at the left, after it the other ends.
        ModalAnswerer answerer([&](QWidget* modal) {
            asked << modal->metaObject()->className() + QString(window->gameOver ? "" : " in play");
            auto* gauge = qobject_cast<Gauge*>(modal);
            if (!gauge) {
                qobject_cast<ObjectsDlg*>(modal) ? void(QMetaObject::invokeMethod(modal, "accept"))
                                                 : answerName(modal, "Ed");
                return;
            }
            const bool pain = qobject_cast<ThermoVDlg*>(gauge) != nullptr;
            auto* instructions = window->findChild<PopUpDlg*>();
            QVERIFY(instructions && instructions->isVisible());
            const bool lowEnd = (asked.size() > 3) == pain;
            const QPoint point = pain ? QPoint(gauge->width() / 2, lowEnd ? gauge->height() - 1 : 0)
                                      : QPoint(lowEnd ? 0 : gauge->width() - 1, gauge->height() / 2);
            QMouseEvent move(QEvent::MouseMove, point, gauge->mapToGlobal(point), Qt::NoButton, Qt::NoButton,
                             Qt::NoModifier);
            QCoreApplication::sendEvent(gauge, &move);
            QTest::mouseClick(gauge, Qt::LeftButton, {}, point);
        });
        play();
        QVERIFY(!window->findChild<PopUpDlg*>());
        // The stored index was past the list's end; the first entry was confirmed.
        QCOMPARE(store->read("Objects Selection List", ""), QString("0"));
        QTest::qWait(450);
        endWithScore(1);
        QVERIFY(waitUntil([&] { return window->highScoresDialog()->isVisible(); }));
        QCOMPARE(asked.join(' '), QString("ObjectsDlg ThermoVDlg ThermoHDlg ThermoVDlg ThermoHDlg NameDlg"));

        QStringList made = QDir::current().entryList({"stats*.txt", "info*.txt"});
        made.removeIf([&](const QString& name) { return before.contains(name); });
        QCOMPARE(made.size(), 2);
        QFile info(made.filter("info").value(0));
        QFile stats(made.filter("stats").value(0));
        QVERIFY(info.open(QIODevice::ReadOnly) && stats.open(QIODevice::ReadOnly));
        const QList<QByteArray> periods = stats.readAll().split('\n');
        QVERIFY(periods.size() >= 3 && periods.first().split(' ').size() == 10 && periods.first().endsWith('\r'));
        const QByteArray text = info.readAll();
        QVERIFY(text.startsWith("Columns in file stats") && text.contains("level: 0, difficulty: 0") &&
                text.contains("\r\nBefore pain level: 0.0, stiffness level: 10.0\r\n"
                              "After pain level: 10.0, stiffness level: 0.0\r\n") &&
                text.contains("\r\nObject used to play the game: 0, mouse\r\n"));
        // Coordinates lines: the time, the paddle's visibility and place, then the objects.
        QVERIFY(QString::fromUtf8(text).contains(
            QRegularExpression(R"(\r\n\d+ 1\.00 0\.\d{5} 0\.\d{5}( [trcsyg]\d{4}( \S+){3})*\r\n)")));

        // Beside them, the game's record: who played what, with which settings, answers and checksums.
        const auto record = SessionRecord::read("session" + made.filter("stats")[0].mid(5).chopped(4) + ".json");
        QVERIFY(record && record->participantId == store->read("Participant Id", "") &&
                QUuid::fromString(record->gameId).version() == QUuid::Random);
        QVERIFY(record->ending == SessionRecord::Ending::timeUp && record->lengthMs >= 450 &&
                record->start < record->end && record->files.size() == 2);
        QStringList answers;
        for (const SessionRecord::Answer& answer : record->answers) {
            answers << answer.when + ": " + answer.text;
            QVERIFY(answer.time.isValid());
        }
        // The info file's labels stand the other way round; the record says when each was given.
        QCOMPARE(answers, QStringList({"object: mouse", "before: pain level: 10.0, stiffness level: 0.0",
                                       "after: pain level: 0.0, stiffness level: 10.0"}));
        const QJsonObject d = record->details;
        QCOMPARE(QStringList({d["learning"]["method"].toString(), d["hitTest"].toString(),
                              d["settings"]["Data Collection Averaging Time"].toString()}),
                 QStringList({"classical", window->usesGpuHitTest() ? "GPU" : "CPU", "100"}));
        QVERIFY(d["level"]["number"].toInt() == 0 && !d["gl"]["renderer"].toString().isEmpty() &&
                d["seeds"].toObject().contains("scene"));
    }

private:
    // A new window on a new store that holds the given keys.
    void open(const std::map<QString, QString>& keys) {
        window.reset();
        static int n = 0;
        store = std::make_unique<SettingsStore>(dir.filePath(QString("settings%1.ini").arg(++n)));
        // The objects list is on by default; tests that want it tick it.
        store->write("Ask For Objects", "0");
        for (const auto& [key, value] : keys) {
            store->write(key, value);
        }
        window = std::make_unique<Window>(*store);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }

    // N, then "OK": the game the New Game dialog holds starts.
    void play() {
        QTest::keyClick(window.get(), Qt::Key_N);
        QTest::mouseClick(button(window->newGameDialog(), "OK"), Qt::LeftButton);
        QVERIFY(waitUntil([&] { return !window->gameOver; }));
    }

    void moveMouse(int x, int y) {
        const QPointF local(x, y);
        QMouseEvent move(QEvent::MouseMove, local, window->view()->mapToGlobal(local), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QCoreApplication::sendEvent(window->view(), &move);
    }

    // The wheels show the score at once, and the time runs out.
    void endWithScore(int hits) {
        const double now = Clock::program().now();
        window->hitCounter.add(hits, now);
        window->hitCounter.animate(now + 60000.0);
        window->countdown.start(now, 50.0);
        QVERIFY(waitUntil([&] { return window->message.visible; }));
        QVERIFY(window->gameOver && window->paused);
    }

    QTemporaryDir dir;
    std::unique_ptr<SettingsStore> store;
    std::unique_ptr<Window> window;
};

VAZAZO_TEST(TestCVazazoDlg)
#include "test_CVazazoDlg.moc"
