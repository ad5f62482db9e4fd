#include "support/TestMain.h"
#include "core/FatalError.h"

#include <QtTest>

#include <new>

class TestFatalError : public QObject {
    Q_OBJECT
private slots:
    void cleanup() {
        FatalError::setHandler({});
        std::set_new_handler(nullptr);
    }

    void anAllocationFailureReportsLowMemory() {
        QStringList messages;
        FatalError::setHandler([&](const QString& message) { messages << message; });
        FatalError::installLowMemoryHandler();
        bool threw = false;
        try {
            // Far beyond any address space, so the allocator must fail.
            void* p = ::operator new (std::size_t{1} << 62);
            ::operator delete(p);
        } catch (const std::bad_alloc&) {
            threw = true;
        }
        QVERIFY(threw);
        QCOMPARE(messages, QStringList({"Low memory!"}));
    }

    void aReplacedHandlerSeesEveryMessageFromAnyThread() {
        QStringList messages;
        std::mutex lock;
        FatalError::setHandler([&](const QString& message) {
            std::lock_guard guard(lock);
            messages << message;
        });
        std::thread worker([] { FatalError::exitWith(FatalError::clockUnreadable); });
        worker.join();
        QCOMPARE(messages, QStringList({"Cannot read current time!"}));
    }
};

VAZAZO_TEST(TestFatalError)
#include "test_FatalError.moc"
