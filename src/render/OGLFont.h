#pragma once

#include <GL/glew.h>

#include "render/GlContextScope.h"

#include <QFont>
#include <QString>

// Text drawn into the view: 96 display lists, one bitmap glyph per character code 32..127, made
// from a system font by Qt's rasteriser. Each text object keeps its own font.
class OGLFont {
public:
    static constexpr int firstCode = 32;
    static constexpr int glyphCount = 96;

    OGLFont() = default;
    // Deletes the lists in the context that made them.
    virtual ~OGLFont();
    OGLFont(const OGLFont&) = delete;
    OGLFont& operator=(const OGLFont&) = delete;

    // Needs the context to draw in to be current. height is the glyph cell, ascent plus descent,
    // as a font's height is given on the platforms the game came from. Lists of an earlier font
    // are deleted first.
    void createFont(const QString& face, int height);
    // Draws at the current raster position, the baseline; characters outside 32..127 draw nothing.
    void print(const QString& text) const;
    bool hasFont() const { return listBase != 0; }
    GLuint firstList() const { return listBase; }
    // Rows of every glyph bitmap.
    int glyphHeight() const { return cellHeight; }

    // The face at the largest pixel size whose ascent plus descent fits into height.
    static QFont fontForCell(const QString& face, int height);

protected:
    GLuint listBase = 0;

private:
    void deleteLists();

    GlContextRef listContext;
    int cellHeight = 0;
};
