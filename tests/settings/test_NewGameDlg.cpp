#include "support/TestMain.h"
#include "settings/NewGameDlg.h"
#include "support/DialogFixture.h"
#include "support/ShownDialog.h"

#include <QComboBox>
#include <QtTest>

#include <vector>

using namespace WindowMessages;
using Mode = NewGameDlg::Mode;
using Posted = std::vector<std::pair<int, std::intptr_t>>; // message, lParam

namespace {
QComboBox* list(const QWidget& dlg, const char* name) {
    return dlg.findChild<QComboBox*>(name);
}
} // namespace

class TestNewGameDlg : public QObject, private DialogFixture {
    Q_OBJECT

    std::unique_ptr<NewGameDlg> shownDialog() { return ::shownDialog<NewGameDlg>(*store, mainWindow.get()); }

    // Everything posted since the last call.
    Posted posted() {
        QCoreApplication::sendPostedEvents(mainWindow.get());
        Posted result;
        for (const MessageRecorder::Received& r : mainWindow->received) {
            result.emplace_back(r.message, r.lParam);
        }
        mainWindow->received.clear();
        return result;
    }

private slots:
    void init() { QVERIFY(setUp()); }
    void cleanup() { tearDown(); }

    // A blank difficulty would be confirmed, saved and match no best-score table ever again.
    void aStoredDifficultyOutsideTheListFallsBackToTheDefault() {
        // Stored level and difficulty (the first with nothing stored), the difficulty shown and confirmed.
        const std::tuple<QString, QString, QString, int> cases[] = {
            {"", "", "Novice", 2},   {"3", "9", "Novice", 2}, {"0", "-1", "Novice", 2},
            {"3", "5", "Expert", 5}, {"8", "2", "Custom", 1}, {"8", "0", "Auto", 0}};
        for (const auto& [level, stored, shown, confirmed] : cases) {
            if (!level.isEmpty()) {
                store->write("Game Level", level);
                store->write("Difficulty Level", stored);
            }
            auto dlg = shownDialog();
            QCOMPARE(list(*dlg, "difficultyList")->currentText(), shown);
            clickButton(*dlg, "OK");
            QVERIFY(dlg->levelSelection().difficulty == confirmed &&
                    store->read("Difficulty Level", "") == QString::number(confirmed));
        }
    }

    void aStoredDurationOutsideTheListKeepsTheLevelOnConfirmation() {
        store->write("Game Level", "8");
        store->write("Time Attack", "7");
        store->write("One Shot", "5");
        auto dlg = shownDialog();
        QVERIFY(dlg->mode() == Mode::Custom && dlg->oneShot());
        QVERIFY(!buttonNamed(*dlg, "Copy Current")->isEnabled() &&
                !buttonNamed(*dlg, "One Shot At A Time")->isEnabled());
        QCOMPARE(list(*dlg, "durationList")->currentIndex(), -1);
        clickButton(*dlg, "OK");
        QVERIFY(dlg->levelSelection().gameLevel == 0 && store->read("Time Attack", "") == "-1");
    }

