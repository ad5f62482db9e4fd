#include "support/TestMain.h"
#include "app/CVazazoDlg.h"

#include "core/Notice.h"
#include "core/WindowMessages.h"
#include "dialogs/LogDlg.h"
#include "core/Clock.h"
#include "learning/LModule.h"
#include "render/Shader.h"
#include "scene/FieldScale.h"
#include "scores/HallOfFameDlg.h"
#include "settings/LSettingsDlg.h"
#include "settings/NewGameDlg.h"
#include "settings/SettingsDlg.h"
#include "settings/SettingsStore.h"

#include "support/Waiting.h"

#include <QActionGroup>
#include <QSignalSpy>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QMenu* findMenu(const QList<QAction*>& actions, const QString& title) {
    for (QAction* action : actions) {
        if (action->menu() != nullptr && action->text() == title) {
            return action->menu();
        }
    }
    return nullptr;
}

QStringList texts(const QMenu* menu) {
    QStringList result;
    for (const QAction* action : menu->actions()) {
        if (!action->isSeparator()) {
            result << action->text();
        }
    }
    return result;
}

QAction* findAction(const QMenu* menu, const QString& text) {
    for (QAction* action : menu->actions()) {
        if (action->text() == text) {
            return action;
        }
    }
    return nullptr;
}
} // namespace

class TestCVazazoDlg : public QObject {
    Q_OBJECT
private slots:
    // The scratch folder has no data files; their message boxes would wait for a click.
    void initTestCase() {
        Notice::setHandler([this](const QString& message) { notices << message; });
    }

    void init() {
        store = std::make_unique<SettingsStore>(dir.filePath("settings.ini"));
        window = std::make_unique<CVazazoDlg>(*store);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }
    void cleanup() { window.reset(); }

    void theMenuBarHasEveryMenuInOrder() {
        const QList<QAction*> top = window->menuBar()->actions();
        QStringList titles;
        for (QAction* a : top) {
            titles << a->text();
        }
        QCOMPARE(titles, QStringList({"&File", "&Game", "&Settings", "&Help"}));
        QCOMPARE(texts(findMenu(top, "&File")), QStringList({"&Exit"}));
        QCOMPARE(texts(findMenu(top, "&Game")), QStringList({"&New Game", "&Game settings", "&High Scores"}));
        QCOMPARE(texts(findMenu(top, "&Help")), QStringList({"H&elp", "&About"}));
        QMenu* settings = findMenu(top, "&Settings");
        QCOMPARE(texts(settings),
                 QStringList({"Set group &name", "&Learning settings", "&Background colour",
                              "&Determine processor clock", "Framerate", "Collision detection"}));
    }

    void itStartsAt100FpsWithTheCpuHitTest() {
        QMenu* settings = findMenu(window->menuBar()->actions(), "&Settings");
        QMenu* framerate = findMenu(settings->actions(), "Framerate");
        QCOMPARE(texts(framerate),
                 QStringList({"Unlimited", "Maximum", "100 fps", "50 fps", "30 fps", "25 fps", "15 fps"}));
        for (QAction* action : framerate->actions()) {
            QCOMPARE(action->isChecked(), action->text() == "100 fps");
        }
        QCOMPARE(window->framePeriodMs(), 9);
        QMenu* collision = findMenu(settings->actions(), "Collision detection");
        QVERIFY(findAction(collision, "CPU")->isChecked());
        QVERIFY(!findAction(collision, "GPU")->isEnabled());
    }

    void aFramerateEntrySetsThePeriodAndTicksOnlyItself() {
        QMenu* settings = findMenu(window->menuBar()->actions(), "&Settings");
        QMenu* framerate = findMenu(settings->actions(), "Framerate");
        const int periods[] = {0, 1, 9, 19, 33, 40, 66};
        for (int i = 0; i < 7; ++i) {
            framerate->actions()[i]->trigger();
            QCOMPARE(window->framePeriodMs(), periods[i]);
            for (int j = 0; j < 7; ++j) {
                QCOMPARE(framerate->actions()[j]->isChecked(), i == j);
            }
        }
    }

    void startUpLogsTheInvitationAndTheTimerResolution() {
        QVERIFY(
            waitUntil([&] { return window->log()->plainText().contains("Press 'N' to start a new game"); }));
        QVERIFY(window->log()->plainText().contains("Timer resolution 1.00 Mhz"));
        QVERIFY(!window->log()->isVisible());
        QTest::keyClick(window.get(), Qt::Key_L);
        QVERIFY(window->log()->isVisible());
    }

