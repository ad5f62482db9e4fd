#pragma once

#include "scores/BestScoreTable.h"
#include "settings/SettingsStore.h"

#include <functional>
#include <memory>
#include <vector>

class NameSource;
class SettingsStore;

// All 132 best-score tables, numbered level × 12 + difficulty index.
class BestScoreTableSet {
public:
    explicit BestScoreTableSet(SettingsStore& store);
    ~BestScoreTableSet();

    BestScoreTableSet(const BestScoreTableSet&) = delete;
    BestScoreTableSet& operator=(const BestScoreTableSet&) = delete;

    // Difficulty 0..5, plus 6 with one shot at a time; -1 for any other difficulty (none selected).
    static int difficultyIndex(int difficulty, bool oneShot);
    // -1 unless level is 0..10 and difficultyIndex 0..11.
    static int tableNumber(int level, int difficultyIndex);

    // Reads the tables only when the store holds the current layout, then marks it current.
    void loadAll();
    void save(int level, int difficultyIndex);
    void saveAll();
    // Saves made while it lives reach the disk together, when it goes.
    SettingsStore::Batch batch() { return SettingsStore::Batch(store); }

    // nullptr outside the 132 tables.
    BestScoreTable* table(int level, int difficultyIndex);
    BestScoreTable* table(int number);

    // The end-of-game entry: offers the score to the table as stored now, which another copy of
    // the game may have changed, and saves the table if the score entered it. A level or difficulty
    // index outside the tables offers it to none.
    bool offerScore(int level, int difficultyIndex, int score, NameSource& names,
                    const std::function<void()>& playApplause = {});

private:
    SettingsStore& store;
    std::vector<std::unique_ptr<BestScoreTable>> tables;
    // Per table: its stored keys are in the current layout. A table of an older layout is read
    // again only once this program has saved it.
    std::vector<bool> layoutCurrent;
};
