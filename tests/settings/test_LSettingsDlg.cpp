#include "support/TestMain.h"
#include "settings/LSettingsDlg.h"

#include "settings/TabClassicalLearning.h"
#include "settings/TabDataCollection.h"
#include "support/DialogFixture.h"
#include "support/FindControl.h"
#include "support/ShownDialog.h"

#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabBar>
#include <QtTest>

using Threshold = TabClassicalLearning::Threshold;
using namespace WindowMessages;

namespace {

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

void retype(QLineEdit* field, const QString& text) {
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, text);
}

// Every control away from the defaults, through the mouse and keyboard.
void editEverything(const QWidget& dlg) {
    clickButton(dlg, "Save to a file");
    retype(edit(dlg, "averagingInterval"), "250 ms");
    clickButton(dlg, "Collect coordinates");
    retype(edit(dlg, "scoreServer"), " scores.example:8081 ");
    retype(edit(dlg, "scoreServerCertificate"), " /etc/lab/score-server.pem ");
    clickButton(dlg, "Experimental");
    QTabBar* bar = dlg.findChild<QTabBar*>();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
    clickButton(dlg, "time for which target lived");
    retype(edit(dlg, "pm1Lower"), "1");
    retype(edit(dlg, "pm1Upper"), "3.5");
    retype(edit(dlg, "pm2Lower"), "abc");
    retype(edit(dlg, "pm2Upper"), "900");
}
} // namespace

class TestLSettingsDlg : public QObject, private DialogFixture {
    Q_OBJECT

private slots:
    void init() { QVERIFY(setUp()); }
    void cleanup() { tearDown(); }

    void storedCodesOfNoButtonSelectNoneAndSaveZero() {
        const QStringList keys{"Data Collection State", "Data Collection Learning Method",
                               "Classical Learning Distance/Time"};
        store->write(keys[0], "7");
        store->write(keys[1], "abc");
        store->write(keys[2], "0");
        auto dlg = shownDialog<LSettingsDlg>(*store, mainWindow.get());
        QCOMPARE(checkedRadios(*dlg), QStringList());
        // Reloading after a choice in every set clears the unmatched sets again.
        editEverything(*dlg);
        clickButton(*dlg, "Cancel");
        QCOMPARE(checkedRadios(*dlg), QStringList());
        dlg->show();
        clickButton(*dlg, "OK");
        QCOMPARE(stored(keys), QStringList({"0", "0", "0"}));
    }

    // The modules read the pages at once; only OK stores them, in one rewrite, under the plain keys.
    // A random participant id is made once; a typed code of 1 to 64 printable characters replaces it,
    // anything else leaves the one in force.
    void theParticipantIdIsMadeOnceAndOnlyAValidCodeReplacesIt() {
        auto dlg = shownDialog<LSettingsDlg>(*store, mainWindow.get());
        QLineEdit* field = edit(*dlg, "participantId");
        const QString made = store->read("Participant Id", "");
        QVERIFY(TabDataCollection::isValidParticipantId(made) && field->text() == made);
        QCOMPARE(shownDialog<LSettingsDlg>(*store, mainWindow.get())->dataCollection().participantId(), made);

        retype(field, "  ");
        clickButton(*dlg, "OK");
        QVERIFY(store->read("Participant Id", "") == made && field->text() == made);

        // Control characters cannot be typed in; the field stops at 64 characters.
        retype(field, QString("lab\tB-07") + QString(80, QChar('x')));
        QVERIFY(field->text().size() == 64 && !field->text().contains('\t'));
        retype(field, "Lab B / 07 (Mo)");
        clickButton(*dlg, "OK");
        QCOMPARE(store->read("Participant Id", ""), QString("Lab B / 07 (Mo)"));

        // A damaged stored value is replaced by a new random id.
        store->write("Participant Id", "bad\nid");
        const QString fresh = TabDataCollection::ensureParticipantId(*store);
        QVERIFY(fresh != made && TabDataCollection::isValidParticipantId(fresh));
        QVERIFY(!TabDataCollection::isValidParticipantId(QString(65, QChar('a'))) &&
                TabDataCollection::isValidParticipantId(QString(64, QChar('a'))));
    }

