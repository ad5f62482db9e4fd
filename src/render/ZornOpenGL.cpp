#include "render/ZornOpenGL.h"

#include "core/DataFileLocator.h"
#include "core/Notice.h"
#include "core/Log.h"
#include "dialogs/ProgDlg.h"
#include "render/FramePainter.h"

#include <GL/glu.h>

#include <QBuffer>
#include <QTimer>
#include <QFileDevice>
#include <QImage>
#include <QImageWriter>
#include <QSurfaceFormat>

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
    QSurfaceFormat surfaceFormat = format();
    surfaceFormat.setSwapInterval(0);
    setFormat(surfaceFormat);
    // The view is composed into its window, and it is the window's swap that reaches the screen; the
    // window takes the default format when it is created, which happens after this.
    QSurfaceFormat defaults = QSurfaceFormat::defaultFormat();
    defaults.setSwapInterval(0);
    QSurfaceFormat::setDefaultFormat(defaults);
    // The view's own font is built once the first frame of a context is out, not before it.
    connect(this, &QOpenGLWidget::frameSwapped, this, [this] {
        if (ownFontPending) {
            ownFontPending = false;
            QTimer::singleShot(0, this, [this] {
                makeCurrent();
                createFont("Arial", 24);
                doneCurrent();
            });
        }
    });
}

void ZornOpenGL::setClearColour(float red, float green, float blue) {
    clearColour[0] = red;
    clearColour[1] = green;
    clearColour[2] = blue;
}

void ZornOpenGL::initializeGL() {
    viewContext = GlContextRef::current();
    rendererName = QString::fromLatin1(reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    glewExperimental = GL_TRUE;
    GLenum result = glewInit();
    // GLEW loads the context's entry points first and the window system's after; where Qt runs on
    // EGL there is no GLX display, and only that second half fails.
    if (result == GLEW_ERROR_NO_GLX_DISPLAY) {
        result = GLEW_OK;
    }
    extensionsLoaded = result == GLEW_OK;
    // GLEW only matters for the extensions; a failure leaves plain OpenGL 1.x working.
    if (result != GLEW_OK) {
        appendLog(QString("GLEW: %1").arg(reinterpret_cast<const char*>(glewGetErrorString(result))));
    }
    noMultitexture = glActiveTexture == nullptr || glMultiTexCoord2f == nullptr;
    ownFontPending = true;
    firstSetup = true;
    setup();
    firstSetup = false;
    setup();
}

bool ZornOpenGL::isSoftwareRenderer(const QString& renderer) {
    for (const char* name : {"llvmpipe", "softpipe", "swrast"}) {
        if (renderer.contains(QLatin1String(name), Qt::CaseInsensitive)) {
            return true;
        }
    }
    return false;
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
    const QSize frame = frameSize();
    glViewport(0, 0, frame.width(), frame.height());
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
    // The counter wheels are polygons like the scene's, so wire-frame reaches them too; the text
    // overlays are bitmaps, which no polygon mode touches.
    glPolygonMode(GL_FRONT_AND_BACK, wireframe ? GL_LINE : GL_FILL);
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
    const QString path = DataFileLocator::locate(fileName);
    const QImage image(path);
    if (image.isNull()) {
        Notice::show("Cannot load image " + path + "\n");
        return false;
    }
    const QSize fitted = textureSize(image.size());
    if (fitted != image.size()) {
        appendLog(QString("Texture %1 is %2x%3 pixels; scaled down to %4x%5")
                      .arg(fileName)
                      .arg(image.width())
                      .arg(image.height())
                      .arg(fitted.width())
                      .arg(fitted.height()));
    }
    return createTexture(texture, image);
}

QSize ZornOpenGL::textureSize(QSize imageSize) {
    if (imageSize.width() <= maxTextureSide && imageSize.height() <= maxTextureSide) {
        return imageSize;
    }
    return imageSize.scaled(maxTextureSide, maxTextureSide, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

bool ZornOpenGL::createTexture(GLuint& texture, const QImage& decoded) {
    QImage image;
    GLenum format = 0;
    switch (decoded.depth()) {
    case 8:
        // A palette image hands over its indices, as the luminance channel.
        image = QImage(decoded.constBits(), decoded.width(), decoded.height(), decoded.bytesPerLine(),
                       QImage::Format_Grayscale8)
                    .copy();
        format = GL_LUMINANCE;
        break;
    case 24:
        image = decoded.convertToFormat(QImage::Format_RGB888);
        format = GL_RGB;
        break;
    case 32:
        image = decoded.convertToFormat(QImage::Format_ARGB32);
        format = GL_BGRA;
        break;
    default:
        Notice::show("Can read only 8,24 or 32 bits images!");
        return false;
    }
    const QSize fitted = textureSize(image.size());
    if (fitted != image.size()) {
        image = image.scaled(fitted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                    .convertToFormat(image.format());
    }
    // Texture row 0 is the image's bottom row.
    image = image.mirrored();
    const int components = image.depth() / 8;
    std::vector<unsigned char> pixels(static_cast<std::size_t>(image.width()) * image.height() * components);
    for (int row = 0; row < image.height(); ++row) {
        std::copy_n(image.constScanLine(row), image.width() * components,
                    pixels.begin() + static_cast<std::ptrdiff_t>(row) * image.width() * components);
    }
    const GlContextScope scope(viewContext);
    if (!scope.active()) {
        appendLog("No OpenGL context yet for a texture");
        return false;
    }
    GLint boundTexture = 0;
    GLint unpackAlignment = 4;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &boundTexture);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpackAlignment);
    glGenTextures(1, &texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glBindTexture(GL_TEXTURE_2D, texture);
    gluBuild2DMipmaps(GL_TEXTURE_2D, components, image.width(), image.height(), format, GL_UNSIGNED_BYTE,
                      pixels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(boundTexture));
    glPixelStorei(GL_UNPACK_ALIGNMENT, unpackAlignment);
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

QSize ZornOpenGL::devicePixels(QSize viewSize, qreal pixelRatio) {
    // Rounded as Qt sizes the view's framebuffer.
    return viewSize * pixelRatio;
}

QSize ZornOpenGL::frameSize() const {
    return devicePixels(QSize(width_, height_), devicePixelRatioF());
}

std::vector<unsigned char> ZornOpenGL::readPixels() {
    const QSize frame = frameSize();
    if (frame.isEmpty()) {
        return {};
    }
    const GlContextScope scope(viewContext);
    if (!scope.active()) {
        return {};
    }
    std::vector<unsigned char> pixels(static_cast<std::size_t>(frame.width()) * frame.height() * 3);
    GLint readFramebuffer = 0;
    GLint packAlignment = 4;
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &readFramebuffer);
    glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, defaultFramebufferObject());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, frame.width(), frame.height(), GL_BGR, GL_UNSIGNED_BYTE, pixels.data());
    glPixelStorei(GL_PACK_ALIGNMENT, packAlignment);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, static_cast<GLuint>(readFramebuffer));
    return pixels;
}

