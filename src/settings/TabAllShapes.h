#pragma once

#include "settings/AllShapesSettings.h"
#include "settings/TabDlg.h"

class QCheckBox;
class QObject;
class QSlider;

// The "All Shapes" page: explosion volume, rate of new targets, mouse sensitivities, horizontal
// movement and the minimum distance from the paddle. It keeps everything in its controls.
class TabAllShapes : public TabDlg {
    Q_OBJECT
public:
    // Volume moves are posted to messageTarget (the main window) as WM_SET_VOLUME.
    TabAllShapes(SettingsStore& store, QObject* messageTarget, QWidget* parent = nullptr);

    void loadPage(const QString& prefix) override;
    void savePage(const QString& prefix) override;

    AllShapesSettings settings() const;
    void setTargetsPerSecond(int position);

    QSlider* volumeSlider() const { return volume; }
    QSlider* rateSlider() const { return rate; }
    QSlider* horizontalSlider() const { return horizontal; }
    QSlider* verticalSlider() const { return vertical; }
    QCheckBox* synchronizeBox() const { return synchronize; }
    QCheckBox* noHorizontalMovementBox() const { return noHorizontalMovement; }
    QSlider* distanceSlider() const { return distance; }

private:
    QObject* messageTarget;
    QSlider* volume;
    QSlider* rate;
    QSlider* horizontal;
    QSlider* vertical;
    QCheckBox* synchronize;
    QCheckBox* noHorizontalMovement;
    QSlider* distance;
};
