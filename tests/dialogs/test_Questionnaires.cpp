#include "core/Log.h"
#include "dialogs/ObjectsDlg.h"
#include "dialogs/ThermoHDlg.h"
#include "dialogs/ThermoVDlg.h"
#include "support/TestMain.h"
#include "support/Waiting.h"

#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

// The thermometers that rate pain and stiffness, and the list of objects to play with.
class TestQuestionnaires : public QObject {
    Q_OBJECT

private slots:
    // Each row moves to the low end, then the high end, and closes its own way; "none" never moves.
    // A left click on either gauge, and what each end rates, is the main window's questionnaire test.
    void theLastMoveStaysWhenClosedAndNoMoveRatesNothing_data() {
        QTest::addColumn<bool>("horizontal");
        QTest::addColumn<QString>("closeBy");
        QTest::newRow("stiffness, key") << true << "key";
        QTest::newRow("pain, right click") << false << "right";
        QTest::newRow("pain, close box") << false << "close";
        QTest::newRow("pain, no move") << false << "none";
    }
    void theLastMoveStaysWhenClosedAndNoMoveRatesNothing() {
        QFETCH(bool, horizontal);
        QFETCH(QString, closeBy);
        std::unique_ptr<Gauge> gauge(horizontal ? static_cast<Gauge*>(new ThermoHDlg) : new ThermoVDlg);
        const int w = gauge->width();
        const int h = gauge->height();
        const QPoint high = horizontal ? QPoint(w - 1, h / 2) : QPoint(w / 2, 0);
        gauge->open();
        for (const QPoint point : {horizontal ? QPoint(0, h / 2) : QPoint(w / 2, h - 1), high}) {
            QMouseEvent move(QEvent::MouseMove, point, gauge->mapToGlobal(point), Qt::NoButton, Qt::NoButton, {});
            if (closeBy != "none") {
                QCoreApplication::sendEvent(gauge.get(), &move);
            }
        }
        if (closeBy == "key" || closeBy == "none") {
            QTest::keyClick(gauge.get(), Qt::Key_A);
        } else if (closeBy == "close") {
            gauge->close();
        } else {
            QTest::mouseClick(gauge.get(), Qt::RightButton, {}, high);
        }
        QVERIFY(waitUntil([&] { return !gauge->isVisible(); }));
        QCOMPARE(gauge->level, closeBy == "none" ? -1.0 : horizontal ? (w - 1.0) / w : 1.0);
    }

    void aButtonHeldWhileDraggingOutsideTheWindowKeepsTheRatingOnTheScale() {
        for (const bool horizontal : {true, false}) {
            std::unique_ptr<Gauge> gauge(horizontal ? static_cast<Gauge*>(new ThermoHDlg) : new ThermoVDlg);
            gauge->open();
            QVERIFY(QTest::qWaitForWindowExposed(gauge.get()));
            const QPoint inside(gauge->width() / 2, gauge->height() / 2);
            QTest::mousePress(gauge.get(), Qt::MiddleButton, {}, inside);
            const QSize size = gauge->size();
            for (const auto& [point, level] :
                 {std::pair{QPoint(-300, -300), horizontal ? 0.0 : 1.0},
                  {QPoint(size.width() + 400, size.height() + 400), horizontal ? 1.0 : 0.0},
                  {QPoint(size.width() * 3, -size.height() * 2), 1.0}}) {
                QMouseEvent move(QEvent::MouseMove, point, gauge->mapToGlobal(point), Qt::MiddleButton,
                                 Qt::MiddleButton, Qt::NoModifier);
                QCoreApplication::sendEvent(gauge.get(), &move);
                QCOMPARE(gauge->level, level);
            }
            QTest::mouseRelease(gauge.get(), Qt::MiddleButton, {}, inside);
        }
    }

    void theObjectsListSortsTheFileAndConfirmsOrKeepsTheStoredChoice_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("stored");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("name");
        QTest::newRow("no file") << QString() << 0 << "OK" << QStringList{"mouse"} << 0 << "mouse";
        const QStringList mousePen{"mouse", "pen"};
        QTest::newRow("pen picked") << "pen\ncup\nmouse pad\n" << 0 << "click 3"
                                    << QStringList{"cup", "mouse", "mouse pad", "pen"} << 3 << "pen";
        QTest::newRow("case, empty line, Enter") << "Zebra pad\n\napple\r\n" << 2 << "Enter"
                                                 << QStringList{"", "apple", "mouse", "Zebra pad"} << 2 << "mouse";
        QTest::newRow("stored past the end") << "pen\n" << 7 << "OK" << mousePen << 0 << "mouse";
        QTest::newRow("Escape") << "pen\n" << 1 << "Escape" << mousePen << 1 << "none";
    }
    void theObjectsListSortsTheFileAndConfirmsOrKeepsTheStoredChoice() {
        QFETCH(QString, file);
        QFETCH(int, stored);
        QFETCH(QString, action);
        QTemporaryDir dir;
        QFile out(dir.filePath("objects.txt"));
        QVERIFY(file.isNull() || (out.open(QIODevice::WriteOnly) && out.write(file.toUtf8()) >= 0 && out.flush()));
        GameLog::takePending();
        ObjectsDlg dlg(stored, out.fileName());
        QCOMPARE(GameLog::takePending().size(), size_t(file.isNull() ? 1 : 0));
        auto* list = dlg.findChild<QListWidget*>();
        dlg.open();
        if (action.startsWith("click")) {
            const QRect row = list->visualItemRect(list->item(action.mid(6).toInt()));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
        }
        if (action == "Enter" || action == "Escape") {
            QTest::keyClick(list, action == "Enter" ? Qt::Key_Return : Qt::Key_Escape);
        } else {
            QTest::mouseClick(dlg.findChild<QPushButton*>(), Qt::LeftButton);
        }
        QVERIFY(waitUntil([&] { return !dlg.isVisible(); }));
        QCOMPARE(dlg.result(), action == "Escape" ? QDialog::Rejected : QDialog::Accepted);
        QTEST(dlg.entries(), "entries");
        QTEST(dlg.selectedIndex, "index");
        QTEST(dlg.selectedName, "name");
    }
};

VAZAZO_TEST(TestQuestionnaires)
#include "test_Questionnaires.moc"
