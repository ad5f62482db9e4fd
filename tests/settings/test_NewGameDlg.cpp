#include "support/TestMain.h"
#include "settings/NewGameDlg.h"
#include "settings/SettingsStore.h"
#include "support/DialogFixture.h"
#include "support/ShownDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <utility>
#include <vector>

using namespace WindowMessages;
using Mode = NewGameDlg::Mode;
using Posted = std::vector<std::pair<int, std::intptr_t>>; // message, lParam

namespace {

QAbstractButton* button(const QWidget& dlg, const QString& text) {
    for (QAbstractButton* b : dlg.findChildren<QAbstractButton*>()) {
        if (b->text() == text) {
            return b;
        }
    }
    qFatal("no button \"%s\"", qPrintable(text));
}

QComboBox* list(const QWidget& dlg, const char* name) {
    return dlg.findChild<QComboBox*>(name);
}

QStringList entries(const QComboBox* combo) {
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i) {
        texts << combo->itemText(i);
    }
    return texts;
}

// Check boxes and radio buttons react only on their indicator and label.
void click(const QWidget& dlg, const QString& text) {
    QAbstractButton* b = button(dlg, text);
    const QPoint at = qobject_cast<QPushButton*>(b) ? b->rect().center() : QPoint(6, b->height() / 2);
    QTest::mouseClick(b, Qt::LeftButton, {}, at);
}

const QStringList sixDifficulties{"Auto", "Beginner", "Novice", "Intermediate", "Advanced", "Expert"};

} // namespace

class TestNewGameDlg : public QObject, private DialogFixture {
    Q_OBJECT

private:
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

    void anEmptyStoreOpensAtTheDemoLevelForANovice() {
        const NewGameDlg dlg(*store, mainWindow.get());
        QVERIFY(dlg.isHidden());
        QCOMPARE(dlg.mode(), Mode::Demo);
        QCOMPARE(entries(list(dlg, "difficultyList")), sixDifficulties);
        QCOMPARE(list(dlg, "difficultyList")->currentText(), QString("Novice"));
        QCOMPARE(list(dlg, "durationList")->currentText(), QString("30 seconds"));
        QVERIFY(!list(dlg, "durationList")->isEnabled());
        QVERIFY(button(dlg, "Copy Current")->isEnabled());

        const LevelSelection s = dlg.levelSelection();
        QCOMPARE(s.gameLevel, 0);
        QCOMPARE(s.difficulty, 2);
        QVERIFY(s.askObjects);
        QVERIFY(!s.oneShot && !s.vulnerablePaddle && !s.freePaddle && !s.askPainStiffness && !s.settingsOpen);
    }

    void storedValuesOutsideTheListsLeaveThemEmpty() {
        store->write("Game Level", "8");
        store->write("Difficulty Level", "2");
        store->write("One Shot", "5");
        store->write("Ask For Objects", "0");
        {
            const NewGameDlg dlg(*store, mainWindow.get());
            QCOMPARE(dlg.mode(), Mode::Custom);
            QCOMPARE(entries(list(dlg, "difficultyList")), QStringList({"Auto", "Custom"}));
            QCOMPARE(list(dlg, "difficultyList")->currentIndex(), -1);
            QVERIFY(!button(dlg, "Copy Current")->isEnabled());
            QVERIFY(!button(dlg, "One Shot At A Time")->isEnabled());
            QVERIFY(dlg.oneShot() && !dlg.levelSelection().askObjects);
        }

        store->write("Game Level", "3");
        store->write("Time Attack", "7");
        store->write("Difficulty Level", "-1");
        auto dlg = shownDialog();
        QCOMPARE(dlg->mode(), Mode::TimeAttack);
        QCOMPARE(list(*dlg, "durationList")->currentIndex(), -1);
        QCOMPARE(list(*dlg, "difficultyList")->currentIndex(), -1);
        // Without a duration a confirmation keeps the level, which only confirmations set.
        click(*dlg, "Custom");
        click(*dlg, "OK");
        QCOMPARE(dlg->levelSelection().gameLevel, 0);
        QCOMPARE(store->read("Game Level", ""), QString("0"));
        QCOMPARE(store->read("Time Attack", ""), QString("-1"));
    }

    void switchingModesRemembersAFixedDifficulty() {
        store->write("Game Level", "7");
        store->write("Difficulty Level", "1");
        auto dlg = shownDialog();
        QComboBox* difficulty = list(*dlg, "difficultyList");
        QCOMPARE(difficulty->currentText(), QString("Custom"));

        click(*dlg, "Time Attack");
        QCOMPARE(difficulty->currentText(), QString("Beginner"));
        click(*dlg, "Custom");
        QCOMPARE(difficulty->currentText(), QString("Custom"));

        click(*dlg, "Get'em All (Demo)");
        difficulty->setCurrentIndex(5);
        click(*dlg, "Custom");
        QCOMPARE(difficulty->currentText(), QString("Custom"));
        difficulty->setCurrentIndex(0);
        click(*dlg, "Time Attack");
        QCOMPARE(difficulty->currentText(), QString("Auto"));

        // Clicking the ticked mode again keeps exactly that one ticked.
        click(*dlg, "Time Attack");
        QVERIFY(button(*dlg, "Time Attack")->isChecked());
        QVERIFY(!button(*dlg, "Custom")->isChecked() && !button(*dlg, "Get'em All (Demo)")->isChecked());
    }

