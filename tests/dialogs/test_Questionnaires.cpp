#include "core/Log.h"
#include "dialogs/ObjectsDlg.h"
#include "dialogs/ThermoHDlg.h"
#include "dialogs/ThermoVDlg.h"
#include "support/TestMain.h"

#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {
void moveTo(Gauge& gauge, QPoint point) {
    QMouseEvent move(QEvent::MouseMove, point, gauge.mapToGlobal(point), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(&gauge, &move);
}

bool logged(const QString& text) {
    for (const GameLog::Line& line : GameLog::takePending()) {
        if (line.text.contains(text)) {
            return true;
        }
    }
    return false;
}
} // namespace

// The thermometers that rate pain and stiffness, and the list of objects to play with.
class TestQuestionnaires : public QObject {
    Q_OBJECT

private slots:
    void theColourRunsFromRedThroughGreenToBlue_data() {
        QTest::addColumn<double>("t");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("0") << 0.0 << QColor(255, 0, 0);
        QTest::newRow("0.125 rounds") << 0.125 << QColor(255, 128, 0);
        QTest::newRow("0.25") << 0.25 << QColor(255, 255, 0);
        QTest::newRow("0.5") << 0.5 << QColor(0, 255, 0);
        QTest::newRow("0.75") << 0.75 << QColor(0, 255, 255);
        QTest::newRow("1") << 1.0 << QColor(0, 0, 255);
    }
    void theColourRunsFromRedThroughGreenToBlue() {
        QFETCH(double, t);
        QFETCH(QColor, colour);
        QCOMPARE(Gauge::colourAt(t), colour);
    }

    void theEdgesRateZeroToAlmostOneAndTheLastMoveStaysWhenClosed_data() {
        QTest::addColumn<bool>("horizontal");
        QTest::addColumn<QString>("closeBy");
        QTest::newRow("stiffness, left click") << true << "left";
        QTest::newRow("stiffness, key") << true << "key";
        QTest::newRow("pain, right click") << false << "right";
        QTest::newRow("pain, close box") << false << "close";
    }
    void theEdgesRateZeroToAlmostOneAndTheLastMoveStaysWhenClosed() {
        QFETCH(bool, horizontal);
        QFETCH(QString, closeBy);
        std::unique_ptr<Gauge> gauge;
        if (horizontal) {
            gauge = std::make_unique<ThermoHDlg>();
        } else {
            gauge = std::make_unique<ThermoVDlg>();
        }
        const int w = gauge->width();
        const int h = gauge->height();
        // Lowest end first, highest end last: the last move is the one that counts.
        const QPoint low = horizontal ? QPoint(0, h / 2) : QPoint(w / 2, h - 1);
        const QPoint high = horizontal ? QPoint(w - 1, h / 2) : QPoint(w / 2, 0);
        double lowLevel = -2.0;
        QTimer::singleShot(0, gauge.get(), [&] {
            QCOMPARE(gauge->level, -1.0);
            moveTo(*gauge, low);
            lowLevel = gauge->level;
            moveTo(*gauge, high);
            if (closeBy == "key") {
                QTest::keyClick(gauge.get(), Qt::Key_A);
            } else if (closeBy == "close") {
                gauge->close();
            } else {
                QTest::mouseClick(gauge.get(), closeBy == "left" ? Qt::LeftButton : Qt::RightButton, {}, high);
            }
        });
        gauge->exec();
        QVERIFY(!gauge->isVisible());
        QCOMPARE(lowLevel, horizontal ? 0.0 : 1.0 / h);
        QCOMPARE(gauge->level, horizontal ? (w - 1.0) / w : 1.0);
    }

    void closedBeforeAnyMoveTheRatingIsMinusOne() {
        ThermoVDlg pain;
        QTimer::singleShot(0, &pain, [&] { QTest::keyClick(&pain, Qt::Key_Space); });
        pain.exec();
        QCOMPARE(pain.level, -1.0);
    }

