#pragma once

#include <GL/glew.h>

#include <array>

struct GLUquadric;
class ZornOpenGL;

// One digit of a rolling counter: a short textured cylinder turned so that its value faces the viewer.
class DigitWheel {
public:
    static constexpr int textureCount = 7;

    DigitWheel() = default;
    ~DigitWheel();
    DigitWheel(const DigitWheel&) = delete;
    DigitWheel& operator=(const DigitWheel&) = delete;

    // Keeps v modulo 10 and picks the texture and angle that show it.
    void setValue(double v);
    // Cylinder of radius 0.8 * size and length size along x, from the current position.
    void draw(double size);

    std::array<GLuint, textureCount> textures{};
    ZornOpenGL* view = nullptr;
    double wheelAngle = 0.0;
    double digitValue = 0.0;
    int textureIndex = 0;

private:
    GLUquadric* quadric = nullptr;
};
