#pragma once

#include <QString>

#include <array>
#include <functional>
#include <optional>

class NameSource;
class SettingsStore;

namespace BestScores {
inline constexpr int placeCount = 10;
inline constexpr int levelCount = 11;
inline constexpr int difficultyCount = 6;
// Each difficulty once without and once with "One Shot At A Time".
inline constexpr int difficultyIndexCount = 2 * difficultyCount;
inline constexpr int tableCount = levelCount * difficultyIndexCount;
inline constexpr int maxNameLength = 255;
// Anything higher in the store is damage, not a score.
inline constexpr int maxScore = 16777215;
inline constexpr const char* emptyName = "-";
inline constexpr int emptyScore = -1;
inline constexpr int unsynchronized = -1;
} // namespace BestScores

// The ten best scores of one game level and difficulty index; place 0 is the best.
class BestScoreTable {
public:
    explicit BestScoreTable(SettingsStore& store);

    BestScoreTable(const BestScoreTable&) = delete;
    BestScoreTable& operator=(const BestScoreTable&) = delete;

    std::array<QString, BestScores::placeCount> names;
    std::array<int, BestScores::placeCount> scores;
    // Given by the score server; unsynchronized until then.
    std::array<int, BestScores::placeCount> uniqueNumbers;
    // Marks the tables the synchronization exchanges.
    bool changed = false;

    using Names = std::array<QString, BestScores::placeCount>;
    using Numbers = std::array<int, BestScores::placeCount>;
    // What is wrong with a table, or nothing when it may be kept: scores -1 or 0..maxScore in
    // descending order, empty places as "-", -1, -1 and only at the end, unique numbers -1 or more,
    // names of printable characters and at most maxNameLength of them.
    static std::optional<QString> fault(const Names& names, const Numbers& scores, const Numbers& uniqueNumbers);

    void clear();
    // Places with a damaged score are deleted from the store, the later ones move up and the table
    // is saved at once, so no gap stays behind. A table that still fails the checks above is not
    // taken (one line in the game log) and reads as empty; the store keeps it until it is saved.
    void load(int level, int difficultyIndex);
    void save(int level, int difficultyIndex) const;

    // The first place a score would take, or -1 when it does not enter the table.
    int placeFor(int score) const;
    // Asks nameSource for the player's name and enters the score; true when the table changed and
    // should be saved. playApplause is where the applause sound starts (it plays only if loaded).
    bool offer(int score, NameSource& nameSource, const std::function<void()>& playApplause = {});

private:
    SettingsStore& store;
};
