#include "support/TestMain.h"
#include "dialogs/PopUpDlg.h"

#include <QLabel>
#include <QtTest>

class TestPopUpDlg : public QObject {
    Q_OBJECT

private slots:
    void itFirstAsksForThePainIntensity() {
        PopUpDlg dlg;
        QCOMPARE(dlg.windowTitle(), QString("Instructions"));
        QCOMPARE(dlg.text(),
                 QString("Please indicate your intensity of pain at this time on the thermometer by moving "
                         "the cursor with the mouse and clicking the left mouse button"));
        QCOMPARE(dlg.font().pointSize(), 16);
        QVERIFY(dlg.findChild<QLabel*>()->wordWrap());
    }

    void setTextReplacesTheInstructionOnScreen() {
        PopUpDlg dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        const QSize size = dlg.size();
        const QString stiffness =
            "Please indicate intensity of stiffness at this time on the thermometer by moving "
            "the cursor with the mouse and clicking the left mouse button";
        dlg.setText(stiffness);
        QCOMPARE(dlg.text(), stiffness);
        QCOMPARE(dlg.findChild<QLabel*>()->text(), stiffness);
        QCOMPARE(dlg.size(), size);
    }

    void theWholeInstructionFitsTheWindow() {
        PopUpDlg dlg;
        dlg.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dlg));
        auto* label = dlg.findChild<QLabel*>();
        QVERIFY(label->heightForWidth(label->width()) <= label->height());
    }
};

VAZAZO_TEST(TestPopUpDlg)
#include "test_PopUpDlg.moc"
