#pragma once

#include <GL/glew.h>

#include "render/OGLFont.h"
#include "core/Orientation.h"

#include <QOpenGLWidget>

#include <array>
#include <vector>

class FramePainter;
class QImage;

// The OpenGL view that fills the main window: the fixed GL state, the projection for each screen
// orientation, textures and the read-back of frames. Every GL call of the program happens here or
// in a scene object's draw, on the window thread.
class ZornOpenGL : public QOpenGLWidget, public OGLFont {
    Q_OBJECT
public:
    explicit ZornOpenGL(FramePainter& painter, QWidget* parent = nullptr);

    // Components 0..1; takes effect at the next frame.
    void setClearColour(float red, float green, float blue);
    // Clears the frame and sets the 2D projection in field pixels for the orientation.
    void beginFrame();
    // The projection for text over the field: window pixels, never turned by the orientation.
    void beginOverlays();

    // A new mipmapped texture from an image file or a decoded image; false, with a message, when
    // the file cannot be read or its depth is not 8, 24 or 32 bits.
    bool loadTexture(GLuint& texture, const QString& fileName);
    bool createTexture(GLuint& texture, const QImage& image);
    // texCoords holds four (s, t) pairs; pair 4 goes to (x, y), 3 to (x + w, y), 2 to
    // (x + w, y + h) and 1 to (x, y + h).
    void drawTexturedRect(GLuint texture, double x, double y, double w, double h,
                          const std::array<double, 8>& texCoords);
    void drawTexturedTriangle(GLuint texture, const std::array<double, 6>& vertices,
                              const std::array<double, 6>& texCoords);

    // The current frame as blue, green, red bytes, bottom row first, rows unpadded; empty when the
    // view has no area.
    std::vector<unsigned char> readPixels();
    // Writes the current frame upright in the format the file name's extension selects.
    bool saveScreenshot(const QString& fileName);

    bool wireframe = false;
    int orientation = Orientation::south;
    bool noMultitexture = false;
    int viewWidth() const { return width_; }
    int viewHeight() const { return height_; }

protected:
    void initializeGL() override;
    void resizeGL(int width, int height) override;
    void paintGL() override;

private:
    void setup();

    FramePainter& painter;
    float clearColour[3] = {0.5f, 0.5f, 0.5f};
    bool firstSetup = true;
    int width_ = 0;
    int height_ = 0;
};
