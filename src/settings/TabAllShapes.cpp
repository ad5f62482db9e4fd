#include "settings/TabAllShapes.h"

#include "core/WindowMessages.h"
#include "settings/SettingKeys.h"
#include "settings/SettingsStore.h"
#include "settings/SliderScale.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>

namespace {
constexpr int widthDu = 406;
constexpr int heightDu = 340;
constexpr int volumeTick = 10;
constexpr int distanceTick = 5;
// WM_SET_VOLUME's group for the explosion, paddle-hit and applause sounds.
constexpr int explosionsVolumeGroup = 0x2000;
constexpr const char* rateNumbers = "0.2  0.25  0.33 0.5  0.75    1    1.5     2      3       4      5";
constexpr const char* distanceNumbers =
    "0             0.2           0.4           0.6            0.8             1 ";

QSlider* rangeSlider(QWidget* parent, const SettingKeys::Entry& entry, int tick = 1) {
    return TabDlg::makeSlider(parent, entry.minimum, entry.maximum, tick);
}

QWidget* withNumbers(QSlider* slider, const char* numbers) {
    auto* box = new QWidget(slider->parentWidget());
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(slider);
    column->addWidget(new SliderScale(slider, numbers, box));
    return box;
}
} // namespace

TabAllShapes::TabAllShapes(SettingsStore& store, QObject* messageTarget, QWidget* parent)
    : TabDlg(store, parent), messageTarget(messageTarget),
      volume(rangeSlider(this, SettingKeys::explosionsVolume, volumeTick)),
      rate(rangeSlider(this, SettingKeys::shapesPerSecond)),
      horizontal(rangeSlider(this, SettingKeys::horizontalMouseSensitivity)),
      vertical(rangeSlider(this, SettingKeys::verticalMouseSensitivity)),
      synchronize(new QCheckBox("Synchronize with Vertical", this)),
      noHorizontalMovement(new QCheckBox("No horizontal movement of all targets", this)),
      distance(rangeSlider(this, SettingKeys::minimumDistanceFromPaddle, distanceTick)) {
    QVBoxLayout* layout = contentLayout(widthDu, heightDu);
    auto* rows = new QFormLayout;
    rows->addRow("Volume:", withEndLabels(volume, "Mute", "Max"));
    rows->addRow("# of targets per second:", withNumbers(rate, rateNumbers));
    layout->addLayout(rows);

    auto* mouse = new QGroupBox("Mouse Sensitivity ", this);
    auto* mouseRows = new QFormLayout(mouse);
    horizontal->setParent(mouse);
    vertical->setParent(mouse);
    synchronize->setParent(mouse);
    mouseRows->addRow("Horizontal:", withEndLabels(horizontal, "Slow", "Fast"));
    mouseRows->addRow("Vertical:", withEndLabels(vertical, "Slow", "Fast"));
    mouseRows->addRow(synchronize);
    layout->addWidget(mouse);

    layout->addWidget(noHorizontalMovement);
    layout->addWidget(new QLabel("Minimum distance between new targets and paddle", this));
    layout->addWidget(withNumbers(distance, distanceNumbers));
    layout->addStretch();

    connect(volume, &QSlider::valueChanged, this, [this](int position) {
        postWindowMessage(this->messageTarget, WindowMessages::WM_SET_VOLUME, explosionsVolumeGroup,
                          position);
    });
    connect(synchronize, &QCheckBox::clicked, this, [this](bool checked) {
        if (checked) {
            setPosition(vertical, horizontal->value());
        }
    });
    connect(horizontal, &QSlider::valueChanged, this, [this](int position) {
        if (synchronize->isChecked()) {
            setPosition(vertical, position);
        }
    });
    connect(vertical, &QSlider::valueChanged, this, [this](int position) {
        if (synchronize->isChecked()) {
            setPosition(horizontal, position);
        }
    });

    loadPage({});
}

void TabAllShapes::loadPage(const QString& prefix) {
    AllShapesSettings loaded;
    // Also gives the vertical sensitivity the horizontal one when they are synchronised.
    loaded.load(store(), prefix);
    setPosition(volume, loaded.explosionsVolume);
    setPosition(rate, loaded.shapesPerSecond);
    setPosition(horizontal, loaded.horizontalMouseSensitivity);
    setPosition(vertical, loaded.verticalMouseSensitivity);
    synchronize->setChecked(loaded.synchronizeMouseSensitivity);
    noHorizontalMovement->setChecked(loaded.noHorizontalMovementOfTargets);
    setPosition(distance, loaded.minimumDistanceFromPaddle);
}

void TabAllShapes::savePage(const QString& prefix) {
    settings().save(store(), prefix);
}

AllShapesSettings TabAllShapes::settings() const {
    AllShapesSettings result;
    result.explosionsVolume = volume->value();
    result.shapesPerSecond = rate->value();
    result.horizontalMouseSensitivity = horizontal->value();
    result.verticalMouseSensitivity = vertical->value();
    result.synchronizeMouseSensitivity = synchronize->isChecked();
    result.noHorizontalMovementOfTargets = noHorizontalMovement->isChecked();
    result.minimumDistanceFromPaddle = distance->value();
    return result;
}

void TabAllShapes::setTargetsPerSecond(int position) {
    setPosition(rate, position);
}
