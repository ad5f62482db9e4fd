#include "support/TestMain.h"
#include "dialogs/LogDlg.h"

#include <QPointer>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextEdit>
#include <QThread>
#include <QtTest>

#include <memory>
#include <thread>
#include <vector>

namespace {
const QTime nineOhThreeSeven(9, 3, 7);

QTextEdit* fieldOf(LogDlg& log) {
    return log.findChild<QTextEdit*>();
}

QString repeated(QChar c, int count) {
    return QString(count, c);
}
} // namespace

class TestLogDlg : public QObject {
    Q_OBJECT

private slots:
    void init() {
        GameLog::setTimeSource([] { return std::optional<QTime>(nineOhThreeSeven); });
    }

    void cleanup() { GameLog::setTimeSource({}); }

    void timeStampHasTwoDigitsForHoursMinutesAndSeconds() {
        QCOMPARE(GameLog::timeStamp(QTime(9, 3, 7)), QString("09:03.07"));
        QCOMPARE(GameLog::timeStamp(QTime(14, 5, 9)), QString("14:05.09"));
        QCOMPARE(GameLog::timeStamp(QTime(0, 0, 0)), QString("00:00.00"));
        QCOMPARE(GameLog::timeStamp(QTime(23, 59, 59)), QString("23:59.59"));
    }

    void anUnknownTimeStampsEachNumberAsMinusOne() {
        QCOMPARE(GameLog::timeStamp(std::nullopt), QString("-1:-1.-1"));

        GameLog::setTimeSource([] { return std::optional<QTime>(); });
        LogDlg log;
        appendLog("no clock");
        QCOMPARE(log.plainText(), QString("-1:-1.-1 no clock\n"));
    }

    void twoMessagesAtTheSameSecondBothBeginWithTheTimeStamp() {
        LogDlg log;
        appendLog("Press 'N' to start a new game");
        appendLog("Using GPU collision detection.");
        QCOMPARE(log.plainText(), QString("09:03.07 Press 'N' to start a new game\n"
                                          "09:03.07 Using GPU collision detection.\n"));
    }

    void aMessageEndingInNewlineLeavesAnEmptyGapLine() {
        LogDlg log;
        appendLog("Could not open file with objects!\n");
        appendLog("next");
        QCOMPARE(log.plainText(), QString("09:03.07 Could not open file with objects!\n\n09:03.07 next\n"));
    }

    void onlyTheMessagesCountTowardsTheAppendedLength() {
        LogDlg log;
        QCOMPARE(log.appendedLength(), 0);
        QCOMPARE(log.textLimit(), 32767);
        appendLog("abc");
        appendLog("");
        appendLog("de\n");
        QCOMPARE(log.appendedLength(), 6);
        QCOMPARE(log.textLimit(), 32767);
    }

    void theLimitRisesBy16384OnceTheMessagesReachIt() {
        LogDlg log;
        appendLog(repeated('a', 32766));
        QCOMPARE(log.textLimit(), 32767);
        appendLog("b");
        QCOMPARE(log.appendedLength(), 32767);
        QCOMPARE(log.textLimit(), 32767 + 16384);
        appendLog(repeated('c', 16383));
        QCOMPARE(log.textLimit(), 32767 + 16384);
        appendLog("d");
        QCOMPARE(log.textLimit(), 32767 + 2 * 16384);

        // Stamps and line ends come on top of the messages, and not one character is cut.
        const QString expected = "09:03.07 " + repeated('a', 32766) + "\n09:03.07 b\n09:03.07 " +
                                 repeated('c', 16383) + "\n09:03.07 d\n";
        QCOMPARE(log.plainText().size(), expected.size());
        QCOMPARE(log.plainText(), expected);
    }

    void linesAppendedWhileHiddenAreAllThereWhenTheLogIsShown() {
        LogDlg log;
        for (int i = 0; i < 200; ++i) {
            appendLog(QString("line %1").arg(i));
        }
        log.show();
        QVERIFY(QTest::qWaitForWindowExposed(&log));
        const QStringList lines = log.plainText().split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 200);
        QCOMPARE(lines.first(), QString("09:03.07 line 0"));
        QCOMPARE(lines.last(), QString("09:03.07 line 199"));
        QScrollBar* bar = fieldOf(log)->verticalScrollBar();
        QTRY_VERIFY(bar->maximum() > 0 && bar->value() == bar->maximum());
    }

    void closingTheLogHidesItAndKeepsItsLines() {
        auto log = std::make_unique<LogDlg>();
        QPointer<LogDlg> watch(log.get());
        appendLog("before closing");
        log->show();
        QVERIFY(QTest::qWaitForWindowExposed(log.get()));
        QVERIFY(log->close());
        QVERIFY(!log->isVisible());
        QCoreApplication::processEvents();
        QVERIFY(!watch.isNull());

        appendLog("while closed");
        log->show();
        QCOMPARE(log->plainText(), QString("09:03.07 before closing\n09:03.07 while closed\n"));
    }

    void aLineFromAWorkerThreadReachesTheFieldOnlyThroughTheWindowThread() {
        LogDlg log;
        QThread* appendingThread = nullptr;
        connect(
            &log, &LogDlg::lineAppended, &log, [&] { appendingThread = QThread::currentThread(); },
            Qt::DirectConnection);

        std::thread worker([] { appendLog("from the worker"); });
        worker.join();
        // The worker has finished, yet the field has not been touched: the line waits in the queue.
        QVERIFY(appendingThread == nullptr);
        QCOMPARE(log.plainText(), QString());

        QTRY_COMPARE(log.plainText(), QString("09:03.07 from the worker\n"));
        QCOMPARE(appendingThread, QThread::currentThread());
    }

    void manyThreadsLoggingAtOnceLoseNoLineAndKeepEachThreadsOrder() {
        LogDlg log;
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
        // The window thread logs too while the workers run.
        appendLog("main");
        for (std::thread& worker : workers) {
            worker.join();
        }
        QTRY_COMPARE(log.plainText().count('\n'), threadCount * linesPerThread + 1);

        std::vector<int> next(threadCount, 0);
        for (const QString& line : log.plainText().split('\n', Qt::SkipEmptyParts)) {
            const QStringList parts = line.split(' ');
            if (parts.at(1) == "main") {
                continue;
            }
            const int t = parts.at(1).mid(1).toInt();
            QCOMPARE(parts.at(2).toInt(), next[t]++);
        }
    }

    void linesLoggedBeforeTheLogExistsAppearWhenItIsCreated() {
        appendLog("early on the window thread");
        std::thread worker([] { appendLog("early on a worker"); });
        worker.join();
        GameLog::setTimeSource([] { return std::optional<QTime>(QTime(14, 5, 9)); });

        LogDlg log;
        QCOMPARE(log.plainText(),
                 QString("09:03.07 early on the window thread\n09:03.07 early on a worker\n"));
        QCOMPARE(log.appendedLength(),
                 QString("early on the window thread").size() + QString("early on a worker").size());
        appendLog("later");
        QVERIFY(log.plainText().endsWith("14:05.09 later\n"));
    }
};

VAZAZO_TEST(TestLogDlg)
#include "test_LogDlg.moc"
