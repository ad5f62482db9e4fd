#include "support/TestMain.h"
#include "dialogs/ProgDlg.h"

#include <QProgressBar>
#include <QtTest>

class TestProgDlg : public QObject {
    Q_OBJECT

private slots:
    void theWindowWaitsWithoutButtonsOrCloseBox() {
        ProgDlg dlg;
        QCOMPARE(dlg.windowTitle(), QString("Please wait.."));
        QVERIFY(!(dlg.windowFlags() & Qt::WindowCloseButtonHint));
        QVERIFY(dlg.windowFlags() & Qt::CustomizeWindowHint);
        QCOMPARE(dlg.findChildren<QProgressBar*>().size(), 1);
        QVERIFY(dlg.width() > dlg.height());
    }

    void eachStepAdvancesTheBarUpToTheEndOfTheRange() {
        ProgDlg dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        dlg.setWindowTitle("Loading sounds..");
        dlg.setRange(0, 4);
        dlg.setPos(0);
        auto* bar = dlg.findChild<QProgressBar*>();
        for (int step = 1; step <= 4; ++step) {
            dlg.stepIt();
            QCOMPARE(dlg.pos(), step);
            QCOMPARE(bar->value(), step);
        }
        dlg.stepIt();
        QCOMPARE(dlg.pos(), 4);
        QCOMPARE(dlg.windowTitle(), QString("Loading sounds.."));
        QCOMPARE(dlg.lower(), 0);
        QCOMPARE(dlg.upper(), 4);
    }

    void neitherCloseNorEscapeTakesTheWindowAway() {
        ProgDlg dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        QVERIFY(!dlg.close());
        QVERIFY(dlg.isVisible());
        QTest::keyClick(&dlg, Qt::Key_Escape);
        QVERIFY(dlg.isVisible());
    }
};

VAZAZO_TEST(TestProgDlg)
#include "test_ProgDlg.moc"
