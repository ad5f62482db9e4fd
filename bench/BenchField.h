#pragma once
// What the window benches share: running the event loop for a while, notices on standard error
// instead of in message boxes, and scripted fields of resting targets and guns.
#include "core/Notice.h"
#include "game/State.h"
#include "scene/Circle.h"
#include "scene/Cylinder.h"
#include "scene/Gun.h"
#include "scene/Rectangle.h"
#include "scene/SceneRandom.h"
#include "scene/Sphere.h"
#include "scene/Triangle.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <memory>

namespace BenchField {

inline void runFor(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

// Missing data files would otherwise wait in a message box.
inline void printNotices() {
    Notice::setHandler([](const QString& message) { std::fprintf(stderr, "%s\n", qPrintable(message)); });
}

inline double randomIn(double low, double high) {
    return low + (high - low) * (SceneRandom::next() / 32767.0);
}

// The five kinds in turn, at rest size, somewhere over the upper field.
inline std::unique_ptr<Target2D> makeTarget(int kind) {
    SpawnContext context;
    context.paddleY = 0.95;
    std::unique_ptr<Target2D> target;
    switch (kind % 5) {
    case 0:
        target = std::make_unique<Triangle>(context, true, false, true, 0.0, 0.03);
        break;
    case 1:
        target = std::make_unique<Rectangle>(context, true, false, true, 0.0, 0.03);
        break;
    case 2:
        target = std::make_unique<Circle>(context, true, false, true, 0.0, 0.03);
        break;
    case 3:
        target = std::make_unique<Sphere>(context, true, false, true, 0.0, 0.03);
        break;
    default:
        target = std::make_unique<Cylinder>(context, true, false, true, 0.0, 0.03);
        break;
    }
    target->x = randomIn(0.05, 0.95);
    target->y = randomIn(0.05, 0.65);
    return target;
}

// Guns anywhere below the targets' top band, so that a new target may land on one and burst at once.
inline void fill(State& state, int targets, int guns) {
    while (state.targets.count() < targets) {
        state.targets.add(makeTarget(state.targets.count()));
    }
    while (state.guns.count() < guns) {
        state.guns.add(std::make_unique<Gun>(Gun::firedRadius, randomIn(0.05, 0.95), randomIn(0.2, 0.9)));
    }
}

// Targets above and guns below a gap wider than any target, the targets spinning on the spot, so
// that nothing is hit by chance.
inline void fillApart(State& state, int targets, int guns) {
    while (state.targets.count() < targets) {
        auto target = makeTarget(state.targets.count());
        target->y = randomIn(0.05, 0.5);
        target->vx = 0.0;
        target->vy = 0.0;
        state.targets.add(std::move(target));
    }
    while (state.guns.count() < guns) {
        state.guns.add(std::make_unique<Gun>(Gun::firedRadius, randomIn(0.05, 0.95), randomIn(0.75, 0.95)));
    }
}

// A target put where a gun is, hit in the next frame.
inline void hitOne(State& state) {
    if (state.guns.empty()) {
        return;
    }
    const Gun& gun = *state.guns[SceneRandom::next() % state.guns.count()];
    auto target = makeTarget(SceneRandom::next());
    target->x = gun.x;
    target->y = gun.y;
    state.targets.add(std::move(target));
}

} // namespace BenchField
