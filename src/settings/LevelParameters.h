#pragma once

// What a learning module asks the window to change; a negative value (or a clear bit 0 of
// applyWeaponsSpeed) leaves that setting as it is.
struct LevelParameters {
    // Every target kind: triangle, circle, rectangle, sphere and cylinder.
    static constexpr int allShapeKinds = 0x303E;

    int applyWeaponsSpeed = 0;
    int weaponsSpeed = -1;
    int shapeKinds = allShapeKinds;
    int shapesSpeed = -1;
    int targetsPerSecond = -1;
    int shapesSize = -1;
};
