#pragma once

#include <QObject>

#include <functional>
#include <memory>

// Each folder's test classes run in one program. A class registers itself with VAZAZO_TEST; the
// program runs every class, or only the one named as its first argument (the rest of the
// arguments go to QTest, e.g. a single test function).
namespace TestMain {
using Factory = std::function<std::unique_ptr<QObject>()>;
int add(const char* name, Factory factory);
} // namespace TestMain

#define VAZAZO_TEST(Class)                                                                                   \
    [[maybe_unused]] static const int registered##Class =                                                    \
        TestMain::add(#Class, [] { return std::unique_ptr<QObject>(new Class); });
