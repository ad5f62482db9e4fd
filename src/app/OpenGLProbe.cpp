#include "app/OpenGLProbe.h"

// Kept apart from the GL headers of the view: Qt's context header and GLEW do not mix.
#include <QOpenGLContext>

bool openGLAvailable() {
    QOpenGLContext probe;
    return probe.create();
}
