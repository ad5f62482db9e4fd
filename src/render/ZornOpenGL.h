#pragma once

#include <GL/glew.h>

#include <QOpenGLWidget>

class FramePainter;

// The OpenGL view that fills the main window: owns the GL context and every GL call of a frame.
class ZornOpenGL : public QOpenGLWidget {
    Q_OBJECT
public:
    explicit ZornOpenGL(FramePainter& painter, QWidget* parent = nullptr);

    // Components 0..1; takes effect at the next frame.
    void setClearColour(float red, float green, float blue);
    // Clears the frame and sets the 2D projection in view pixels, y pointing down.
    void beginFrame();

    bool glewReady() const { return glewReady_; }
    int viewWidth() const { return width_; }
    int viewHeight() const { return height_; }

protected:
    void initializeGL() override;
    void resizeGL(int width, int height) override;
    void paintGL() override;

private:
    FramePainter& painter;
    float clearColour[3] = {0.5f, 0.5f, 0.5f};
    bool glewReady_ = false;
    int width_ = 0;
    int height_ = 0;
};
