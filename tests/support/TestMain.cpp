#include "support/TestMain.h"

#include <QApplication>
#include <QtTest>

#include <cstring>
#include <vector>

namespace {
struct Entry {
    const char* name;
    TestMain::Factory factory;
};

std::vector<Entry>& entries() {
    static std::vector<Entry> list;
    return list;
}
} // namespace

int TestMain::add(const char* name, Factory factory) {
    entries().push_back({name, std::move(factory)});
    return static_cast<int>(entries().size());
}

int main(int argc, char** argv) {
    QApplication::setAttribute(Qt::AA_Use96Dpi, true);
    QApplication app(argc, argv);
    const char* only = argc > 1 && argv[1][0] != '-' ? argv[1] : nullptr;
    std::vector<char*> args{argv[0]};
    for (int i = only != nullptr ? 2 : 1; i < argc; ++i) {
        args.push_back(argv[i]);
    }
    int failures = 0;
    bool ran = false;
    for (const Entry& entry : entries()) {
        if (only != nullptr && std::strcmp(only, entry.name) != 0) {
            continue;
        }
        ran = true;
        std::unique_ptr<QObject> test = entry.factory();
        failures += QTest::qExec(test.get(), static_cast<int>(args.size()), args.data());
    }
    if (!ran) {
        qWarning("No test class named %s", only);
        return 1;
    }
    return std::min(failures, 127);
}
