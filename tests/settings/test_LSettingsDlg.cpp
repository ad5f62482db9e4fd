#include "support/TestMain.h"
#include "settings/LSettingsDlg.h"

#include "settings/SettingsStore.h"
#include "settings/TabClassicalLearning.h"
#include "settings/TabDataCollection.h"
#include "support/DialogFixture.h"
#include "support/ShownDialog.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using Threshold = TabClassicalLearning::Threshold;
using namespace WindowMessages;

namespace {
template <typename Button> Button* find(const QWidget& dlg, const QString& text) {
    for (Button* b : dlg.findChildren<Button*>()) {
        if (b->text() == text) {
            return b;
        }
    }
    return nullptr;
}

QStringList checkedRadios(const QWidget& dlg) {
    QStringList checked;
    for (QRadioButton* r : dlg.findChildren<QRadioButton*>()) {
        if (r->isChecked()) {
            checked << r->text();
        }
    }
    checked.sort();
    return checked;
}

QLineEdit* edit(const QWidget& dlg, const char* name) {
    return dlg.findChild<QLineEdit*>(name);
}
QString shown(const QWidget& dlg, const char* name) {
    return edit(dlg, name)->text();
}

void click(const QWidget& dlg, const QString& text) {
    QAbstractButton* button = find<QAbstractButton>(dlg, text);
    QVERIFY2(button != nullptr, qPrintable(text));
    // Radio buttons and check boxes take clicks only on their indicator and label.
    const int middle = button->height() / 2;
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(middle, middle));
}

void retype(QLineEdit* field, const QString& text) {
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, text);
}

// Every control away from the defaults, through the mouse and keyboard.
void editEverything(const QWidget& dlg) {
    click(dlg, "Save to a file");
    retype(edit(dlg, "averagingInterval"), "250 ms");
    click(dlg, "Collect coordinates");
    click(dlg, "Experimental");
    QTabBar* bar = dlg.findChild<QTabBar*>();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
    click(dlg, "time for which target lived");
    retype(edit(dlg, "pm1Lower"), "1");
    retype(edit(dlg, "pm1Upper"), "3.5");
    retype(edit(dlg, "pm2Lower"), "abc");
    retype(edit(dlg, "pm2Upper"), "900");
}
} // namespace

class TestLSettingsDlg : public QObject, private DialogFixture {
    Q_OBJECT

private:
    std::unique_ptr<LSettingsDlg> openDialog() {
        return ::shownDialog<LSettingsDlg>(*store, mainWindow.get());
    }

private slots:
    void init() { QVERIFY(setUp()); }
    void cleanup() { tearDown(); }

    void anEmptyStoreShowsTheDefaults() {
        LSettingsDlg dlg(*store, mainWindow.get());
        QVERIFY(!dlg.isVisible() && !dlg.isModal());
        QCOMPARE(dlg.windowTitle(), QString("Settings for Learning"));
        auto* tabs = dlg.findChild<QTabWidget*>();
        QCOMPARE(tabs->count(), 2);
        QCOMPARE(tabs->tabText(0), QString("Data collection"));
        QCOMPARE(tabs->tabText(1), QString("Classical Learning"));

        QCOMPARE(checkedRadios(dlg), QStringList({"Classical learning", "Do not collect any statistics",
                                                  "distance travelled by the target"}));
        QCOMPARE(shown(dlg, "averagingInterval"), QString("5000"));
        QVERIFY(!dlg.dataCollection().collectCoordinates());
        QCOMPARE(QStringList({shown(dlg, "pm1Lower"), shown(dlg, "pm1Upper"), shown(dlg, "pm2Lower"),
                              shown(dlg, "pm2Upper")}),
                 QStringList({"0", "2.5", "0.333", "0.666"}));
        QCOMPARE(dlg.dataCollection().dataCollectionState(), 1036);
        QCOMPARE(dlg.dataCollection().learningMethod(), 1039);
        QCOMPARE(dlg.classicalLearning().measureChoice(), 1050);
    }

