#pragma once

#include "render/ZornOpenGL.h"

// The view the main window embeds. It is where the hit test on the graphics card lives; until
// that exists it draws like its base and reports the test as unavailable.
class Shader : public ZornOpenGL {
    Q_OBJECT
public:
    using ZornOpenGL::ZornOpenGL;

    bool gpuCollisionAvailable() const { return false; }
};
