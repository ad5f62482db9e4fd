#pragma once

// Pixels per field unit in x and y: the view's size in a landscape orientation, exchanged in a
// portrait one. The main window keeps the program-wide instance current; scene objects read it.
struct FieldScale {
    static constexpr int defaultWidthPx = 800;
    static constexpr int defaultHeightPx = 600;

    int fieldWidthPx = defaultWidthPx;
    int fieldHeightPx = defaultHeightPx;

    static FieldScale& program();
};
