#include "settings/ShapeGroup.h"

#include "settings/TabDlg.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QSlider>

#include <iterator>

ShapeGroup::ShapeGroup(const QString& title, const SettingKeys::ShapeKind& kind, QWidget* parent)
    : QGroupBox(title, parent), shapeKind(kind), show(new QCheckBox("Show", this)),
      rotate(new QCheckBox("Rotate", this)), colour(new QCheckBox("Change colour", this)),
      oneAtATime(new QCheckBox("One at a time", this)), distractor(new QCheckBox("Distractor", this)),
      randomSize(new QCheckBox("Random size", this)),
      speed(TabDlg::makeSlider(this, SettingKeys::shapeSpeed.minimum, SettingKeys::shapeSpeed.maximum)),
      size(TabDlg::makeSlider(this, SettingKeys::shapeSize.minimum, SettingKeys::shapeSize.maximum)) {
    const ShapeSettings defaults(kind);
    speedField = defaults.speed;
    sizeField = defaults.size;

    auto* boxes = new QGridLayout;
    QCheckBox* const order[] = {show, rotate, colour, oneAtATime, distractor, randomSize};
    constexpr int rows = 3;
    for (int i = 0; i < int(std::size(order)); ++i) {
        boxes->addWidget(order[i], i % rows, i / rows);
    }
    auto* sliders = new QFormLayout;
    sliders->addRow("Speed:", TabDlg::withEndLabels(speed, "Slow", "Fast"));
    sliders->addRow("Size:", TabDlg::withEndLabels(size, "Small", "Large"));
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(boxes);
    layout->addLayout(sliders, 1);

    connect(randomSize, &QCheckBox::clicked, this, &ShapeGroup::followRandomSize);
}

void ShapeGroup::load(const SettingsStore& store, const QString& prefix) {
    ShapeSettings loaded(shapeKind);
    loaded.load(store, prefix);
    show->setChecked(loaded.show);
    rotate->setChecked(loaded.rotate);
    colour->setChecked(loaded.colour);
    oneAtATime->setChecked(loaded.oneAtATime);
    speedField = loaded.speed;
    sizeField = loaded.size;
    refreshControls();
    distractor->setChecked(loaded.distractor);
    // The size slider keeps its enabled state: it follows the box only when the box is clicked.
    randomSize->setChecked(loaded.randomSize);
}

void ShapeGroup::save(SettingsStore& store, const QString& prefix) const {
    settings().save(store, prefix);
}

void ShapeGroup::commitControls() {
    speedField = speed->value();
    sizeField = size->value();
}

void ShapeGroup::refreshControls() {
    TabDlg::setPosition(speed, speedField);
    TabDlg::setPosition(size, sizeField);
}

void ShapeGroup::followRandomSize() {
    size->setEnabled(!randomSize->isChecked());
}

ShapeSettings ShapeGroup::settings() const {
    ShapeSettings result(shapeKind);
    result.show = show->isChecked();
    result.rotate = rotate->isChecked();
    result.colour = colour->isChecked();
    result.oneAtATime = oneAtATime->isChecked();
    result.speed = speedField;
    result.size = sizeField;
    result.distractor = distractor->isChecked();
    result.randomSize = randomSize->isChecked();
    return result;
}

void ShapeGroup::setSpeed(int position) {
    TabDlg::setPosition(speed, position);
    speedField = speed->value();
}

void ShapeGroup::setSize(int position) {
    TabDlg::setPosition(size, position);
    sizeField = size->value();
}