    void storedCodesOfNoButtonSelectNoneAndSaveZero_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("stored");
        QTest::newRow("state 7") << "Data Collection State"
                                 << "7";
        QTest::newRow("method not a number") << "Data Collection Learning Method"
                                             << "abc";
        QTest::newRow("measure 0") << "Classical Learning Distance/Time"
                                   << "0";
    }
    void storedCodesOfNoButtonSelectNoneAndSaveZero() {
        QFETCH(QString, key);
        QFETCH(QString, stored);
        store->write(key, stored);
        auto dlg = openDialog();
        QCOMPARE(checkedRadios(*dlg).size(), 2);
        // Reloading after a choice in every set clears the unmatched set again.
        editEverything(*dlg);
        click(*dlg, "Cancel");
        QCOMPARE(checkedRadios(*dlg).size(), 2);
        dlg->show();
        click(*dlg, "OK");
        QCOMPARE(store->read(key, "absent"), QString("0"));
        dlg = openDialog();
        QCOMPARE(checkedRadios(*dlg).size(), 2);
    }

    void okStoresWhatIsShownUnderThePlainKeys() {
        store->write("Custom Gun Speed", "3");
        auto dlg = openDialog();
        editEverything(*dlg);
        click(*dlg, "OK");
        QVERIFY(!dlg->isVisible());
        QTRY_COMPARE(mainWindow->count(WM_DIALOG_CLOSED), 1);

        const QStringList keys{"Data Collection State",
                               "Data Collection Averaging Time",
                               "Data Collection Coordinates",
                               "Data Collection Learning Method",
                               "Classical Learning Distance/Time",
                               "Classical Learning PM1 Lower",
                               "Classical Learning PM1 Upper",
                               "Classical Learning PM2 Lower",
                               "Classical Learning PM2 Upper"};
        QStringList values;
        for (const QString& key : keys) {
            values << store->read(key, "absent");
        }
        QCOMPARE(values, QStringList({"1035", "250 ms", "true", "1041", "1051", "1", "3.5", "abc", "900"}));
        QFile file(store->fileName());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll().count("Custom"), 1);

        dlg = openDialog();
        QCOMPARE(checkedRadios(*dlg),
                 QStringList({"Experimental", "Save to a file", "time for which target lived"}));
        QCOMPARE(shown(*dlg, "averagingInterval"), QString("250 ms"));
        QVERIFY(dlg->dataCollection().collectCoordinates());
        QCOMPARE(shown(*dlg, "pm2Lower"), QString("abc"));
    }

    void theModulesReadTheControlsBeforeAnyOk() {
        auto dlg = openDialog();
        editEverything(*dlg);
        const TabDataCollection& data = dlg->dataCollection();
        QCOMPARE(data.dataCollectionState(), 1035);
        QCOMPARE(data.averagingText(), QString("250 ms"));
        QCOMPARE(data.averagingMs(), 250);
        QCOMPARE(data.learningMethod(), 1041);
        const TabClassicalLearning& classical = dlg->classicalLearning();
        QVERIFY(!classical.useDistance());
        QCOMPARE(classical.threshold(Threshold::PM1Upper), 3.5);
        QCOMPARE(classical.threshold(Threshold::PM2Lower), 0.0);
        retype(edit(*dlg, "averagingInterval"), "soon");
        QCOMPARE(data.averagingMs(), 0);
        QCOMPARE(store->read("Data Collection State", "absent"), QString("absent"));
    }

    void cancelEscapeAndTheCloseBoxDropTheEdits_data() {
        QTest::addColumn<int>("how");
        QTest::newRow("Cancel") << 0;
        QTest::newRow("Escape") << 1;
        QTest::newRow("close box") << 2;
    }
    void cancelEscapeAndTheCloseBoxDropTheEdits() {
        QFETCH(int, how);
        store->write("Data Collection State", "1034");
        store->write("Classical Learning PM1 Lower", "0.5");
        auto dlg = openDialog();
        editEverything(*dlg);
        if (how == 0) {
            click(*dlg, "Cancel");
        } else if (how == 1) {
            // A page swallows Escape so it never closes itself; on the dialog it cancels.
            QTest::keyClick(edit(*dlg, "pm2Upper"), Qt::Key_Escape);
            QVERIFY(dlg->isVisible());
            QTest::keyClick(dlg.get(), Qt::Key_Escape);
        } else {
            dlg->close();
        }
        QVERIFY(!dlg->isVisible());
        QTRY_COMPARE(mainWindow->count(WM_DIALOG_CLOSED), 1);
        // The pages hold the stored values again before the main window hears of it.
        QCOMPARE(checkedRadios(*dlg), QStringList({"Classical learning", "Use internet connection",
                                                   "distance travelled by the target"}));
        QCOMPARE(dlg->dataCollection().averagingText(), QString("5000"));
        QCOMPARE(shown(*dlg, "pm1Lower"), QString("0.5"));
        QCOMPARE(store->read("Data Collection Averaging Time", "absent"), QString("absent"));
    }
};

VAZAZO_TEST(TestLSettingsDlg)
#include "test_LSettingsDlg.moc"
