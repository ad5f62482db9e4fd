#pragma once

#include "scene/Frame.h"
#include "scene/Target2D.h"
#include "scene/Transform.h"

#include <memory>
#include <vector>

class ExplosionBatch;
class Paddle;

// What is left of a hit target or a destroyed paddle: fragments that keep the source's motion,
// get a random kick and spin, and fade out.
class Explosion : public Frame, public Transform {
public:
    static constexpr double fragmentVisibleAlpha = 0.01;

    // The explosion that fits the target's kind: flat ones shatter into triangles, solid ones into
    // lines. Bakes the target's rotation; the caller deletes the target afterwards.
    static std::unique_ptr<Explosion> of(Target2D& target);

    // Fades every fragment by one step (per tick, whatever its length) and moves it.
    void update(double now) override;
    void draw() override;
    // Hands the fragments to the batch; false for those that must draw themselves.
    virtual bool addTo(ExplosionBatch&) { return false; }
    // Some fragment is still opaque enough and inside the field.
    bool isVisible();
    // After a pause: fragments move on from now, not from before the pause.
    void restartClockAt(double now);

    int fragmentCount() const { return static_cast<int>(fragments.size()); }

    // Delaunay triangulation of n points: writes index triples, each in one fixed orientation and
    // starting at its smallest index, sorted, at most 3 n of them, and returns how many. For
    // points in general position these are exactly the triples with no point inside their
    // circumcircle.
    static int triangulate(int n, const double* xs, const double* ys, int* out);

    double fade = 0.0;
    std::vector<std::unique_ptr<Target2D>> fragments;
};

// A flat target cut into triangles between sample points of its outline and inside.
class Explosion2D : public Explosion {
public:
    explicit Explosion2D(Target2D& source);
    bool addTo(ExplosionBatch& batch) override;

    std::vector<int> triangleIndices;
    int pointCount = 0;
};

// The destroyed paddle: textured triangles that still show the paddle's image.
class Explosion2DTex : public Explosion {
public:
    static constexpr int samplePoints = 32;

    explicit Explosion2DTex(const Paddle& paddle);

    std::vector<int> triangleIndices;
    int pointCount = 0;
};

// A solid target burst into a cloud of line segments, more for a larger target.
class Explosion3D : public Explosion {
public:
    explicit Explosion3D(const Target2D& source);
    bool addTo(ExplosionBatch& batch) override;
};

// Explosions drawn together: every flat fragment in one draw and every splinter in another, since
// a software renderer pays for each draw and a full field of explosions holds thousands of
// fragments. The paddle's textured explosion draws itself when it is added.
class ExplosionBatch {
public:
    void add(Explosion& explosion);
    // Draws what was added and empties the batch.
    void draw();

    std::vector<float> triangleVertices;
    std::vector<float> triangleColours;
    std::vector<float> lineVertices;
    std::vector<float> lineColours;
};
