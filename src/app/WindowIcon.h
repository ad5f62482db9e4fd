#pragma once

#include <QIcon>

// The program's icon, drawn rather than loaded so the program runs without a resource file.
class WindowIcon {
public:
    static QIcon make();
};
