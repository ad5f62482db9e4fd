#pragma once

#include <GL/glew.h>

#include "render/GlContextScope.h"
#include "render/OGLFont.h"
#include "core/Orientation.h"

#include <QOpenGLWidget>

#include <array>
#include <vector>

class FramePainter;
class QFileDevice;
class QImage;

// The OpenGL view that fills the main window: the fixed GL state, the projection for each screen
// orientation, textures and the read-back of frames. Every GL call of the program happens here or
// in a scene object's draw, on the window thread.
class ZornOpenGL : public QOpenGLWidget, public OGLFont {
    Q_OBJECT
public:
    // Images larger than this on a side become textures scaled down to it.
    static constexpr int maxTextureSide = 2048;

    // Asks for a swap interval of 0: the frame pacer sets the rate, and a swap that also waited for
    // the display's refresh would add a refresh to every period.
    explicit ZornOpenGL(FramePainter& painter, QWidget* parent = nullptr);

    // Components 0..1; takes effect at the next frame.
    void setClearColour(float red, float green, float blue);
    // Clears the frame and sets the 2D projection in field pixels for the orientation.
    void beginFrame();
    // The projection for text over the field: window pixels, never turned by the orientation.
    void beginOverlays();

    // A new mipmapped texture from an image file or a decoded image; false, with a message, when
    // the file cannot be read or its depth is not 8, 24 or 32 bits. An image above the size limit
    // is scaled down (loadTexture logs it). Whatever context is current stays current, and the
    // GL state it had is left as it was.
    bool loadTexture(GLuint& texture, const QString& fileName);
    bool createTexture(GLuint& texture, const QImage& image);
    // The size an image of this size gets as a texture.
    static QSize textureSize(QSize imageSize);
    // texCoords holds four (s, t) pairs; pair 4 goes to (x, y), 3 to (x + w, y), 2 to
    // (x + w, y + h) and 1 to (x, y + h).
    void drawTexturedRect(GLuint texture, double x, double y, double w, double h,
                          const std::array<double, 8>& texCoords);
    void drawTexturedTriangle(GLuint texture, const std::array<double, 6>& vertices,
                              const std::array<double, 6>& texCoords);

    // The framebuffer's size in device pixels: the view's size at the screen's pixel ratio.
    static QSize devicePixels(QSize viewSize, qreal pixelRatio);
    QSize frameSize() const;
    // The current frame, frameSize() large, as blue, green, red bytes, bottom row first, rows
    // unpadded; empty when the view has no area.
    std::vector<unsigned char> readPixels();
    // The current frame upright; null when the view has no area.
    QImage frameImage();
    // The current frame as PNG into an open file; false, with the reason, unless all of it is there.
    bool saveScreenshot(QFileDevice& file, QString& error);
    static bool writePng(const QImage& image, QFileDevice& file, QString& error);

    // GL_RENDERER of the view's context, empty before it exists.
    const QString& renderer() const { return rendererName; }
    // Mesa's software rasterisers, where drawing offscreen and waiting for it costs more than the
    // whole CPU hit test.
    static bool isSoftwareRenderer(const QString& renderer);
    // Whether the extension loader could load the entry points in the view's context.
    bool extensionsReady() const { return extensionsLoaded; }

    bool wireframe = false;
    int orientation = Orientation::south;
    bool noMultitexture = false;
    int viewWidth() const { return width_; }
    int viewHeight() const { return height_; }

protected:
    void initializeGL() override;
    void resizeGL(int width, int height) override;
    void paintGL() override;

    // Whether GLEW could load the entry points in the view's context.
    bool extensionsLoaded = false;

private:
    void setup();

    FramePainter& painter;
    // The context Qt made for the view, on its own surface.
    GlContextRef viewContext;
    float clearColour[3] = {0.5f, 0.5f, 0.5f};
    QString rendererName;
    bool firstSetup = true;
    bool ownFontPending = false;
    int width_ = 0;
    int height_ = 0;
};
