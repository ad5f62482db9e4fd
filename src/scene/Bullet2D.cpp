#include "scene/Bullet2D.h"

void Bullet2D::update(double now) {
    if (lastUpdate >= 0.0) {
        const double dt = now - lastUpdate;
        x += vx * dt;
        y += vy * dt;
    }
    lastUpdate = now;
}

bool Bullet2D::isInField() {
    return -radius < y && -radius < x && x < 1.0 + radius;
}
