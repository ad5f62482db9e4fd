#pragma once

#include "scene/Target2D.h"
#include "scene/Tx.h"

#include <array>
#include <vector>

// The pieces an explosion is made of. They start with the source's place, colour and motion and
// then fly, spin and leave the field like targets; no hit test ever sees them.
namespace Fragments {

// A piece of a flat target.
class Triangle : public Target2D {
public:
    // The vertices in the source's frame, field units; the fragment is centred on their centroid.
    Triangle(const Target2D& source, double ax, double ay, double bx, double by, double cx, double cy);

    int typeCode() override;
    void drawShape() override;
    std::unique_ptr<double[]> fragmentPoints(int& count) override;
    void bakeRotation() override;
    // The three vertices in pixels, turned and placed as draw() would, each with the colour, so
    // that many fragments go to the GL in one draw; nothing when the fragment lies wholly beyond
    // an edge of the field.
    void appendTo(std::vector<float>& vertices, std::vector<float>& colours) const;

    // Vertices relative to the centroid, field units.
    double x1 = 0.0;
    double y1 = 0.0;
    double x2 = 0.0;
    double y2 = 0.0;
    double x3 = 0.0;
    double y3 = 0.0;

protected:
    // The vertices in pixels, as drawn.
    std::array<double, 6> pixelVertices() const;
};

// A piece of the paddle that still shows its part of the paddle's image.
class TriangleTx : public Triangle, public Tx {
public:
    using Triangle::Triangle;

    void drawShape() override;

    // (s, t) of the three vertices.
    std::array<double, 6> triangleTexCoords{};
};

// A splinter of a solid target.
class Line : public Target2D {
public:
    // End points relative to the source's centre, field units.
    Line(const Target2D& source, double ax, double ay, double bx, double by);

    int typeCode() override;
    void drawShape() override;
    std::unique_ptr<double[]> fragmentPoints(int& count) override;
    void bakeRotation() override;
    // The two end points, as Triangle::appendTo.
    void appendTo(std::vector<float>& vertices, std::vector<float>& colours) const;

    double x1 = 0.0;
    double y1 = 0.0;
    double x2 = 0.0;
    double y2 = 0.0;
};

} // namespace Fragments
