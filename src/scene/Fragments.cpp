#include "scene/Fragments.h"

#include "render/ZornOpenGL.h"
#include "scene/FieldScale.h"
#include "scene/TypeCodes.h"

#include <GL/glew.h>

#include <algorithm>
#include <cmath>

namespace {
constexpr double lineRadiusMargin = 1.1;
constexpr double degreesToRadians = 3.14159265358979323846 / 180.0;
// Wider than any line or edge rule reaches beyond a primitive's vertices.
constexpr double offFieldMarginPx = 2.0;

// What the draw's translation and rotation about z would do to a point in pixels.
struct Placement {
    Placement(const Target2D& fragment, const FieldScale& scale, std::vector<float>& vertices,
              std::vector<float>& colours)
        : cx(fragment.x * scale.fieldWidthPx), cy(fragment.y * scale.fieldHeightPx),
          c(std::cos(fragment.angle * degreesToRadians)),
          s(std::sin(fragment.angle * degreesToRadians)), colour{static_cast<float>(fragment.red),
                                                                 static_cast<float>(fragment.green),
                                                                 static_cast<float>(fragment.blue),
                                                                 static_cast<float>(fragment.alpha)},
          vertices(vertices), colours(colours) {}
    // The point (px, py) of the fragment's own frame in the field's pixels.
    std::array<double, 2> place(double px, double py) const {
        return {cx + c * px - s * py, cy + s * px + c * py};
    }
    // Appends the n placed points, unless all lie beyond one edge of the field: such a primitive
    // covers no pixel, and the GL would only transform and clip it.
    template <int n> void primitive(const std::array<double, 2 * n>& points, const FieldScale& scale) const {
        std::array<double, 2 * n> placed;
        for (int i = 0; i < n; ++i) {
            const std::array<double, 2> p = place(points[2 * i], points[2 * i + 1]);
            placed[2 * i] = p[0];
            placed[2 * i + 1] = p[1];
        }
        const auto allBeyond = [&](int axis, double low, double high) {
            bool below = true;
            bool above = true;
            for (int i = 0; i < n; ++i) {
                below = below && placed[2 * i + axis] < low;
                above = above && placed[2 * i + axis] > high;
            }
            return below || above;
        };
        if (allBeyond(0, -offFieldMarginPx, scale.fieldWidthPx + offFieldMarginPx) ||
            allBeyond(1, -offFieldMarginPx, scale.fieldHeightPx + offFieldMarginPx)) {
            return;
        }
        for (int i = 0; i < 2 * n; ++i)
            vertices.push_back(static_cast<float>(placed[i]));
        for (int i = 0; i < n; ++i)
            colours.insert(colours.end(), colour.begin(), colour.end());
    }
    double cx, cy, c, s;
    std::array<float, 4> colour;
    std::vector<float>& vertices;
    std::vector<float>& colours;
};
} // namespace

namespace Fragments {

Triangle::Triangle(const Target2D& source, double ax, double ay, double bx, double by, double cx, double cy)
    : Target2D(source) {
    name = source.name;
    const double mx = (ax + bx + cx) / 3.0;
    const double my = (ay + by + cy) / 3.0;
    x += mx;
    y += my;
    x1 = ax - mx;
    y1 = ay - my;
    x2 = bx - mx;
    y2 = by - my;
    x3 = cx - mx;
    y3 = cy - my;
    radius = std::max({std::hypot(x1, y1), std::hypot(x2, y2), std::hypot(x3, y3)});
}

int Triangle::typeCode() {
    return TypeCodes::triangle;
}

std::array<double, 6> Triangle::pixelVertices() const {
    const FieldScale& scale = FieldScale::program();
    return {x1 * scale.fieldWidthPx,  y1 * scale.fieldHeightPx, x2 * scale.fieldWidthPx,
            y2 * scale.fieldHeightPx, x3 * scale.fieldWidthPx,  y3 * scale.fieldHeightPx};
}

void Triangle::drawShape() {
    const std::array<double, 6> v = pixelVertices();
    glBegin(GL_TRIANGLES);
    for (int i = 0; i < 3; ++i)
        glVertex2d(v[2 * i], v[2 * i + 1]);
    glEnd();
}

void Triangle::appendTo(std::vector<float>& vertices, std::vector<float>& colours) const {
    const FieldScale& scale = FieldScale::program();
    const Placement at(*this, scale, vertices, colours);
    at.primitive<3>(pixelVertices(), scale);
}

// Fragments never explode again.
std::unique_ptr<double[]> Triangle::fragmentPoints(int&) {
    return nullptr;
}

void Triangle::bakeRotation() {}

void TriangleTx::drawShape() {
    if (view)
        view->drawTexturedTriangle(textureId, pixelVertices(), triangleTexCoords);
    else
        Triangle::drawShape();
}

Line::Line(const Target2D& source, double ax, double ay, double bx, double by)
    : Target2D(source), x1(ax), y1(ay), x2(bx), y2(by) {
    name = source.name + "l";
    radius = lineRadiusMargin * std::max(std::hypot(ax, ay), std::hypot(bx, by));
}

int Line::typeCode() {
    return TypeCodes::line;
}

void Line::drawShape() {
    const FieldScale& scale = FieldScale::program();
    glBegin(GL_LINES);
    glVertex2d(x1 * scale.fieldWidthPx, y1 * scale.fieldHeightPx);
    glVertex2d(x2 * scale.fieldWidthPx, y2 * scale.fieldHeightPx);
    glEnd();
}

void Line::appendTo(std::vector<float>& vertices, std::vector<float>& colours) const {
    const FieldScale& scale = FieldScale::program();
    const Placement at(*this, scale, vertices, colours);
    at.primitive<2>({x1 * scale.fieldWidthPx, y1 * scale.fieldHeightPx, x2 * scale.fieldWidthPx,
                     y2 * scale.fieldHeightPx},
                    scale);
}

std::unique_ptr<double[]> Line::fragmentPoints(int&) {
    return nullptr;
}

void Line::bakeRotation() {}

} // namespace Fragments
