#include "support/OffscreenGl.h"

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>

struct OffscreenGl::Parts {
    QOffscreenSurface surface;
    QOpenGLContext context;
    std::unique_ptr<QOpenGLFramebufferObject> fbo;
};

OffscreenGl::OffscreenGl(int width, int height) : parts(std::make_unique<Parts>()) {
    parts->surface.create();
    QSurfaceFormat format;
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setVersion(2, 1);
    parts->context.setFormat(format);
    if (!parts->context.create() || !parts->context.makeCurrent(&parts->surface))
        return;
    parts->fbo = std::make_unique<QOpenGLFramebufferObject>(width, height);
    ready = parts->fbo->bind();
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, width, height, 0, -1000, 1000);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
}

OffscreenGl::~OffscreenGl() {
    makeCurrent();
    parts->fbo.reset();
    parts->context.doneCurrent();
}

void OffscreenGl::makeCurrent() {
    parts->context.makeCurrent(&parts->surface);
}

bool OffscreenGl::isCurrent() const {
    return QOpenGLContext::currentContext() == &parts->context && parts->context.surface() == &parts->surface;
}

QColor OffscreenGl::currentColour() {
    GLfloat c[4];
    glGetFloatv(GL_CURRENT_COLOR, c);
    return QColor::fromRgbF(c[0], c[1], c[2], c[3]);
}

int OffscreenGl::matrixDepth() {
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    return depth;
}

QImage OffscreenGl::image() {
    glFinish();
    return parts->fbo->toImage();
}