QImage ZornOpenGL::frameImage() {
    const QSize frame = frameSize();
    const std::vector<unsigned char> pixels = readPixels();
    if (pixels.empty()) {
        return {};
    }
    QImage image(frame, QImage::Format_RGB888);
    const int rowBytes = frame.width() * 3;
    for (int row = 0; row < frame.height(); ++row) {
        const unsigned char* source =
            pixels.data() + static_cast<std::ptrdiff_t>(frame.height() - 1 - row) * rowBytes;
        unsigned char* target = image.scanLine(row);
        for (int x = 0; x < frame.width(); ++x) {
            target[3 * x] = source[3 * x + 2];
            target[3 * x + 1] = source[3 * x + 1];
            target[3 * x + 2] = source[3 * x];
        }
    }
    return image;
}

bool ZornOpenGL::saveScreenshot(QFileDevice& file, QString& error) {
    return writePng(frameImage(), file, error);
}

bool ZornOpenGL::writePng(const QImage& image, QFileDevice& file, QString& error) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    if (image.isNull() || !writer.write(image)) {
        error = image.isNull() ? QString("no frame to write") : writer.errorString();
        return false;
    }
    // A full disk can accept the write into the file's buffer and fail only on the flush, or leave
    // the file short; only the size on disk tells.
    if (file.write(bytes) != bytes.size() || !file.flush() || file.size() != bytes.size()) {
        error = file.error() != QFileDevice::NoError
                    ? file.errorString()
                    : QString("only %1 of %2 bytes written").arg(file.size()).arg(bytes.size());
        return false;
    }
    return true;
}