    void editsTakeEffectAtOnceAndOnlyOkStoresThem() {
        store->write("Classical Learning PM1 Lower", "0.5");
        store->write("Data Collection State", "1034");
        const QStringList storedRadios{"Classical learning", "Use internet connection",
                                       "distance travelled by the target"};
        int rewrites = 0;
        int closed = 0;
        for (const QString how : {"Cancel", "Escape", "close box", "OK"}) {
            auto dlg = shownDialog<LSettingsDlg>(*store, mainWindow.get());
            QCOMPARE(checkedRadios(*dlg), storedRadios);
            editEverything(*dlg);
            const TabDataCollection& data = dlg->dataCollection();
            const TabClassicalLearning& classical = dlg->classicalLearning();
            QVERIFY(data.dataCollectionState() == 1035 && data.learningMethod() == 1041 &&
                    !classical.useDistance() && data.averagingMs() == 250 &&
                    classical.threshold(Threshold::PM1Upper) == 3.5 &&
                    classical.threshold(Threshold::PM2Lower) == 0.0);
            rewrites = store->diskWrites();
            if (how == "Escape") {
                // A page swallows Escape so it never closes itself; on the dialog it cancels.
                QTest::keyClick(edit(*dlg, "pm2Upper"), Qt::Key_Escape);
                QVERIFY(dlg->isVisible());
                QTest::keyClick(dlg.get(), Qt::Key_Escape);
            } else if (how == "close box") {
                dlg->close();
            } else {
                clickButton(*dlg, how);
            }
            ++closed;
            QVERIFY(!dlg->isVisible());
            QTRY_COMPARE(mainWindow->count(WM_DIALOG_CLOSED), closed);
            if (how != "OK") {
                // The pages hold the stored values again before the main window hears of it.
                QVERIFY(store->diskWrites() == rewrites && checkedRadios(*dlg) == storedRadios &&
                        !data.collectCoordinates());
                QCOMPARE(QStringList({edit(*dlg, "pm1Lower")->text(), data.averagingText(),
                                      data.scoreServer(), data.scoreServerCertificate()}),
                         QStringList({"0.5", "5000", "localhost:8080", ""}));
            }
        }
        QCOMPARE(store->diskWrites() - rewrites, 1);
        QCOMPARE(stored({"Data Collection State", "Data Collection Averaging Time",
                         "Data Collection Coordinates", "Data Collection Learning Method",
                         "Classical Learning Distance/Time", "Classical Learning PM1 Lower",
                         "Classical Learning PM1 Upper", "Classical Learning PM2 Lower",
                         "Classical Learning PM2 Upper", "Score Server", "Score Server Certificate"}),
                 QStringList({"1035", "250 ms", "true", "1041", "1051", "1", "3.5", "abc", "900",
                              "scores.example:8081", "/etc/lab/score-server.pem"}));
    }

    // A chooser that stays open or comes twice is closed, so the test fails instead of hanging.
    void browsingForTheServerCertificateFillsItsField() {
        const QString pem = dir->filePath("lab.pem");
        QVERIFY(QFile(pem).open(QIODevice::WriteOnly));
        auto dlg = shownDialog<LSettingsDlg>(*store, mainWindow.get());
        ModalAnswerer answerer([&](QWidget* modal) {
            if (auto* chooser = qobject_cast<QFileDialog*>(modal); chooser && answerer.answered == 1) {
                chooser->findChild<QLineEdit*>("fileNameEdit")->setText(pem);
                QMetaObject::invokeMethod(chooser, "accept");
            } else {
                modal->close();
            }
        });
        clickButton(*dlg, "Browse...");
        clickButton(*dlg, "OK");
        QVERIFY(answerer.answered == 1 && stored({"Score Server Certificate"}) == QStringList{pem});
    }
};

VAZAZO_TEST(TestLSettingsDlg)
#include "test_LSettingsDlg.moc"
