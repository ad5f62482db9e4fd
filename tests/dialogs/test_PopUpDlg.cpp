#include "support/TestMain.h"
#include "dialogs/PopUpDlg.h"

#include <QLabel>
#include <QtTest>

class TestPopUpDlg : public QObject {
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
        QCOMPARE(label->text(), stiffness);
        QCOMPARE(dlg.size(), size);
        QVERIFY(label->heightForWidth(label->width()) <= label->height());
    }
};

VAZAZO_TEST(TestPopUpDlg)
#include "test_PopUpDlg.moc"
