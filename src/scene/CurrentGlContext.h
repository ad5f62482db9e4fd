#pragma once

// Which GL context is current, as an opaque identity. Kept apart from the GL headers: Qt's context
// header must not meet GLEW's in one file.
class CurrentGlContext {
public:
    static const void* id();
};
