// Cost of saving best-score tables into a full settings store: every table filled and every
// settings key present, as after long use. Usage: settings [folder for the scratch store].
// Each save is one rewrite of the whole file; the figures without batching show what a rewrite per
// key would cost.
#include "core/Notice.h"
#include "scores/BestScoreTableSet.h"
#include "settings/GameSettings.h"
#include "settings/SettingKeys.h"
#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {
constexpr double oneTableGoalMs = 10.0;
constexpr double allTablesGoalMs = 1000.0;
constexpr int oneTableRuns = 31;
constexpr int allTablesRuns = 7;
constexpr int unbatchedRuns = 5;

struct Figures {
    double medianMs;
    double maxMs;
    int rewritesPerRun;
};

Figures measure(SettingsStore& store, int runs, const std::function<void(int run)>& action) {
    std::vector<double> times;
    const int rewritesBefore = store.diskWrites();
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        action(run);
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.back(), (store.diskWrites() - rewritesBefore) / runs};
}

void fill(SettingsStore& store, BestScoreTableSet& tables) {
    GameSettings settings;
    settings.save(store, {});
    settings.save(store, QLatin1String(SettingKeys::customPrefix));
    const SettingsStore::Batch batch(store);
    for (const SettingKeys::Entry& entry : SettingKeys::fixedEntries) {
        store.write(QLatin1String(entry.key), QLatin1String(entry.defaultText));
    }
    store.write(QLatin1String(SettingKeys::version.key),
                SettingsStore::formatInt(SettingKeys::currentVersion));
    for (int i = 0; i < SettingKeys::customColourCount; ++i) {
        store.write(SettingKeys::customColourKey(i), QStringLiteral("12 34 56"));
    }
    for (int n = 0; n < BestScores::tableCount; ++n) {
        BestScoreTable& table = *tables.table(n);
        for (int place = 0; place < BestScores::placeCount; ++place) {
            table.names[place] = QStringLiteral("Player %1 of table %2").arg(place + 1).arg(n);
            table.scores[place] = 10000 - 100 * place;
            table.uniqueNumbers[place] = n * 100 + place;
        }
    }
    tables.saveAll();
}

void report(const char* what, const Figures& figures, double goalMs) {
    std::printf("%-36s median %8.2f ms  max %8.2f ms  rewrites %3d", what, figures.medianMs, figures.maxMs,
                figures.rewritesPerRun);
    if (goalMs > 0) {
        std::printf("  goal <= %6.0f ms: %s", goalMs, figures.medianMs <= goalMs ? "met" : "MISSED");
    }
    std::printf("\n");
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Notice::setHandler([](const QString& message) { std::fprintf(stderr, "%s\n", qPrintable(message)); });
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::tempPath();
    QTemporaryDir dir(QDir(folder).filePath(QStringLiteral("vazazo-bench-XXXXXX")));
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot make a scratch folder in %s\n", qPrintable(folder));
        return 1;
    }
    SettingsStore store(dir.filePath(QStringLiteral("Vazazo.ini")));
    BestScoreTableSet tables(store);
    fill(store, tables);
    std::printf("full store: %s, %lld bytes\n", qPrintable(store.fileName()),
                QFileInfo(store.fileName()).size());

    const Figures one = measure(store, oneTableRuns, [&](int run) {
        const int n = (run * 37) % BestScores::tableCount;
        tables.save(n / BestScores::difficultyIndexCount, n % BestScores::difficultyIndexCount);
    });
    const Figures all = measure(store, allTablesRuns, [&](int) { tables.saveAll(); });
    // The same 30 keys of one table, each written on its own.
    const Figures unbatched = measure(store, unbatchedRuns, [&](int run) {
        const BestScoreTable& table = *tables.table(run);
        for (int place = 0; place < BestScores::placeCount; ++place) {
            store.write(SettingKeys::bestNameKey(0, run, place), table.names[place]);
            store.write(SettingKeys::bestScoreKey(0, run, place),
                        SettingsStore::formatInt(table.scores[place]));
            store.write(SettingKeys::bestScoreUniqueNumberKey(0, run, place),
                        SettingsStore::formatInt(table.uniqueNumbers[place]));
        }
    });

    report("save one table", one, oneTableGoalMs);
    report("save all 132 tables", all, allTablesGoalMs);
    report("one table, a rewrite per key", unbatched, 0);
    return store.writeFailed() ? 1 : 0;
}
