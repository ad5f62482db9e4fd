#include "scores/BestScoreTableSet.h"

#include "settings/SettingsStore.h"

BestScoreTableSet::BestScoreTableSet(SettingsStore& store) : store(store) {
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
    const int storedVersion = SettingsStore::parseInt(
        store.read(QLatin1String(SettingKeys::version.key), QLatin1String(SettingKeys::version.defaultText)));
    // Another layout is ignored once: its values are overwritten as tables are saved.
    store.write(QLatin1String(SettingKeys::version.key),
                SettingsStore::formatInt(SettingKeys::currentVersion));
    for (int level = 0; level < BestScores::levelCount; ++level) {
        for (int index = 0; index < BestScores::difficultyIndexCount; ++index) {
            BestScoreTable& t = *tables[tableNumber(level, index)];
            if (storedVersion == SettingKeys::currentVersion) {
                t.load(level, index);
            } else {
                t.clear();
            }
        }
    }
}

void BestScoreTableSet::save(int level, int difficultyIndex) {
    if (BestScoreTable* t = table(level, difficultyIndex)) {
        t->save(level, difficultyIndex);
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

bool BestScoreTableSet::offerScore(int level, int difficultyIndex, int score,
                                   const std::function<void()>& playApplause) {
    BestScoreTable* t = table(level, difficultyIndex);
    if (t == nullptr || !t->offer(score, playApplause)) {
        return false;
    }
    t->save(level, difficultyIndex);
    return true;
}
