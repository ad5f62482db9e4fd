#include "render/ExtraMessage.h"

void ExtraMessage::draw() const {
    if (!visible) {
        return;
    }
    glPushAttrib(GL_CURRENT_BIT);
    glColor4d(0.0, 0.0, 1.0, 1.0);
    glRasterPos2f(textX, textY);
    print(text);
    glPopAttrib();
}
