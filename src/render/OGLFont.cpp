#include "render/OGLFont.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <vector>

namespace {
int cellOf(const QFont& font) {
    const QFontMetrics metrics(font);
    return metrics.ascent() + metrics.descent();
}
} // namespace

OGLFont::~OGLFont() {
    deleteLists();
}

void OGLFont::deleteLists() {
    if (listBase == 0) {
        return;
    }
    // With their context gone the lists went too.
    const GlContextScope scope(listContext);
    if (scope.active()) {
        glDeleteLists(listBase, glyphCount);
    }
    listBase = 0;
}

QFont OGLFont::fontForCell(const QString& face, int height) {
    height = std::max(1, height);
    QFont font(face);
    font.setStyleStrategy(QFont::PreferAntialias);
    font.setPixelSize(height);
    // Cells grow with the pixel size, though not smoothly; start from the proportional guess and
    // walk to the largest size that fits.
    int size = std::max(1, height * height / std::max(1, cellOf(font)));
    for (int step = 0; step < height && size > 1; ++step) {
        font.setPixelSize(size);
        if (cellOf(font) <= height) {
            break;
        }
        --size;
    }
    for (int step = 0; step < height; ++step) {
        font.setPixelSize(size + 1);
        if (cellOf(font) > height) {
            break;
        }
        ++size;
    }
    font.setPixelSize(size);
    return font;
}

void OGLFont::createFont(const QString& face, int height) {
    deleteLists();
    listContext = GlContextRef::current();
    listBase = glGenLists(glyphCount);
    if (listBase == 0) {
        return;
    }
    const QFont font = fontForCell(face, height);
    const QFontMetrics metrics(font);
    const int rows = metrics.ascent() + metrics.descent();
    cellHeight = rows;
    GLint unpackAlignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpackAlignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    for (int code = firstCode; code < firstCode + glyphCount; ++code) {
        const QChar c(code);
        const int advance = metrics.horizontalAdvance(c);
        const int width = std::max(1, advance);
        QImage glyph(width, rows, QImage::Format_Grayscale8);
        glyph.fill(0);
        QPainter painter(&glyph);
        painter.setFont(font);
        painter.setPen(Qt::white);
        painter.drawText(0, metrics.ascent(), QString(c));
        painter.end();
        // glBitmap wants one bit per pixel, bottom row first, rows padded to whole bytes.
        const int rowBytes = (width + 7) / 8;
        std::vector<GLubyte> bits(static_cast<std::size_t>(rowBytes) * rows, 0);
        for (int y = 0; y < rows; ++y) {
            const uchar* line = glyph.constScanLine(rows - 1 - y);
            for (int x = 0; x < width; ++x) {
                if (line[x] > 127) {
                    bits[static_cast<std::size_t>(y) * rowBytes + x / 8] |=
                        static_cast<GLubyte>(0x80 >> (x % 8));
                }
            }
        }
        glNewList(listBase + code - firstCode, GL_COMPILE);
        glBitmap(width, rows, 0.0f, static_cast<float>(metrics.descent()), static_cast<float>(advance), 0.0f,
                 bits.data());
        glEndList();
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, unpackAlignment);
}

void OGLFont::print(const QString& text) const {
    if (listBase == 0 || text.isEmpty()) {
        return;
    }
    std::vector<GLubyte> codes;
    codes.reserve(text.size());
    for (const QChar c : text) {
        if (c.unicode() >= firstCode && c.unicode() < firstCode + glyphCount) {
            codes.push_back(static_cast<GLubyte>(c.unicode()));
        }
    }
    glPushAttrib(GL_LIST_BIT);
    glListBase(listBase - firstCode);
    glCallLists(static_cast<GLsizei>(codes.size()), GL_UNSIGNED_BYTE, codes.data());
    glPopAttrib();
}
