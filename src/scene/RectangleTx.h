#pragma once

// Mix-in of a textured rectangle: where it is drawn relative to its owner's position and the pixel
// rectangle of the last draw, which the shattered-paddle explosion and the hit test on the graphics
// card see as drawn.
class RectangleTx {
public:
    double offsetX = 0.0;
    double offsetY = 0.0;

    double pixelX = 0.0;
    double pixelY = 0.0;
    double pixelWidth = 0.0;
    double pixelHeight = 0.0;
};
