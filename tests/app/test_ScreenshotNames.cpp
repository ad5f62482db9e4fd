#include "support/TestMain.h"
#include "app/ScreenshotNames.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestScreenshotNames : public QObject {
    Q_OBJECT
private slots:
    void numbersHaveAtLeastFourDigits() {
        QCOMPARE(ScreenshotNames::nameFor(0), QString("screenShot0000.png"));
        QCOMPARE(ScreenshotNames::nameFor(42), QString("screenShot0042.png"));
        QCOMPARE(ScreenshotNames::nameFor(1000), QString("screenShot1000.png"));
        QCOMPARE(ScreenshotNames::nameFor(12345), QString("screenShot12345.png"));
    }

    void filesOfAnEarlierRunAreNeverReused() {
        QTemporaryDir dir;
        for (int n : {0, 1, 3}) {
            QFile file(dir.filePath(ScreenshotNames::nameFor(n)));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        ScreenshotNames names{QDir(dir.path())};
        QCOMPARE(names.next(), dir.filePath("screenShot0002.png"));
        QCOMPARE(names.next(), dir.filePath("screenShot0004.png"));
        QCOMPARE(names.next(), dir.filePath("screenShot0005.png"));
    }
};

VAZAZO_TEST(TestScreenshotNames)
#include "test_ScreenshotNames.moc"
