#include "scene/CurrentGlContext.h"

#include <QOpenGLContext>

const void* CurrentGlContext::id() {
    return QOpenGLContext::currentContext();
}
