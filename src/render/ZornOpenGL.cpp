#include "render/ZornOpenGL.h"

#include "dialogs/LogDlg.h"
#include "render/FramePainter.h"

ZornOpenGL::ZornOpenGL(FramePainter& painter, QWidget* parent) : QOpenGLWidget(parent), painter(painter) {
    // The window repaints every pixel each frame; keep Qt from filling the background first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
}

void ZornOpenGL::setClearColour(float red, float green, float blue) {
    clearColour[0] = red;
    clearColour[1] = green;
    clearColour[2] = blue;
}

void ZornOpenGL::initializeGL() {
    glewExperimental = GL_TRUE;
    const GLenum result = glewInit();
    // GLEW only matters for the extensions; a failure leaves plain OpenGL 1.x working.
    glewReady_ = result == GLEW_OK || result == GLEW_ERROR_NO_GLX_DISPLAY;
    if (result != GLEW_OK) {
        appendLog(QString("GLEW: %1").arg(reinterpret_cast<const char*>(glewGetErrorString(result))));
    }
    glDisable(GL_DEPTH_TEST);
}

void ZornOpenGL::resizeGL(int width, int height) {
    width_ = width;
    height_ = height;
}

void ZornOpenGL::beginFrame() {
    const qreal scale = devicePixelRatioF();
    glViewport(0, 0, static_cast<GLsizei>(width_ * scale), static_cast<GLsizei>(height_ * scale));
    glClearColor(clearColour[0], clearColour[1], clearColour[2], 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, width_, height_, 0.0, -1000.0, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void ZornOpenGL::paintGL() {
    painter.renderFrame();
}