    void eachButtonPostsItsMessagesInOrder_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Posted>("expected");
        QTest::addColumn<Mode>("modeAfter");
        QTest::addColumn<bool>("visibleAfter");
        QTest::newRow("demo") << "Get'em All (Demo)" << Posted{{WM_SET_SETTINGS_MODE, 0}} << Mode::Demo
                              << true;
        QTest::newRow("time attack") << "Time Attack" << Posted{{WM_SET_SETTINGS_MODE, 0}} << Mode::TimeAttack
                                     << true;
        QTest::newRow("custom") << "Custom" << Posted{{WM_SET_SETTINGS_MODE, 1}, {WM_SYNC_ONE_SHOT, 0}}
                                << Mode::Custom << true;
        QTest::newRow("settings") << "Settings"
                                  << Posted{{WM_SET_SETTINGS_MODE, 1},
                                            {WM_SYNC_ONE_SHOT, 0},
                                            {WM_SHOW_SETTINGS, 0}}
                                  << Mode::Custom << true;
        QTest::newRow("copy current")
            << "Copy Current" << Posted{{WM_SYNC_ONE_SHOT, 1}, {WM_SET_SETTINGS_MODE, 2}} << Mode::Custom
            << true;
        QTest::newRow("best scores") << "Best Scores" << Posted{{WM_SHOW_BEST_SCORES, 0}} << Mode::TimeAttack
                                     << true;
        QTest::newRow("ok") << "OK" << Posted{{WM_START_GAME, 0}} << Mode::TimeAttack << false;
        QTest::newRow("cancel") << "Cancel" << Posted{{WM_DIALOG_CLOSED, 0}} << Mode::TimeAttack << false;
    }
    void eachButtonPostsItsMessagesInOrder() {
        QFETCH(QString, text);
        QFETCH(Posted, expected);
        QFETCH(Mode, modeAfter);
        QFETCH(bool, visibleAfter);
        store->write("Game Level", "2");
        auto dlg = shownDialog();

        click(*dlg, text);
        QCOMPARE(posted(), expected);
        QCOMPARE(dlg->mode(), modeAfter);
        QCOMPARE(dlg->isVisible(), visibleAfter);
    }

    void nothingClosesTheDialogWhileItsSettingsAreOpen() {
        auto dlg = shownDialog();
        QAbstractButton* focusable = button(*dlg, "Free Paddle");
        click(*dlg, "Settings");
        posted();
        QVERIFY(dlg->levelSelection().settingsOpen);
        for (const char* text : {"OK", "Cancel", "Settings"}) {
            QVERIFY(!button(*dlg, text)->isEnabled());
        }

        QTest::keyClick(focusable, Qt::Key_Return);
        QTest::keyClick(focusable, Qt::Key_Escape);
        dlg->accept();
        dlg->close();
        QVERIFY(dlg->isVisible());
        QCOMPARE(posted(), Posted{});

        dlg->settingsClosed();
        QCOMPARE(posted(), (Posted{{WM_SYNC_ONE_SHOT, 0}}));
        for (const char* text : {"OK", "Cancel", "Settings"}) {
            QVERIFY(button(*dlg, text)->isEnabled());
        }
        QTest::keyClick(focusable, Qt::Key_Return);
        QCOMPARE(posted(), (Posted{{WM_START_GAME, 0}}));
        QVERIFY(dlg->isHidden());

        // Shown again as it was left; the close box then cancels.
        dlg->show();
        QVERIFY(QTest::qWaitForWindowExposed(dlg.get()));
        QCOMPARE(dlg->mode(), Mode::Custom);
        dlg->close();
        QCOMPARE(posted(), (Posted{{WM_DIALOG_CLOSED, 0}}));
    }

    void okSavesTheLevelKeysAndBestScoresDoesNot() {
        auto dlg = shownDialog();
        click(*dlg, "Custom");
        list(*dlg, "durationList")->setCurrentIndex(4);
        list(*dlg, "difficultyList")->setCurrentIndex(1);
        click(*dlg, "Vulnerable Paddle");
        click(*dlg, "Specify Pain/Stiffness Level");
        click(*dlg, "Ask For Selecting Objects");
        dlg->setOneShot(true);

        click(*dlg, "Best Scores");
        QCOMPARE(dlg->levelSelection().gameLevel, 10);
        QCOMPARE(store->read("Game Level", "absent"), QString("absent"));

        click(*dlg, "OK");
        const LevelSelection s = dlg->levelSelection();
        QCOMPARE(s.difficulty, 1);
        QVERIFY(s.oneShot && s.vulnerablePaddle && s.askPainStiffness && !s.askObjects && !s.freePaddle);
        const std::pair<const char*, const char*> stored[] = {
            {"Game Level", "10"}, {"Time Attack", "4"},       {"Difficulty Level", "1"},
            {"One Shot", "1"},    {"Vulnerable Paddle", "1"}, {"Paddle Moves", "0"},
            {"Pain Level", "1"},  {"Ask For Objects", "0"},
        };
        for (const auto& [key, value] : stored) {
            QCOMPARE(store->read(key, "absent"), QString(value));
        }
    }
};

VAZAZO_TEST(TestNewGameDlg)
#include "test_NewGameDlg.moc"
