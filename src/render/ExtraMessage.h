#pragma once

#include "render/OGLFont.h"

// A one-line message over the field, such as "Game Over!".
class ExtraMessage : public OGLFont {
public:
    void setText(const QString& newText) { text = newText; }
    void draw() const;

    float textX = 0.0f;
    float textY = 0.0f;
    QString text;
    bool visible = false;
};
