#include "support/TestMain.h"
#include "dialogs/ProgDlg.h"

#include <QProgressBar>
#include <QtTest>

// The window a long task shows.
class TestSmallDlgs : public QObject {
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
        QVERIFY(dlg.pos() == 4 && !(dlg.windowFlags() & Qt::WindowCloseButtonHint) && !dlg.close());
        QTest::keyClick(&dlg, Qt::Key_Escape);
        QVERIFY(dlg.isVisible());
    }
};

VAZAZO_TEST(TestSmallDlgs)
#include "test_SmallDlgs.moc"