    void eachButtonPostsItsMessagesInOrder_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Mode>("mode");
        QTest::addColumn<Posted>("expected");
        const auto row = [](const char* text, Mode mode, Posted expected) {
            QTest::newRow(text) << QString(text) << mode << expected;
        };
        row("Get'em All (Demo)", Mode::Demo, {{WM_SET_SETTINGS_MODE, 0}});
        row("Time Attack", Mode::TimeAttack, {{WM_SET_SETTINGS_MODE, 0}});
        row("Custom", Mode::Custom, {{WM_SET_SETTINGS_MODE, 1}, {WM_SYNC_ONE_SHOT, 0}});
        row("Copy Current", Mode::Custom, {{WM_SYNC_ONE_SHOT, 1}, {WM_SET_SETTINGS_MODE, 2}});
        row("Best Scores", Mode::TimeAttack, {{WM_SHOW_BEST_SCORES, 0}});
    }

    // A fixed difficulty chosen for one mode comes back when the player returns to it; the modes
    // stay exclusive when the ticked one is clicked again.
    void switchingModesRemembersAFixedDifficulty() {
        store->write("Game Level", "7");
        store->write("Difficulty Level", "1");
        auto dlg = shownDialog();
        QComboBox* difficulty = list(*dlg, "difficultyList");
        clickButton(*dlg, "Time Attack");
        QCOMPARE(difficulty->currentText(), QString("Beginner"));
        clickButton(*dlg, "Custom");
        QCOMPARE(difficulty->currentText(), QString("Custom"));
        difficulty->setCurrentIndex(0);
        clickButton(*dlg, "Time Attack");
        QCOMPARE(difficulty->currentText(), QString("Auto"));
        clickButton(*dlg, "Time Attack");
        QVERIFY(buttonNamed(*dlg, "Time Attack")->isChecked() && !buttonNamed(*dlg, "Custom")->isChecked());
    }

    void eachButtonPostsItsMessagesInOrder() {
        QFETCH(QString, text);
        QFETCH(Mode, mode);
        QFETCH(Posted, expected);
        store->write("Game Level", "2");
        auto dlg = shownDialog();
        clickButton(*dlg, text);
        QCOMPARE(posted(), expected);
        QCOMPARE(dlg->mode(), mode);
        QVERIFY(dlg->isVisible());
    }

    void nothingClosesTheDialogWhileItsSettingsAreOpen() {
        auto dlg = shownDialog();
        QAbstractButton* focusable = buttonNamed(*dlg, "Free Paddle");
        clickButton(*dlg, "Settings");
        posted();
        QVERIFY(dlg->levelSelection().settingsOpen);
        QTest::keyClick(focusable, Qt::Key_Return);
        QTest::keyClick(focusable, Qt::Key_Escape);
        dlg->accept();
        dlg->close();
        QVERIFY(dlg->isVisible() && posted().empty());

        dlg->settingsClosed();
        QCOMPARE(posted(), (Posted{{WM_SYNC_ONE_SHOT, 0}}));
        QTest::keyClick(focusable, Qt::Key_Return);
        QVERIFY(posted() == (Posted{{WM_START_GAME, 0}}) && dlg->isHidden());
        // Shown again as it was left; the close box then cancels.
        dlg->show();
        QCOMPARE(dlg->mode(), Mode::Custom);
        dlg->close();
        QCOMPARE(posted(), (Posted{{WM_DIALOG_CLOSED, 0}}));
    }

    void okSavesTheLevelKeysInOneRewriteAndBestScoresDoesNot() {
        auto dlg = shownDialog();
        clickButton(*dlg, "Custom");
        list(*dlg, "durationList")->setCurrentIndex(4);
        list(*dlg, "difficultyList")->setCurrentIndex(1);
        clickButton(*dlg, "Vulnerable Paddle");
        clickButton(*dlg, "Specify Pain/Stiffness Level");
        clickButton(*dlg, "Ask For Selecting Objects");
        dlg->setOneShot(true);
        clickButton(*dlg, "Best Scores");
        QVERIFY(dlg->levelSelection().gameLevel == 10 && store->read("Game Level", "absent") == "absent");

        clickButton(*dlg, "OK");
        QCOMPARE(store->diskWrites(), 1);
        const LevelSelection s = dlg->levelSelection();
        QVERIFY(s.difficulty == 1 && s.oneShot && s.vulnerablePaddle && s.askPainStiffness && !s.askObjects &&
                !s.freePaddle);
        QCOMPARE(stored({"Game Level", "Time Attack", "Difficulty Level", "One Shot", "Vulnerable Paddle",
                         "Paddle Moves", "Pain Level", "Ask For Objects"}),
                 QStringList({"10", "4", "1", "1", "1", "0", "1", "0"}));
    }
};

VAZAZO_TEST(TestNewGameDlg)
#include "test_NewGameDlg.moc"
