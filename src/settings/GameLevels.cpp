#include "settings/GameLevels.h"

#include "settings/LevelParameters.h"
#include "settings/GameSettingsPages.h"

namespace GameLevels {

bool isValidLevel(int level) {
    return level >= demoLevel && level <= lastLevel;
}

bool isTimed(int level) {
    return level >= firstTimeAttackLevel && level <= lastLevel;
}

bool isCustomLevel(int level) {
    return level >= firstCustomLevel && level <= lastLevel;
}

bool usesPreset(int level) {
    return level >= demoLevel && level < firstCustomLevel;
}

int timeLimitMs(int level) {
    return isValidLevel(level) ? timeLimitSeconds[level] * 1000 : 0;
}

const DifficultyPreset* presetFor(int difficulty) {
    if (difficulty < 0 || difficulty >= difficultyCount) {
        return nullptr;
    }
    return &difficultyPresets[difficulty];
}

int difficultyIndex(int difficulty, bool oneShot) {
    if (difficulty < 0 || difficulty >= difficultyCount) {
        return -1;
    }
    return difficulty + (oneShot ? oneShotDifficultyOffset : 0);
}

LevelStart applyLevel(const LevelSelection& selection, GameSettingsPages& pages) {
    LevelStart start;
    start.timeLimitMs = timeLimitMs(selection.gameLevel);
    start.adaptive = selection.difficulty == autoDifficulty;
    if (!usesPreset(selection.gameLevel)) {
        return start;
    }

    pages.showAllShapes();
    pages.rotateAllShapes();
    pages.colourAllShapes();
    pages.clearOneAtATime();
    pages.clearDistractors();
    if (const DifficultyPreset* preset = presetFor(selection.difficulty)) {
        pages.setWeaponsSpeed(preset->gunSpeed);
        pages.setShapeSpeed(LevelParameters::allShapeKinds, preset->shapeSpeed);
        pages.setTargetsPerSecond(preset->shapesPerSecond);
    }
    pages.setOneWeaponAtATime(selection.oneShot);
    start.vulnerablePaddle = selection.vulnerablePaddle;
    return start;
}

} // namespace GameLevels

QString GameLevels::describe(const LevelSelection& selection) {
    const QString level =
        isValidLevel(selection.gameLevel) ? GameLevelNames[selection.gameLevel] : QString::number(selection.gameLevel);
    QString difficulty = "none";
    if (isCustomLevel(selection.gameLevel)) {
        if (selection.difficulty >= 0) {
            difficulty = customDifficultyNames[std::min(selection.difficulty, 1)];
        }
    } else if (const int index = difficultyIndex(selection.difficulty, selection.oneShot); index >= 0) {
        difficulty = DifficultyNames[index];
    }
    return QString("%1, difficulty %2").arg(level, difficulty);
}
