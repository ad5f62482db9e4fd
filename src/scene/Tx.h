#pragma once

#include <GL/glew.h>

#include <QString>

#include <array>

class ZornOpenGL;

// Mix-in of objects drawn with a texture: the texture's name, the view that loaded it and the
// texture coordinates of a quadrilateral's corners.
class Tx {
public:
    // The corners (0, 0), (1, 0), (1, 1), (0, 1), in that order.
    Tx();

    // Loads fileName into textureId through view's texture loader, which reports a failure itself;
    // the texture name then stays 0.
    bool load(ZornOpenGL& view, const QString& fileName);

    GLuint textureId = 0;
    ZornOpenGL* view = nullptr;
    std::array<double, 8> texCoords;
};
