#pragma once

// What the view calls to render one frame: the main window's paint sequence.
class FramePainter {
public:
    virtual ~FramePainter() = default;
    virtual void renderFrame() = 0;
};
