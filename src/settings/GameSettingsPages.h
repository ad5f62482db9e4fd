#pragma once

#include "settings/GameSettings.h"
#include "settings/LevelSettingsTarget.h"

// The game settings pages as the rest of the program sees them: the live holders of the settings
// of the game being played. The game reads them, the level presets and the learning modules change
// them in memory; only the dialog's "OK" or a mode switch stores them.
class GameSettingsPages : public LevelSettingsTarget {
public:
    // What the pages hold now, controls and fields together.
    virtual GameSettings current() const = 0;

    // For all five target kinds.
    virtual void showAllShapes() = 0;
    virtual void rotateAllShapes() = 0;
    virtual void colourAllShapes() = 0;
    virtual void clearOneAtATime() = 0;
    virtual void clearDistractors() = 0;

    // The Weapons page's "One at a time".
    virtual bool oneWeaponAtATime() const = 0;
    virtual void setOneWeaponAtATime(bool on) = 0;

    // Whether the pages hold the custom level's copy; 0 current, 1 custom, 2 copy current to custom.
    virtual bool isCustom() const = 0;
    virtual void switchMode(int mode) = 0;
};
