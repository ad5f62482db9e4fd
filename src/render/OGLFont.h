#pragma once

#include <GL/glew.h>

#include <QString>

// Text drawn into the view: 96 display lists, one bitmap glyph per character code 32..127, made
// from a system font by Qt's rasteriser. Each text object keeps its own font.
class OGLFont {
public:
    static constexpr int firstCode = 32;
    static constexpr int glyphCount = 96;

    virtual ~OGLFont();

    // Needs the view's context to be current.
    void createFont(const QString& face, int height);
    // Draws at the current raster position; characters outside 32..127 draw nothing.
    void print(const QString& text) const;
    bool hasFont() const { return listBase != 0; }

protected:
    GLuint listBase = 0;
};
