#include "dialogs/WindowPlacement.h"

#include <QScreen>
#include <QWidget>

#include <algorithm>

void WindowPlacement::centreOver(QWidget* window, const QRect& area) {
    QRect frame = window->frameGeometry();
    frame.moveCenter(area.center());
    if (const QScreen* screen = window->screen()) {
        const QRect available = screen->availableGeometry();
        frame.moveLeft(std::max(available.left(), std::min(frame.left(), available.right() - frame.width())));
        frame.moveTop(std::max(available.top(), std::min(frame.top(), available.bottom() - frame.height())));
    }
    window->move(frame.topLeft());
}
