#pragma once

#include "settings/GameSettingsPages.h"

#include <initializer_list>

// Settings pages held in memory.
class FakePages : public GameSettingsPages {
public:
    GameSettings current() const override { return settings; }
    void showAllShapes() override {}
    void rotateAllShapes() override {}
    void colourAllShapes() override {}
    void clearOneAtATime() override {}
    void clearDistractors() override {}
    bool oneWeaponAtATime() const override { return settings.weapons.oneWeaponAtATime; }
    void setOneWeaponAtATime(bool on) override { settings.weapons.oneWeaponAtATime = on; }
    bool isCustom() const override { return false; }
    void switchMode(int) override {}
    void setWeaponsSpeed(int p) override { settings.weapons.gunSpeed = p; }
    void setShapeSpeed(int, int) override {}
    void setShapeSize(int, int) override {}
    void setTargetsPerSecond(int p) override { settings.allShapes.shapesPerSecond = p; }

    void showOnly(std::initializer_list<int> kinds) {
        for (ShapeSettings& s : settings.shapes) {
            s.show = false;
        }
        for (int k : kinds) {
            settings.shapes[k].show = true;
        }
    }
    GameSettings settings;
};
