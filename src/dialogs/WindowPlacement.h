#pragma once

#include <QRect>

class QWidget;

// Where the program's windows open.
class WindowPlacement {
public:
    // Centres the window's frame on the area (global coordinates), but keeps its top and left
    // edges on the screen when it is larger than the area.
    static void centreOver(QWidget* window, const QRect& area);
};
