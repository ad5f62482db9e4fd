#include "support/TestMain.h"
#include "dialogs/PopUpDlg.h"
#include "dialogs/ProgDlg.h"

#include <QLabel>
#include <QProgressBar>
#include <QtTest>

// The two small windows a long task or an experiment shows.
class TestSmallDlgs : public QObject {
    Q_OBJECT

private slots:
    void aNewInstructionReplacesTheOldOneWithinTheSameWindow() {
        PopUpDlg dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        const QSize size = dlg.size();
        auto* label = dlg.findChild<QLabel*>();
        // The whole instruction fits, wrapped.
        QVERIFY(label->heightForWidth(label->width()) <= label->height());
        const QString stiffness =
            "Please indicate intensity of stiffness at this time on the thermometer by moving "
            "the cursor with the mouse and clicking the left mouse button";
        dlg.setText(stiffness);
        QCOMPARE(dlg.size(), size);
        QVERIFY(label->heightForWidth(label->width()) <= label->height());
    }

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
        QVERIFY(!(dlg.windowFlags() & Qt::WindowCloseButtonHint) && !dlg.close());
        QTest::keyClick(&dlg, Qt::Key_Escape);
        QVERIFY(dlg.isVisible());
    }
};

VAZAZO_TEST(TestSmallDlgs)
#include "test_SmallDlgs.moc"