    void framesArePaintedAndTheCaptionShowsTheirRate() {
        QVERIFY(waitUntil([&] { return window->windowTitle().endsWith(" fps"); }));
        QVERIFY(waitUntil([&] { return window->windowTitle() != "0.0 fps"; }));
        const double fps = window->windowTitle().split(' ').first().toDouble();
        // At "100 fps" a frame costs at least the 9 ms pause.
        QVERIFY2(fps > 0.0 && fps <= 1000.0 / 9.0 + 1.0, qPrintable(window->windowTitle()));
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

    void escapeStopsEveryThreadAndClosesTheWindow() {
        QVERIFY(window->gameLoop.running);
        QVERIFY(window->fpsMeter.running);
        QTest::keyClick(window.get(), Qt::Key_Escape);
        QVERIFY(!window->isVisible());
        QVERIFY(!window->gameLoop.running);
        QVERIFY(!window->fpsMeter.running);
    }

    void fieldScalesFollowTheViewSize() {
        window->resize(640, 480);
        QVERIFY(waitUntil([&] { return FieldScale::program().fieldWidthPx == window->view()->width(); }));
        QCOMPARE(FieldScale::program().fieldHeightPx, window->view()->height());
    }

    void theSettingsWindowsExistHiddenAndOpenFromMenuAndKeys() {
        QVERIFY(!window->newGameDialog()->isVisible());
        QVERIFY(!window->settingsDialog()->isVisible());
        QVERIFY(!window->learningDialog()->isVisible());
        QTest::keyClick(window.get(), Qt::Key_N);
        QVERIFY(window->newGameDialog()->isVisible());
        QVERIFY(window->paused);

        QMenu* game = findMenu(window->menuBar()->actions(), "&Game");
        window->reportPending = true;
        findAction(game, "&Game settings")->trigger();
        QVERIFY(window->settingsDialog()->isVisible());
        QVERIFY(!window->reportPending);
        findAction(game, "&Game settings")->trigger();
        QVERIFY(!window->settingsDialog()->isVisible());

        QMenu* settings = findMenu(window->menuBar()->actions(), "&Settings");
        findAction(settings, "&Learning settings")->trigger();
        QVERIFY(window->learningDialog()->isVisible());
        findAction(settings, "&Learning settings")->trigger();
        QVERIFY(!window->learningDialog()->isVisible());
    }

    void highScoresShowTheTableOfTheChosenLevelAndDifficulty() {
        QVERIFY(!window->highScoresDialog()->isVisible());
        window->newGameDialog()->setOneShot(true);
        findAction(findMenu(window->menuBar()->actions(), "&Game"), "&High Scores")->trigger();
        QVERIFY(window->highScoresDialog()->isVisible());
        // Novice with one shot at a time: difficulty index 2 + 6.
        QCOMPARE(window->highScoresDialog()->shownDifficulty(), 8);
    }

    void theNewGameDialogsMessagesReachTheSettingsPages() {
        using namespace WindowMessages;
        postWindowMessage(window.get(), WM_SET_SETTINGS_MODE, 0, 1);
        QVERIFY(waitUntil([&] { return window->settingsDialog()->isCustom(); }));
        postWindowMessage(window.get(), WM_SET_SETTINGS_MODE, 0, 0);
        QVERIFY(waitUntil([&] { return !window->settingsDialog()->isCustom(); }));

        window->newGameDialog()->setOneShot(true);
        postWindowMessage(window.get(), WM_SYNC_ONE_SHOT, 0, 1);
        QVERIFY(waitUntil([&] { return window->settingsDialog()->oneWeaponAtATime(); }));
        window->settingsDialog()->setOneWeaponAtATime(false);
        postWindowMessage(window.get(), WM_SYNC_ONE_SHOT, 0, 0);
        QVERIFY(waitUntil([&] { return !window->newGameDialog()->oneShot(); }));
    }

    void aModulesLevelParametersMoveTheSettingsPages() {
        struct IdleModule : LModule {
            void start() override {}
            void onPeriod() override {}
            void finish() override {}
        } module;
        LevelParameters p;
        p.shapeKinds = 0x2000;
        p.shapesSpeed = 9;
        p.targetsPerSecond = 10;
        module.setLevelParameters(p);
        postWindowMessage(window.get(), WindowMessages::WM_APPLY_LEVEL_PARAMETERS, 0,
                          reinterpret_cast<std::intptr_t>(static_cast<LModule*>(&module)));
        QVERIFY(
            waitUntil([&] { return window->settingsDialog()->current().allShapes.shapesPerSecond == 10; }));
        const GameSettings now = window->settingsDialog()->current();
        QCOMPARE(now.shapeByType(0x2010)->speed, 9);
        QCOMPARE(now.shapeByType(0x1002)->speed, 5);
    }

    void startingAGameAppliesTheDifficultyPresetToThePages() {
        // "Expert" on the untimed level: gun speed 4, shape speed 8, rate position 8.
        window.reset();
        store = std::make_unique<SettingsStore>(dir.filePath("expert.ini"));
        store->write("Difficulty Level", "5");
        window = std::make_unique<CVazazoDlg>(*store);
        QTest::keyClick(window.get(), Qt::Key_N);
        window->newGameDialog()->accept();
        QVERIFY(waitUntil([&] { return window->settingsDialog()->current().weapons.gunSpeed == 4; }));
        const GameSettings now = window->settingsDialog()->current();
        QCOMPARE(now.allShapes.shapesPerSecond, 8);
        QCOMPARE(now.shapes[0].speed, 8);
        QVERIFY(!now.shapes[0].distractor);
        // In memory only, until the settings dialog is confirmed.
        QCOMPARE(store->read("Gun Speed", "unset"), QString("unset"));
        QVERIFY(window->log()->plainText().contains("New game: Get'em all, difficulty Expert"));
    }

    void turningBetweenLandscapeAndPortraitExchangesTheFieldScalesOnce() {
        window->resize(640, 480);
        QVERIFY(waitUntil([&] { return FieldScale::program().fieldWidthPx == window->view()->width(); }));
        const int w = FieldScale::program().fieldWidthPx;
        const int h = FieldScale::program().fieldHeightPx;
        QTest::keyClick(window.get(), Qt::Key_H);
        QCOMPARE(window->orientation, Orientation::east);
        QCOMPARE(FieldScale::program().fieldWidthPx, h);
        QTest::keyClick(window.get(), Qt::Key_F);
        QCOMPARE(window->orientation, Orientation::west);
        QCOMPARE(FieldScale::program().fieldWidthPx, h);
        QTest::keyClick(window.get(), Qt::Key_8, Qt::KeypadModifier);
        QCOMPARE(window->orientation, Orientation::north);
        QCOMPARE(FieldScale::program().fieldWidthPx, w);
        QTest::keyClick(window.get(), Qt::Key_T);
        QCOMPARE(FieldScale::program().fieldWidthPx, w);
        // The digit row is no orientation key.
        QTest::keyClick(window.get(), Qt::Key_2);
        QCOMPARE(window->orientation, Orientation::north);
        QCOMPARE(window->view()->orientation, Orientation::north);
    }

    void theScreenshotKeyWritesTheFrameUnderAFreshName() {
        const QStringList before = QDir::current().entryList({"screenShot*.png"});
        QTest::keyClick(window.get(), Qt::Key_S);
        QTest::keyClick(window.get(), Qt::Key_S);
        const QStringList after = QDir::current().entryList({"screenShot*.png"});
        QCOMPARE(after.size(), before.size() + 2);
        const QImage shot(after.last());
        QCOMPARE(shot.size(), window->view()->size());
    }

    void aTimedGameEndsWithGameOverAndTheHighScoresASecondLater() {
        QTest::keyClick(window.get(), Qt::Key_N);
        window->newGameDialog()->accept();
        QVERIFY(waitUntil([&] { return !window->gameOver; }));
        // A losing score enters no table, so no name is asked for.
        const double now = Clock::program().now();
        window->missCounter.add(3.0, now);
        window->missCounter.animate(now + 60000.0);
        window->countdown.start(Clock::program().now(), 50.0);
        QVERIFY(waitUntil([&] { return window->message.visible; }));
        QElapsedTimer sinceEnd;
        sinceEnd.start();
        QVERIFY(window->gameOver && window->paused);
        QVERIFY(!window->highScoresDialog()->isVisible());
        QVERIFY(waitUntil([&] { return window->highScoresDialog()->isVisible(); }));
        QVERIFY(sinceEnd.elapsed() >= 900);
    }

    void aGameInterruptedByThePauseKeyEndsWithoutTheAfterGameStep() {
        QTest::keyClick(window.get(), Qt::Key_N);
        window->newGameDialog()->accept();
        QVERIFY(waitUntil([&] { return !window->gameOver; }));
        QTest::keyClick(window.get(), Qt::Key_P);
        QTest::keyClick(window.get(), Qt::Key_P);
        QVERIFY(!window->reportPending);
        window->countdown.start(Clock::program().now(), 50.0);
        QVERIFY(waitUntil([&] { return window->message.visible; }));
        QTest::qWait(1500);
        QVERIFY(!window->highScoresDialog()->isVisible());
    }

    void theBackgroundColourComesFromTheStore() {
        window.reset();
        store->write("Background colour", "255 0 0");
        window = std::make_unique<CVazazoDlg>(*store);
        QCOMPARE(window->windowTitle(), QString("Vazazo"));
        window->resize(200, 150);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        QVERIFY(waitUntil([&] {
            const QImage frame = window->view()->grabFramebuffer();
            return !frame.isNull() &&
                   frame.pixelColor(frame.width() / 2, frame.height() / 2) == QColor(255, 0, 0);
        }));
    }

private:
    QStringList notices;
    QTemporaryDir dir;
    std::unique_ptr<SettingsStore> store;
    std::unique_ptr<CVazazoDlg> window;
};

VAZAZO_TEST(TestCVazazoDlg)
#include "test_CVazazoDlg.moc"
