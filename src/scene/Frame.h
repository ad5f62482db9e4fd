#pragma once

// Root of everything drawn or moved in the field.
class Frame {
public:
    virtual ~Frame();

    virtual void draw() = 0;
    // Advances the object to time now (program milliseconds).
    virtual void update(double now) = 0;
};
