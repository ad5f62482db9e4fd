#pragma once

// The settings controls a learning module may move: the game settings pages implement it, so
// that moving a slider also updates the value the game reads.
class LevelSettingsTarget {
public:
    virtual ~LevelSettingsTarget() = default;

    // Slider positions 0..10.
    virtual void setWeaponsSpeed(int position) = 0;
    // Applies to every target kind whose type code shares a bit with kindMask.
    virtual void setShapeSpeed(int kindMask, int position) = 0;
    virtual void setShapeSize(int kindMask, int position) = 0;
    virtual void setTargetsPerSecond(int position) = 0;
};
