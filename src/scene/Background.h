#pragma once

#include "scene/Frame.h"
#include "scene/Transform.h"

// The empty scene object the game keeps in the field.
class Background : public Transform, public Frame {
public:
    void draw() override;
    void update(double now) override;
};
