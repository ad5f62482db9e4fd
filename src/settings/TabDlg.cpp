#include "settings/TabDlg.h"

#include "core/WindowMessages.h"
#include "dialogs/DialogUnits.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

TabDlg::TabDlg(SettingsStore& store, QWidget* parent) : QWidget(parent), settingsStore(store) {}

bool TabDlg::event(QEvent* event) {
    if (event->type() == static_cast<QEvent::Type>(WindowMessages::WM_RELOAD_SETTINGS)) {
        loadPage({});
        return true;
    }
    return QWidget::event(event);
}

void TabDlg::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // Swallowed, so the dialog around the page neither cancels nor confirms.
        event->accept();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

QVBoxLayout* TabDlg::contentLayout(int widthDu, int heightDu) {
    auto* content = new QWidget(this);
    content->setMaximumSize(DialogUnits::toPixels(widthDu, heightDu, font()));
    auto* outer = new QGridLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(content, 0, 0);
    // Up to its maximum the content takes the space; beyond that the empty row and column do.
    outer->setRowStretch(0, 1);
    outer->setColumnStretch(0, 1);
    outer->addItem(new QSpacerItem(0, 0, QSizePolicy::Expanding, QSizePolicy::Expanding), 1, 1);
    return new QVBoxLayout(content);
}

QSlider* TabDlg::makeSlider(QWidget* parent, int minimum, int maximum, int tickInterval) {
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setRange(minimum, maximum);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setTickInterval(tickInterval);
    slider->setPageStep(tickInterval);
    return slider;
}

QWidget* TabDlg::withEndLabels(QSlider* slider, const QString& left, const QString& right) {
    auto* box = new QWidget(slider->parentWidget());
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(slider);
    auto* ends = new QHBoxLayout;
    ends->addWidget(new QLabel(left, box));
    ends->addStretch();
    ends->addWidget(new QLabel(right, box));
    column->addLayout(ends);
    return box;
}

void TabDlg::setPosition(QSlider* slider, int position) {
    const QSignalBlocker quiet(slider);
    slider->setValue(position);
}