    void theBarFillsUpToThePointerAndRescalesWithTheWindow() {
        ThermoHDlg stiffness;
        ThermoVDlg pain;
        for (Gauge* gauge : {static_cast<Gauge*>(&stiffness), static_cast<Gauge*>(&pain)}) {
            gauge->show();
            QVERIFY(QTest::qWaitForWindowExposed(gauge));
        }
        const QColor face = stiffness.palette().color(QPalette::Button);
        // Between the lowest label and the numbers along the bottom.
        const int digitsHeight = QFontMetrics(stiffness.textFont()).size(0, "0123456789").height();
        QCOMPARE(stiffness.grab().toImage().pixelColor(1, stiffness.height() - digitsHeight - 2), face);
        for (const QSize size : {stiffness.size(), QSize(500, 200)}) {
            stiffness.resize(size);
            QVERIFY(waitForSize(stiffness, size));
            const int y = size.height() - digitsHeight - 2;
            moveTo(stiffness, {size.width() / 2, y});
            const QImage image = stiffness.grab().toImage();
            QCOMPARE(image.pixelColor(1, y), Gauge::colourAt((size.width() - 1.0) / size.width()));
            QCOMPARE(image.pixelColor(size.width() / 2 - 1, y),
                     Gauge::colourAt((size.width() - size.width() / 2 + 1.0) / size.width()));
            QCOMPARE(image.pixelColor(size.width() / 2 + 1, y), face);
        }
        const int w = pain.width();
        const int h = pain.height();
        QCOMPARE(pain.grab().toImage().pixelColor(w - 1, h - 2), face);
        moveTo(pain, {w / 2, h / 2});
        const QImage image = pain.grab().toImage();
        QCOMPARE(image.pixelColor(w - 1, h - 2), Gauge::colourAt((h - 2.0) / (h - 1)));
        QCOMPARE(image.pixelColor(w - 1, 1), face);
    }

    void theObjectsListSortsTheFileAndConfirmsOrKeepsTheStoredChoice_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("stored");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<int>("index");
        QTest::addColumn<QString>("name");
        QTest::newRow("no file") << QString() << 0 << "OK" << QStringList{"mouse"} << 0 << "mouse";
        QTest::newRow("pen picked") << "pen\ncup\nmouse pad\n" << 0 << "click 3"
                                    << QStringList{"cup", "mouse", "mouse pad", "pen"} << 3 << "pen";
        QTest::newRow("case, empty line, Enter") << "Zebra pad\n\napple\r\n" << 2 << "Enter"
                                                 << QStringList{"", "apple", "mouse", "Zebra pad"} << 2 << "mouse";
        QTest::newRow("stored past the end") << "pen\n" << 7 << "OK" << QStringList{"mouse", "pen"} << 0 << "mouse";
        QTest::newRow("Escape") << "pen\n" << 1 << "Escape" << QStringList{"mouse", "pen"} << 1 << "none";
    }
    void theObjectsListSortsTheFileAndConfirmsOrKeepsTheStoredChoice() {
        QFETCH(QString, file);
        QFETCH(int, stored);
        QFETCH(QString, action);
        QTemporaryDir dir;
        const QString path = dir.filePath("objects.txt");
        if (!file.isNull()) {
            QFile out(path);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(file.toUtf8());
        }
        GameLog::takePending();
        ObjectsDlg dlg(stored, path);
        QCOMPARE(logged("Could not open file with objects!"), file.isNull());
        auto* list = dlg.findChild<QListWidget*>();
        QTimer::singleShot(0, &dlg, [&] {
            if (action.startsWith("click")) {
                const QRect row = list->visualItemRect(list->item(action.mid(6).toInt()));
                QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
                QTest::mouseClick(dlg.findChild<QPushButton*>(), Qt::LeftButton);
            } else if (action == "OK") {
                QTest::mouseClick(dlg.findChild<QPushButton*>(), Qt::LeftButton);
            } else {
                QTest::keyClick(list, action == "Enter" ? Qt::Key_Return : Qt::Key_Escape);
            }
        });
        const int result = dlg.exec();
        QCOMPARE(result, action == "Escape" ? QDialog::Rejected : QDialog::Accepted);
        QTEST(dlg.entries(), "entries");
        QTEST(dlg.selectedIndex, "index");
        QTEST(dlg.selectedName, "name");
    }

private:
    static bool waitForSize(QWidget& widget, QSize size) {
        QElapsedTimer timer;
        timer.start();
        while (widget.size() != size && timer.elapsed() < 5000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        return widget.size() == size;
    }
};

VAZAZO_TEST(TestQuestionnaires)
#include "test_Questionnaires.moc"
