#include "support/TestMain.h"
#include "render/Timer.h"

#include "core/WindowMessages.h"

#include "support/MessageRecorder.h"

#include <QtTest>

class TestTimer : public QObject {
    Q_OBJECT
private slots:
    void theCountdownShowsMinutesAndTwoDigitSeconds() {
        QCOMPARE(Timer::text(65000), QString("1:05"));
        QCOMPARE(Timer::text(600000), QString("10:00"));
        QCOMPARE(Timer::text(9999), QString("0:09"));
        QCOMPARE(Timer::text(42000.9), QString("0:42"));
        QCOMPARE(Timer::text(0), QString("0:00"));
    }

    void onlyANegativeRemainderEndsTheCountdownAndSaysSoOnce() {
        MessageRecorder window;
        Timer timer(&window);
        timer.start(1000.0, 31000.0);
        QVERIFY(!timer.advance(31000.0));
        QVERIFY(!timer.advance(32000.0)); // exactly 0 left
        QVERIFY(timer.running);
        QVERIFY(timer.advance(32000.5));
        QVERIFY(!timer.running);
        QCOMPARE(timer.remaining, 0.0);
        QVERIFY(!timer.advance(40000.0));
        QCoreApplication::processEvents();
        QCOMPARE(window.count(WindowMessages::WM_TIME_UP), 1);
    }
};

VAZAZO_TEST(TestTimer)
#include "test_Timer.moc"
