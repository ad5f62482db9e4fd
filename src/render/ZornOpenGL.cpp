#include "render/ZornOpenGL.h"

#include "core/Notice.h"
#include "core/Log.h"
#include "dialogs/ProgDlg.h"
#include "render/FramePainter.h"

#include <GL/glu.h>

#include <QImage>

namespace {
constexpr double fieldOfViewDegrees = 60.0;
constexpr double nearPlane = 1.0;
constexpr double farPlane = 5000.0;
constexpr double flatDepth = 1000.0;
} // namespace

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
    if (result != GLEW_OK) {
        appendLog(QString("GLEW: %1").arg(reinterpret_cast<const char*>(glewGetErrorString(result))));
    }
    noMultitexture = glActiveTexture == nullptr || glMultiTexCoord2f == nullptr;
    createFont("Arial", 24);
    firstSetup = true;
    setup();
    firstSetup = false;
    setup();
}

void ZornOpenGL::setup() {
    if (firstSetup) {
        glShadeModel(GL_SMOOTH);
        glClearDepth(1.0);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    }
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
    const qreal scale = devicePixelRatioF();
    glViewport(0, 0, static_cast<GLsizei>(width_ * scale), static_cast<GLsizei>(height_ * scale));
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(fieldOfViewDegrees, static_cast<double>(width_) / (height_ == 0 ? 1 : height_), nearPlane,
                   farPlane);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void ZornOpenGL::resizeGL(int width, int height) {
    width_ = width;
    height_ = height;
    setup();
}

void ZornOpenGL::beginFrame() {
    // Opaque, so that the frame composed into the window never shows through.
    glClearColor(clearColour[0], clearColour[1], clearColour[2], 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, width_, height_, 0.0, -flatDepth, flatDepth);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    switch (orientation) {
    case Orientation::north:
        glRotated(180.0, 0.0, 0.0, 1.0);
        glTranslated(-width_, -height_, 0.0);
        break;
    case Orientation::east:
        glRotated(-90.0, 0.0, 0.0, 1.0);
        glTranslated(-height_, 0.0, 0.0);
        break;
    case Orientation::west:
        glRotated(90.0, 0.0, 0.0, 1.0);
        glTranslated(0.0, -width_, 0.0);
        break;
    default:
        break;
    }
    glPolygonMode(GL_FRONT_AND_BACK, wireframe ? GL_LINE : GL_FILL);
}

void ZornOpenGL::beginOverlays() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, width_, height_, 0.0, -flatDepth, flatDepth);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

void ZornOpenGL::paintGL() {
    painter.renderFrame();
}

bool ZornOpenGL::loadTexture(GLuint& texture, const QString& fileName) {
    if (fileName.isEmpty()) {
        return false;
    }
    ProgDlg progress;
    progress.setWindowTitle("Loading texture..");
    progress.setRange(0, 1);
    progress.setPos(0);
    progress.show();
    const QImage image(fileName);
    if (image.isNull()) {
        Notice::show("Cannot load image " + fileName + "\n");
        return false;
    }
    return createTexture(texture, image);
}

bool ZornOpenGL::createTexture(GLuint& texture, const QImage& decoded) {
    QImage image = decoded;
    GLenum format = 0;
    switch (image.depth()) {
    case 8:
        // A palette image hands over its indices, as the luminance channel.
        format = GL_LUMINANCE;
        break;
    case 24:
        image = image.convertToFormat(QImage::Format_RGB888);
        format = GL_RGB;
        break;
    case 32:
        image = image.convertToFormat(QImage::Format_ARGB32);
        format = GL_BGRA;
        break;
    default:
        Notice::show("Can read only 8,24 or 32 bits images!");
        return false;
    }
    // Texture row 0 is the image's bottom row.
    image = image.mirrored();
    const int components = image.depth() / 8;
    std::vector<unsigned char> pixels(static_cast<std::size_t>(image.width()) * image.height() * components);
    for (int row = 0; row < image.height(); ++row) {
        std::copy_n(image.constScanLine(row), image.width() * components,
                    pixels.begin() + static_cast<std::ptrdiff_t>(row) * image.width() * components);
    }
    makeCurrent();
    glGenTextures(1, &texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glBindTexture(GL_TEXTURE_2D, texture);
    gluBuild2DMipmaps(GL_TEXTURE_2D, components, image.width(), image.height(), format, GL_UNSIGNED_BYTE,
                      pixels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    doneCurrent();
    return true;
}

void ZornOpenGL::drawTexturedRect(GLuint texture, double x, double y, double w, double h,
                                  const std::array<double, 8>& tc) {
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glBegin(GL_POLYGON);
    glTexCoord2d(tc[6], tc[7]);
    glVertex2d(x, y);
    glTexCoord2d(tc[4], tc[5]);
    glVertex2d(x + w, y);
    glTexCoord2d(tc[2], tc[3]);
    glVertex2d(x + w, y + h);
    glTexCoord2d(tc[0], tc[1]);
    glVertex2d(x, y + h);
    glEnd();
    glDisable(GL_TEXTURE_2D);
}

void ZornOpenGL::drawTexturedTriangle(GLuint texture, const std::array<double, 6>& v,
                                      const std::array<double, 6>& tc) {
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glBegin(GL_TRIANGLES);
    for (int i = 0; i < 3; ++i) {
        glTexCoord2d(tc[2 * i], tc[2 * i + 1]);
        glVertex2d(v[2 * i], v[2 * i + 1]);
    }
    glEnd();
    glDisable(GL_TEXTURE_2D);
}

std::vector<unsigned char> ZornOpenGL::readPixels() {
    if (width_ <= 0 || height_ <= 0) {
        return {};
    }
    std::vector<unsigned char> pixels(static_cast<std::size_t>(width_) * height_ * 3);
    makeCurrent();
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width_, height_, GL_BGR, GL_UNSIGNED_BYTE, pixels.data());
    doneCurrent();
    return pixels;
}

bool ZornOpenGL::saveScreenshot(const QString& fileName) {
    const std::vector<unsigned char> pixels = readPixels();
    if (pixels.empty()) {
        return false;
    }
    QImage image(width_, height_, QImage::Format_RGB888);
    const int rowBytes = width_ * 3;
    for (int row = 0; row < height_; ++row) {
        const unsigned char* source =
            pixels.data() + static_cast<std::ptrdiff_t>(height_ - 1 - row) * rowBytes;
        unsigned char* target = image.scanLine(row);
        for (int x = 0; x < width_; ++x) {
            target[3 * x] = source[3 * x + 2];
            target[3 * x + 1] = source[3 * x + 1];
            target[3 * x + 2] = source[3 * x];
        }
    }
    return image.save(fileName);
}
