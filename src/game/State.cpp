#include "game/State.h"

#include "core/RandomSeeds.h"

#include "game/GameReport.h"
#include "core/Clock.h"
#include "core/Orientation.h"
#include "render/HitPasses.h"
#include "render/Timer.h"
#include "scene/Circle.h"
#include "scene/Cylinder.h"
#include "scene/Explosion.h"
#include "scene/Gun.h"
#include "scene/ObjectNames.h"
#include "scene/Paddle.h"
#include "scene/SceneRandom.h"
#include "scene/Sphere.h"
#include "scene/Triangle.h"
#include "scene/Rectangle.h"
#include "settings/AllShapesSettings.h"
#include "settings/GameLevels.h"
#include "settings/GameSettings.h"
#include "settings/GameSettingsPages.h"

#include <algorithm>
#include <cmath>
#include <ctime>

namespace {
constexpr double gunSpeedStep = -0.0007;
constexpr double sizeStep = 0.03;
constexpr double sizeBase = 0.06;
constexpr double sizeScale = 0.125;
// Kinds in the order the spawner offers them: triangles, rectangles, circles, spheres, cylinders.
constexpr int kindCount = 5;

double sizeFor(int position) {
    return (position * sizeStep + sizeBase) * sizeScale;
}
} // namespace

State::State() {
    SceneRandom::seed(static_cast<std::uint32_t>(std::time(nullptr)));
}

State::~State() = default;

void State::attach(GameSettingsPages& settingsPages, Paddle& thePaddle, Timer& countdown) {
    pages = &settingsPages;
    paddle = &thePaddle;
    timer = &countdown;
}

void State::addListener(GameListener& listener) {
    listeners.push_back(&listener);
}

void State::removeListener(GameListener& listener) {
    std::erase(listeners, &listener);
}

void State::tick(double now) {
    paddle->update(now);
    for (Target2D* target : targets) {
        target->update(now);
    }
    for (Gun* gun : guns) {
        gun->update(now);
    }
    for (Explosion* explosion : explosions) {
        explosion->update(now);
    }
    for (DigitCounter* counter : {&hitCounter, &missCounter}) {
        if (counter->shownValue != counter->targetValue) {
            counter->animate(now);
        }
    }
    removeFinished(now);
    spawnTargets(now);
    lastTick = now;
    notify(&GameListener::ticked, now);
}

std::unique_ptr<Target2D> State::makeTarget(int kind, const GameSettings& settings, double now) {
    const ShapeSettings& shape = settings.shapes[kind];
    const double size = shape.randomSize
                            ? (10.0 * (SceneRandom::next() - 1) / 32767.0 * sizeStep + sizeBase) * sizeScale
                            : sizeFor(shape.size);
    SpawnContext context;
    context.now = now;
    context.paddleX = paddle->posX;
    context.paddleY = paddle->posY;
    context.paddleMovesFreely = paddle->freeMovement;
    context.minimumDistancePosition = settings.allShapes.minimumDistanceFromPaddle;
    context.noHorizontalMovement = settings.allShapes.noHorizontalMovementOfTargets;
    const double speed = shape.speed;
    switch (shape.typeCode()) {
    case SettingKeys::triangleType:
        return std::make_unique<Triangle>(context, shape.colour, shape.distractor, shape.rotate, speed, size);
    case SettingKeys::rectangleType:
        return std::make_unique<Rectangle>(context, shape.colour, shape.distractor, shape.rotate, speed,
                                            size);
    case SettingKeys::circleType:
        return std::make_unique<Circle>(context, shape.colour, shape.distractor, shape.rotate, speed, size);
    case SettingKeys::sphereType:
        return std::make_unique<Sphere>(context, shape.colour, shape.distractor, shape.rotate, speed, size);
    default:
        return std::make_unique<Cylinder>(context, shape.colour, shape.distractor, shape.rotate, speed, size);
    }
}

