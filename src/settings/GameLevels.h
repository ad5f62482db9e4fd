#pragma once

#include "settings/LevelSelection.h"

#include <QString>

#include <array>
#include <optional>

class GameSettingsPages;

// The eleven game levels, the six difficulties and their presets.
namespace GameLevels {

inline constexpr int levelCount = 11;
inline constexpr int demoLevel = 0;
inline constexpr int firstTimeAttackLevel = 1;
inline constexpr int firstCustomLevel = 6;
inline constexpr int lastLevel = 10;
// Entries of the duration list; the timed levels of each kind follow it.
inline constexpr int durationCount = 5;

// Also the titles of the best-score tables.
inline constexpr std::array<const char*, levelCount> GameLevelNames{
    "Get'em all",
    "Time Attack 30 seconds",
    "Time Attack 60 seconds",
    "Time Attack 90 seconds",
    "Time Attack 120 seconds",
    "Time Attack 180 seconds",
    "Custom 30 seconds",
    "Custom 60 seconds",
    "Custom 90 seconds",
    "Custom 120 seconds",
    "Custom 180 seconds",
};

// One second longer than the names say.
inline constexpr std::array<int, levelCount> timeLimitSeconds{0, 31, 61, 91, 121, 181, 31, 61, 91, 121, 181};

inline constexpr std::array<const char*, durationCount> durationNames{
    "30 seconds", "60 seconds", "90 seconds", "120 seconds", "180 seconds",
};

inline constexpr int autoDifficulty = 0;
inline constexpr int difficultyCount = 6;
// Added to the difficulty when "One Shot At A Time" is ticked; the sum picks the best-score table.
inline constexpr int oneShotDifficultyOffset = 6;

inline constexpr std::array<const char*, 2 * difficultyCount> DifficultyNames{
    "Auto",
    "Beginner",
    "Novice",
    "Intermediate",
    "Advanced",
    "Expert",
    "Auto, One Shot At A Time",
    "Beginner, One Shot At A Time",
    "Novice, One Shot At A Time",
    "Intermediate, One Shot At A Time",
    "Advanced, One Shot At A Time",
    "Expert, One Shot At A Time",
};

// The custom levels only choose between adaptive and their own fixed settings.
inline constexpr std::array<const char*, 2> customDifficultyNames{"Auto", "Custom"};

// Slider positions 0..10.
struct DifficultyPreset {
    int gunSpeed;
    int shapeSpeed;
    int shapesPerSecond;
};

inline constexpr std::array<DifficultyPreset, difficultyCount> difficultyPresets{{
    {8, 0, 0},
    {8, 0, 0},
    {7, 2, 2},
    {6, 4, 5},
    {5, 6, 7},
    {4, 8, 8},
}};

bool isValidLevel(int level);
// Levels 1..10.
bool isTimed(int level);
// Levels 6..10 play the custom copy of the settings as it stands.
bool isCustomLevel(int level);
// Levels 0..5 play the current copy with a difficulty preset.
bool usesPreset(int level);
// 0 for an untimed or unknown level.
int timeLimitMs(int level);
// Null for a difficulty that has no preset.
const DifficultyPreset* presetFor(int difficulty);
// Index into DifficultyNames, or -1 for a difficulty outside the table.
int difficultyIndex(int difficulty, bool oneShot);
// "<level name>, difficulty <difficulty name>" of a selection, for the log.
QString describe(const LevelSelection& selection);

// What the game has to do itself once the level is applied.
struct LevelStart {
    // 0: no time limit.
    int timeLimitMs = 0;
    // Set for the preset levels only; the other levels take it when play begins.
    std::optional<bool> vulnerablePaddle;
    // Difficulty "Auto": the learning module runs during the game.
    bool adaptive = false;
};

// Puts the level and difficulty into the settings pages when a game starts. The pages change in
// memory only; nothing is stored.
LevelStart applyLevel(const LevelSelection& selection, GameSettingsPages& pages);

} // namespace GameLevels
