#pragma once

#include <QImage>

#include <memory>

// A compatibility-profile GL context current on an offscreen surface, drawing into a framebuffer of
// width x height pixels with the view's 2D projection (pixels, y down). The Qt context headers stay
// in the .cpp: they must not meet GLEW's.
class OffscreenGl {
public:
    OffscreenGl(int width, int height);
    ~OffscreenGl();

    // Whether the context and framebuffer exist and are current.
    bool isReady() const { return ready; }
    void makeCurrent();
    bool isCurrent() const;
    // What was drawn so far, top row first.
    QImage image();
    // The current colour and modelview stack depth, which every draw must leave as it found them.
    static QColor currentColour();
    static int matrixDepth();

private:
    struct Parts;
    std::unique_ptr<Parts> parts;
    bool ready = false;
};
