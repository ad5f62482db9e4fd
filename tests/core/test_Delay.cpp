#include "support/TestMain.h"
#include "core/Delay.h"

#include "support/MessageRecorder.h"
#include "support/Waiting.h"

#include <QtTest>

class TestDelay : public QObject {
    Q_OBJECT
private slots:
    void aDelayPostsItsMessageOnceAfterThePauseUnlessStopped() {
        MessageRecorder window;
        Delay delay;
        delay.set(&window, 0x800A, 150);
        QElapsedTimer timer;
        timer.start();
        delay.startIfIdle();
        QVERIFY(waitUntil([&] { return window.count(0x800A) == 1; }));
        QVERIFY(timer.elapsed() >= 150);
        QCOMPARE(window.received.front().wParam + window.received.front().lParam, 0);
        QVERIFY(waitUntil([&] { return !delay.running; }));
        QTest::qWait(50);
        QCOMPARE(window.count(0x800A), 1);

        delay.set(&window, 0x800A, 5000);
        delay.startIfIdle();
        timer.restart();
        delay.stopAndWait();
        QVERIFY(timer.elapsed() < 2000);
        QCoreApplication::processEvents();
        QCOMPARE(window.count(0x800A), 1);
    }
};

VAZAZO_TEST(TestDelay)
#include "test_Delay.moc"
