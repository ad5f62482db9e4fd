#pragma once

// Whether this display can give the game an OpenGL context at all.
bool openGLAvailable();