void State::spawnTargets(double now) {
    const GameSettings settings = pages->current();
    const double rate = SliderTables::rateAt(settings.allShapes.shapesPerSecond);
    if (!targets.empty() && now - lastSpawn <= 1000.0 / rate) {
        return;
    }
    if (targets.full()) {
        return;
    }
    // A kind that is no distractor is entered twice, so it is twice as likely.
    std::array<int, 2 * kindCount> candidates{};
    int n = 0;
    for (int kind = 0; kind < kindCount; ++kind) {
        const ShapeSettings& shape = settings.shapes[kind];
        if (!shape.show || (shape.oneAtATime && countTargetsOfKind(shape.typeCode()) > 0)) {
            continue;
        }
        candidates[n++] = kind;
        if (!shape.distractor) {
            candidates[n++] = kind;
        }
    }
    if (n > 0) {
        const int pick = static_cast<int>(n * (SceneRandom::next() - 1) / 32767.0);
        targets.add(makeTarget(candidates[std::clamp(pick, 0, n - 1)], settings, now));
    }
    lastSpawn = now;
}

void State::removeFinished(double now) {
    for (int i = 0; i < targets.count();) {
        Target2D* target = targets[i];
        if (target->isInField()) {
            ++i;
            continue;
        }
        if (!target->distractor) {
            ++targetsMissed;
            missCounter.add(target->scoreValue, now);
        }
        notify(&GameListener::targetEscaped, GameEvents::Hit{target->name, target->x, target->y, target->typeCode()});
        targets.removeAt(i);
    }
    for (int i = 0; i < guns.count();) {
        if (guns[i]->isInField()) {
            ++i;
        } else {
            guns.removeAt(i);
        }
    }
    for (int i = 0; i < explosions.count();) {
        if (explosions[i]->isVisible()) {
            ++i;
        } else {
            explosions.removeAt(i);
        }
    }
}

void State::pause(double now) {
    if (paused) {
        return;
    }
    paused = true;
    lastTick = now;
    onShowCursor();
}

void State::resume(double now) {
    if (gameOver) {
        return;
    }
    // The pause does not count against the time limit.
    if (timer->running) {
        timer->remaining += now - lastTick;
    }
    shiftClocks(now);
    beginPlay();
}

void State::shiftClocks(double now) {
    const double pauseLength = now - lastTick;
    paddle->lastUpdate = now;
    for (Target2D* target : targets) {
        target->lastUpdate = now;
        // Ages leave the pause out, so hit times do too.
        target->spawnTime += pauseLength;
    }
    for (Gun* gun : guns) {
        gun->lastUpdate = now;
    }
    for (Explosion* explosion : explosions) {
        explosion->restartClockAt(now);
    }
    lastTick = now;
}

void State::beginPlay() {
    paused = false;
    // Moves made while nothing was in play are no movement of the paddle.
    paddle->skipNextMove = true;
    onPlayBegins();
    onHideCursor();
    gameOver = false;
    const LevelSelection now = currentSelection();
    vulnerablePaddle = now.vulnerablePaddle;
    applyPaddleSettings(pages->current());
}

void State::applyPaddleSettings(const GameSettings& settings) {
    paddle->sensitivityH = settings.allShapes.horizontalMouseSensitivity;
    paddle->sensitivityV = settings.allShapes.verticalMouseSensitivity;
    paddle->freeMovement = currentSelection().freePaddle;
    if (!paddle->freeMovement) {
        // Without free movement the paddle sits on the bottom edge.
        paddle->posY = 1.0 - paddle->paddleHeight;
    }
}

