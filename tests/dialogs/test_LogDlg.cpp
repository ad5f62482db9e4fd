#include "support/TestMain.h"
#include "dialogs/LogDlg.h"

#include <QThread>
#include <QtTest>

#include <set>
#include <thread>
#include <vector>

class TestLogDlg : public QObject {
    Q_OBJECT

private slots:
    void init() { GameLog::setTimeSource([] { return std::optional<QTime>(QTime(9, 3, 7)); }); }
    void cleanup() { GameLog::setTimeSource({}); }

    // Each entry also goes to standard error as one stamped line.
    void eachLineBeginsWithItsTimeStampAndAMessageEndingInNewlineLeavesAGap() {
        QStringList echoed;
        GameLog::setEcho([&](const QString& line) { echoed << line; });
        // Lines logged before the log exists, from any thread, appear when it is created.
        appendLog("Could not open file with objects!\n");
        std::thread worker([] { appendLog("Connection reset by peer.\nA existing connection was forcibly closed"); });
        worker.join();
        // They keep the time they were logged at.
        GameLog::setTimeSource([] { return std::optional<QTime>(); });
        LogDlg log;
        appendLog("no clock");
        GameLog::setEcho(GameLog::standardErrorEcho);
        QCOMPARE(log.plainText(), QString("09:03.07 Could not open file with objects!\n\n09:03.07 Connection reset by "
                                          "peer.\nA existing connection was forcibly closed\n0-1:0-1.0-1 no clock\n"));
        QCOMPARE(echoed, QStringList({"09:03.07 Could not open file with objects!",
                                      "09:03.07 Connection reset by peer. | A existing connection was forcibly closed",
                                      "0-1:0-1.0-1 no clock"}));
    }

    void linesAppendedWhileHiddenOrClosedAreAllThereWhenTheLogIsShown() {
        LogDlg log;
        for (int i = 0; i < 200; ++i) {
            appendLog(QString("line %1").arg(i));
        }
        log.show();
        QVERIFY(QTest::qWaitForWindowExposed(&log));
        const QStringList lines = log.plainText().split('\n', Qt::SkipEmptyParts);
        QVERIFY(lines.size() == 200 && lines.last() == "09:03.07 line 199");
        QVERIFY(log.close());
        appendLog("while closed");
        QVERIFY(log.plainText().endsWith("line 199\n09:03.07 while closed\n"));
    }

    void linesFromManyThreadsReachTheFieldOnlyThroughTheWindowThreadAllAndInOrder() {
        LogDlg log;
        std::set<QThread*> appendingThreads;
        connect(&log, &LogDlg::lineAppended, &log, [&] { appendingThreads.insert(QThread::currentThread()); },
                Qt::DirectConnection);
        constexpr int threadCount = 4;
        constexpr int linesPerThread = 250;
        std::vector<std::thread> workers;
        for (int t = 0; t < threadCount; ++t) {
            workers.emplace_back([t] {
                for (int i = 0; i < linesPerThread; ++i) {
                    appendLog(QString("t%1 %2").arg(t).arg(i));
                }
            });
        }
        for (std::thread& worker : workers) {
            worker.join();
        }
        // The workers are done, yet the field has not been touched: their lines wait in the queue.
        QCOMPARE(log.plainText(), QString());
        appendLog("main");
        QTRY_COMPARE(log.plainText().count('\n'), threadCount * linesPerThread + 1);
        QCOMPARE(appendingThreads, std::set<QThread*>{QThread::currentThread()});
        std::vector<int> next(threadCount, 0);
        for (const QString& line : log.plainText().split('\n', Qt::SkipEmptyParts)) {
            const QStringList parts = line.split(' ');
            if (parts.at(1) != "main") {
                QCOMPARE(parts.at(2).toInt(), next[parts.at(1).mid(1).toInt()]++);
            }
        }
    }
};

VAZAZO_TEST(TestLogDlg)
#include "test_LogDlg.moc"
