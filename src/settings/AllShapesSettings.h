#pragma once

#include <QString>

#include <algorithm>
#include <array>

class SettingsStore;

// What the slider positions 0..10 stand for.
namespace SliderTables {
constexpr int positionCount = 11;

// Targets per second; the third entry is 0.33 as the dialog prints it, not one third.
constexpr std::array<double, positionCount> rateTable{0.2, 0.25, 0.33, 0.5, 0.75, 1.0,
                                                      1.5, 2.0,  3.0,  4.0, 5.0};

// Factor applied to mouse motion.
constexpr std::array<double, positionCount> sensitivityTable{
    1.0 / 40, 1.0 / 32, 1.0 / 24, 1.0 / 16, 1.0 / 12, 1.0 / 8, 1.0 / 6, 1.0 / 4, 1.0 / 3, 1.0 / 2, 1.0};

// Positions outside 0..10 take the nearest end.
constexpr double rateAt(int position) {
    return rateTable[std::clamp(position, 0, positionCount - 1)];
}
constexpr double sensitivityAt(int position) {
    return sensitivityTable[std::clamp(position, 0, positionCount - 1)];
}
} // namespace SliderTables

// The "All Shapes" page's part of GameSettings.
class AllShapesSettings {
public:
    // Every field at its default.
    AllShapesSettings();

    // Reads every field from prefix + key, clamping integers into their ranges; a synchronised
    // pair of sensitivities takes the horizontal one.
    void load(const SettingsStore& store, const QString& prefix);
    void save(SettingsStore& store, const QString& prefix) const;

    double targetsPerSecond() const { return SliderTables::rateAt(shapesPerSecond); }
    double horizontalFactor() const { return SliderTables::sensitivityAt(horizontalMouseSensitivity); }
    double verticalFactor() const { return SliderTables::sensitivityAt(verticalMouseSensitivity); }
    // In field units: position p stands for p/50 of the field.
    double minimumDistance() const;

    bool operator==(const AllShapesSettings&) const = default;

    int explosionsVolume;
    int shapesPerSecond;
    int horizontalMouseSensitivity;
    int verticalMouseSensitivity;
    bool synchronizeMouseSensitivity;
    bool noHorizontalMovementOfTargets;
    int minimumDistanceFromPaddle;
};