int State::startGame(const LevelSelection& confirmed, double now, const GameReport::Answers& answers) {
    selection = confirmed;
    ObjectNames::resetAll();
    gameLevel = confirmed.gameLevel;
    const GameLevels::LevelStart start = GameLevels::applyLevel(confirmed, *pages);
    if (start.timeLimitMs > 0) {
        timer->start(now, start.timeLimitMs);
    } else {
        // An untimed game must not end at the deadline of an interrupted timed one.
        timer->stop();
    }
    if (start.vulnerablePaddle) {
        vulnerablePaddle = *start.vulnerablePaddle;
    }
    applyPaddleSettings(pages->current());
    targets.clear();
    guns.clear();
    // Nothing of the last game flies on into this one.
    explosions.clear();
    hitCounter.restart(now);
    missCounter.restart(now);
    composeReport(confirmed, answers);
    startAnswers = answers;
    RandomSeeds::clear();
    RandomSeeds::note("scene", SceneRandom::current());
    lastTick = now;
    lastSpawn = now;
    // The paddle scales mouse movement by the time since its last update, which before the first
    // game is the program's start: without this, the first move would throw it to the edge.
    paddle->lastUpdate = now;
    reportPending = true;
    ++gameNumber;
    notify(&GameListener::gameStarted, gameNumber, confirmed);
    beginPlay();
    return start.timeLimitMs;
}

void State::composeReport(const LevelSelection& confirmed, const GameReport::Answers& answers) {
    const GameSettings settings = pages->current();
    GameReport::Facts facts;
    facts.questionnaire = answers.questionnaire;
    facts.objectIndex = answers.objectIndex;
    facts.objectName = answers.objectName;
    facts.groupName = groupName;
    facts.savedOn = QDateTime::currentDateTime();
    facts.gameLevel = confirmed.gameLevel;
    facts.difficulty = confirmed.difficulty;
    facts.oneShot = confirmed.oneShot;
    facts.vulnerablePaddle = confirmed.vulnerablePaddle;
    facts.freePaddle = confirmed.freePaddle;
    facts.horizontalSensitivity = settings.allShapes.horizontalMouseSensitivity;
    facts.verticalSensitivity = settings.allShapes.verticalMouseSensitivity;
    facts.orientation = paddle->orientation;
    reportLines = GameReport::compose(facts);
}

void State::answerAfterGame(const QString& answers) {
    notify(&GameListener::afterGameAnswered, answers);
}

void State::endGame() {
    paused = true;
    gameOver = true;
    onShowCursor();
    GameEvents::Ending ending;
    ending.gameNumber = gameNumber;
    ending.level = gameLevel;
    ending.difficultyIndex = GameLevels::difficultyIndex(selection.difficulty, selection.oneShot);
    ending.score = score();
    ending.afterGameFollows = reportPending;
    pendingAfterGame.reset();
    if (reportPending) {
        pendingAfterGame = ending;
    }
    notify(&GameListener::gameEnded, ending);
}

std::optional<GameEvents::Ending> State::takeAfterGame(int number) {
    if (!pendingAfterGame || pendingAfterGame->gameNumber != number) {
        return std::nullopt;
    }
    return takeAnyAfterGame();
}

std::optional<GameEvents::Ending> State::takeAnyAfterGame() {
    std::optional<GameEvents::Ending> ending;
    ending.swap(pendingAfterGame);
    if (ending) {
        notify(&GameListener::afterGame, *ending);
    }
    return ending;
}

int State::score() const {
    return hitCounter.displayedValue() - missCounter.displayedValue();
}

void State::clearField() {
    // Explosions stay: the learning method clears the field between its steps, not the picture.
    targets.clear();
    guns.clear();
}

int State::countTargetsOfKind(int typeCode) const {
    int n = 0;
    for (int i = 0; i < targets.count(); ++i) {
        n += targets[i]->typeCode() == typeCode ? 1 : 0;
    }
    return n;
}

