#include "support/TestMain.h"
#include "dialogs/ProgDlg.h"

#include <QProgressBar>
#include <QtTest>

class TestProgDlg : public QObject {
    Q_OBJECT

private slots:
    void eachStepAdvancesTheBarUpToTheEndAndOnlyItsOwnerTakesItAway() {
        ProgDlg dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        dlg.setRange(0, 4);
        dlg.setPos(0);
        auto* bar = dlg.findChild<QProgressBar*>();
        for (int step = 1; step <= 5; ++step) {
            dlg.stepIt();
            QCOMPARE(bar->value(), std::min(step, 4));
        }
        QCOMPARE(dlg.pos(), 4);
        QVERIFY(!(dlg.windowFlags() & Qt::WindowCloseButtonHint));
        QVERIFY(!dlg.close());
        QTest::keyClick(&dlg, Qt::Key_Escape);
        QVERIFY(dlg.isVisible());
    }
};

VAZAZO_TEST(TestProgDlg)
#include "test_ProgDlg.moc"
