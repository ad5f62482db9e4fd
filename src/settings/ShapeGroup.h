#pragma once

#include "settings/SettingKeys.h"
#include "settings/ShapeSettings.h"

#include <QGroupBox>

class QCheckBox;
class QSlider;
class SettingsStore;

// One target kind's group box on a shapes page. Speed and size are kept in fields as well as in
// their sliders; everything else lives in the check boxes.
class ShapeGroup : public QGroupBox {
    Q_OBJECT
public:
    ShapeGroup(const QString& title, const SettingKeys::ShapeKind& kind, QWidget* parent = nullptr);

    void load(const SettingsStore& store, const QString& prefix);
    void save(SettingsStore& store, const QString& prefix) const;
    void commitControls();
    void refreshControls();
    // Enables "Size:" exactly when "Random size" is clear.
    void followRandomSize();

    // What the group holds: speed and size from the fields, the rest from the check boxes.
    ShapeSettings settings() const;
    int typeCode() const { return shapeKind.typeCode; }

    // Move the slider and take it into the field.
    void setSpeed(int position);
    void setSize(int position);

    QCheckBox* showBox() const { return show; }
    QCheckBox* rotateBox() const { return rotate; }
    QCheckBox* colourBox() const { return colour; }
    QCheckBox* oneAtATimeBox() const { return oneAtATime; }
    QCheckBox* distractorBox() const { return distractor; }
    QCheckBox* randomSizeBox() const { return randomSize; }
    QSlider* speedSlider() const { return speed; }
    QSlider* sizeSlider() const { return size; }

private:
    SettingKeys::ShapeKind shapeKind;
    QCheckBox* show;
    QCheckBox* rotate;
    QCheckBox* colour;
    QCheckBox* oneAtATime;
    QCheckBox* distractor;
    QCheckBox* randomSize;
    QSlider* speed;
    QSlider* size;
    int speedField;
    int sizeField;
};