void State::paintFrame() {
    paddle->draw();
    for (Target2D* target : targets) {
        target->draw();
    }
    for (Gun* gun : guns) {
        gunBatch.add(*gun);
    }
    gunBatch.draw();
    for (Explosion* explosion : explosions) {
        explosionBatch.add(*explosion);
    }
    explosionBatch.draw();
    if (usesGpuHitTest()) {
        detectHitsGpu();
    } else {
        detectHitsCpu();
    }
    processHits(Clock::program().now());
}

bool State::usesGpuHitTest() const {
    return gpuCollision && gpuCollisionAvailable && hitPasses != nullptr && hitPasses->hitPassesReady();
}

void State::detectHitsGpu() {
    static_assert(SceneList<Target2D>::capacity <= HitPasses::queryCount);
    HitPasses& gpu = *hitPasses;
    const int n = targets.count();
    // Every slot gets a query, drawn or not, so that each count read belongs to this frame.
    auto probeTargets = [&](bool distractors) {
        for (int i = 0; i < n; ++i) {
            gpu.beginQuery(i);
            if (targets[i]->distractor == distractors) {
                targets[i]->draw();
            }
            gpu.endQuery();
        }
    };
    auto probeAgainstPaddle = [&](bool distractors) {
        gpu.pass(HitPasses::cover);
        paddle->draw();
        gpu.pass(HitPasses::probe);
        probeTargets(distractors);
    };
    gpu.pass(HitPasses::open);
    for (Gun* gun : guns) {
        gun->draw();
    }
    gpu.pass(HitPasses::probe);
    probeTargets(false);
    gpu.pass(HitPasses::restore);
    for (int i = n - 1; i >= 0; --i) {
        hitFlags[i] = gpu.pixelCount(i) != 0;
    }
    paddleDestroyed = false;
    if (!vulnerablePaddle || paddle->recovery > 0) {
        gpu.pass(HitPasses::close);
        return;
    }
    probeAgainstPaddle(false);
    gpu.pass(HitPasses::restore);
    for (int i = n - 1; i >= 0; --i) {
        if (gpu.pixelCount(i) != 0) {
            hitFlags[i] = true;
        }
    }
    probeAgainstPaddle(true);
    gpu.pass(HitPasses::close);
    for (int i = n - 1; i >= 0; --i) {
        if (gpu.pixelCount(i) != 0) {
            paddleDestroyed = true;
            break;
        }
    }
}

void State::detectHitsCpu() {
    // Guns sorted by x, so each target looks only at the guns within reach of its centre.
    struct GunPoint {
        double x, y, radius;
    };
    std::array<GunPoint, SceneList<Gun>::capacity> points;
    double widest = 0.0;
    for (int g = 0; g < guns.count(); ++g) {
        points[g] = {guns[g]->x, guns[g]->y, guns[g]->radius};
        widest = std::max(widest, guns[g]->radius);
    }
    const auto gunsEnd = points.begin() + guns.count();
    std::sort(points.begin(), gunsEnd, [](const GunPoint& a, const GunPoint& b) { return a.x < b.x; });
    for (int i = 0; i < targets.count(); ++i) {
        const Target2D* target = targets[i];
        hitFlags[i] = false;
        if (target->distractor) {
            continue;
        }
        // A little more than the touching distance, so rounding never drops a gun on the boundary.
        const double reach = (target->radius + widest) / 1.1 * (1.0 + 1e-9) + 1e-12;
        auto gun = std::lower_bound(points.begin(), gunsEnd, target->x - reach,
                                    [](const GunPoint& p, double x) { return p.x < x; });
        for (; gun != gunsEnd && gun->x <= target->x + reach; ++gun) {
            if (target->collides(gun->x, gun->y, gun->radius)) {
                hitFlags[i] = true;
                break;
            }
        }
    }
    paddleDestroyed = false;
    if (!vulnerablePaddle || paddle->recovery > 0) {
        return;
    }
    const double x = paddle->posX;
    const double y = paddle->posY;
    const double w = paddle->paddleWidth;
    const double h = paddle->paddleHeight;
    const std::array<std::array<double, 2>, paddleSamplePoints> outline{{{x, y},
                                                                         {x + w, y},
                                                                         {x + w, y + h},
                                                                         {x, y + h},
                                                                         {x + w / 4, y},
                                                                         {x + w / 2, y},
                                                                         {x + 3 * w / 4, y},
                                                                         {x + w / 4, y + h},
                                                                         {x + w / 2, y + h},
                                                                         {x + 3 * w / 4, y + h},
                                                                         {x, y + h / 2},
                                                                         {x + w, y + h / 2}}};
    auto touches = [&outline](const Target2D* target) {
        return std::any_of(outline.begin(), outline.end(),
                           [target](const auto& p) { return target->collides(p[0], p[1], 0.0); });
    };
    for (int i = 0; i < targets.count(); ++i) {
        if (!targets[i]->distractor && touches(targets[i])) {
            hitFlags[i] = true;
        }
    }
    for (int i = 0; i < targets.count(); ++i) {
        if (targets[i]->distractor && touches(targets[i])) {
            paddleDestroyed = true;
            return;
        }
    }
}

