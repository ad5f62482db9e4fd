#include "scores/BestScoreTableSet.h"

#include "settings/SettingsStore.h"

BestScoreTableSet::BestScoreTableSet(SettingsStore& store)
    : store(store), layoutCurrent(BestScores::tableCount, false) {
    tables.reserve(BestScores::tableCount);
    for (int i = 0; i < BestScores::tableCount; ++i) {
        tables.push_back(std::make_unique<BestScoreTable>(store));
    }
}

BestScoreTableSet::~BestScoreTableSet() = default;

int BestScoreTableSet::difficultyIndex(int difficulty, bool oneShot) {
    if (difficulty < 0 || difficulty >= BestScores::difficultyCount) {
        return -1;
    }
    return difficulty + (oneShot ? BestScores::difficultyCount : 0);
}

int BestScoreTableSet::tableNumber(int level, int difficultyIndex) {
    if (level < 0 || level >= BestScores::levelCount || difficultyIndex < 0 ||
        difficultyIndex >= BestScores::difficultyIndexCount) {
        return -1;
    }
    return level * BestScores::difficultyIndexCount + difficultyIndex;
}

void BestScoreTableSet::loadAll() {
    const SettingsStore::Batch batch(store);
    const int storedVersion = SettingsStore::parseInt(
        store.read(QLatin1String(SettingKeys::version.key), QLatin1String(SettingKeys::version.defaultText)));
    // Another layout is ignored once: its values are overwritten as tables are saved.
    store.write(QLatin1String(SettingKeys::version.key),
                SettingsStore::formatInt(SettingKeys::currentVersion));
    const bool current = storedVersion == SettingKeys::currentVersion;
    for (int level = 0; level < BestScores::levelCount; ++level) {
        for (int index = 0; index < BestScores::difficultyIndexCount; ++index) {
            const int number = tableNumber(level, index);
            if (current) {
                tables[number]->load(level, index);
            } else {
                tables[number]->clear();
            }
            layoutCurrent[number] = current;
        }
    }
}

void BestScoreTableSet::save(int level, int difficultyIndex) {
    const int number = tableNumber(level, difficultyIndex);
    if (number >= 0) {
        tables[number]->save(level, difficultyIndex);
        layoutCurrent[number] = true;
    }
}

void BestScoreTableSet::saveAll() {
    const SettingsStore::Batch batch(store);
    for (int level = 0; level < BestScores::levelCount; ++level) {
        for (int index = 0; index < BestScores::difficultyIndexCount; ++index) {
            save(level, index);
        }
    }
}

BestScoreTable* BestScoreTableSet::table(int level, int difficultyIndex) {
    return table(tableNumber(level, difficultyIndex));
}

BestScoreTable* BestScoreTableSet::table(int number) {
    if (number < 0 || number >= BestScores::tableCount) {
        return nullptr;
    }
    return tables[number].get();
}

bool BestScoreTableSet::offerScore(int level, int difficultyIndex, int score, NameSource& names,
                                   const std::function<void()>& playApplause) {
    const int number = tableNumber(level, difficultyIndex);
    if (number < 0) {
        return false;
    }
    BestScoreTable& t = *tables[number];
    // Saving rewrites the whole table, so a table read at start-up would wipe what another copy
    // of the game entered since.
    if (layoutCurrent[number]) {
        store.reload();
        t.load(level, difficultyIndex);
    }
    if (!t.offer(score, names, playApplause)) {
        return false;
    }
    save(level, difficultyIndex);
    return true;
}
