#include "scene/Shape.h"

#include "scene/SceneRandom.h"

namespace {
constexpr double fullDistancePosition = 50.0;
constexpr int triesBeforeRelaxing = 8;
constexpr double relaxFactor = 0.9;
} // namespace

Shape::Shape(const SpawnContext& context, bool changeColour, bool distractor) {
    double minDist2 = context.minimumDistancePosition / fullDistancePosition;
    minDist2 *= minDist2;
    // A distance that cannot be met is relaxed by 10 % every ninth try, so this always ends.
    int tries = 0;
    for (;;) {
        x = rand01();
        y = context.paddleMovesFreely ? rand01() : 0.0;
        if (tries == triesBeforeRelaxing) {
            tries = 0;
            minDist2 *= relaxFactor;
        } else {
            ++tries;
        }
        const double dx = x - context.paddleX;
        const double dy = y - context.paddleY;
        if (dx * dx + dy * dy >= minDist2)
            break;
    }

    if (changeColour) {
        blue = rand01();
        green = rand01();
        red = rand01();
        alpha = 0.7 + 0.3 * rand01();
    } else {
        red = 1.0;
        green = 0.5;
        blue = 0.25;
        alpha = 1.0;
    }
    scoreValue = 1.0;
    this->distractor = distractor;
    spawnTime = context.now;
    x0 = x;
    y0 = y;
}

Shape::Shape(const Shape& other)
    : Transform(), Frame(), distractor(other.distractor), red(other.red), green(other.green),
      blue(other.blue), alpha(other.alpha), x(other.x), y(other.y), radius(other.radius),
      scoreValue(other.scoreValue) {}

bool Shape::collides(double px, double py, double otherRadius) const {
    const double dx = x - px;
    const double dy = y - py;
    const double reach = (radius + otherRadius) / 1.1;
    return dx * dx + dy * dy <= reach * reach;
}