void State::processHits(double now) {
    hitText.clear();
    // From the last slot down, so the target moved into a freed slot was already looked at.
    for (int i = targets.count() - 1; i >= 0; --i) {
        if (!hitFlags[i]) {
            continue;
        }
        Target2D* target = targets[i];
        notify(&GameListener::targetHit, GameEvents::Hit{target->name, target->x, target->y, target->typeCode()});
        hitCounter.add(target->scoreValue, now);
        hitDistanceSum += std::hypot(target->x - target->x0, target->y - target->y0);
        hitTimeSum += lastTick - target->spawnTime;
        if (collectCoordinates && !paused && !gameOver) {
            hitText += QString(" %1 hit").arg(target->name);
        }
        if (auto explosion = Explosion::of(*target)) {
            explosions.add(std::move(explosion));
        }
        targets.removeAt(i);
        ++targetsHit;
    }
    if (vulnerablePaddle && paddleDestroyed) {
        ++targetsMissed;
        missCounter.add(1.0, now);
        paddle->recovery = paddleRecoveryMs;
        explosions.add(std::make_unique<Explosion2DTex>(*paddle));
        notify(&GameListener::paddleDestroyed, paddle->posX, paddle->posY);
    }
}

bool State::fire() {
    if (paused || guns.full() || paddle->recovery > 0 || (!guns.empty() && pages->oneWeaponAtATime())) {
        return false;
    }
    const double speed = (pages->current().weapons.gunSpeed + 5) * gunSpeedStep / 10.0;
    const double w = paddle->paddleWidth;
    const double h = paddle->paddleHeight;
    const bool free = paddle->freeMovement;
    const double u = paddle->rawU;
    const double v = paddle->rawV;
    double x = u + w / 2;
    double y = free ? v : 1 - h;
    double vx = paddle->velocityU;
    switch (paddle->orientation) {
    case Orientation::north:
        x = 1 - (u - w / 2);
        y = free ? 1 - v : 1 - h;
        vx = -paddle->velocityU;
        break;
    case Orientation::east:
        x = 1 - (v - w / 2);
        y = free ? u : 1 - h;
        vx = -paddle->velocityV;
        break;
    case Orientation::west:
        x = v + w / 2;
        y = free ? 1 - u : 1 - h;
        vx = paddle->velocityV;
        break;
    default:
        break;
    }
    auto gun = std::make_unique<Gun>(gunRadius, x, y);
    gun->vx = vx;
    gun->vy = speed;
    gun->setColour(gunColour);
    guns.add(std::move(gun));
    ++shotsFired;
    notify(&GameListener::shotFired, x, y);
    onHideCursor();
    return true;
}

void State::setGunColourFor(double red, double green, double blue) {
    gunColour = Gun::colourAgainst(red, green, blue);
}
