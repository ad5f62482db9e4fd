#include "scene/Tx.h"

#include "render/ZornOpenGL.h"

Tx::Tx() : texCoords{0.0, 0.0, 1.0, 0.0, 1.0, 1.0, 0.0, 1.0} {}

bool Tx::load(ZornOpenGL& view, const QString& fileName) {
    this->view = &view;
    if (view.loadTexture(textureId, fileName))
        return true;
    // Drawn untextured rather than with whatever name the loader may have left.
    textureId = 0;
    return false;
}
