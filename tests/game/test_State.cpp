#include "support/TestMain.h"
#include "game/State.h"

#include "core/Orientation.h"
#include "render/Timer.h"
#include "scene/Circle.h"
#include "scene/Paddle.h"
#include "scene/SceneRandom.h"
#include "support/FakePages.h"

#include <QtTest>

namespace {
constexpr int triangle = 0, circle = 2;
// A custom level leaves the pages as the test set them.
const LevelSelection custom{.gameLevel = 6};

// What the game reported, one line per event.
struct EventRecorder : GameListener {
    void gameStarted(int n, const LevelSelection&) override { events << QString("started %1").arg(n); }
    void shotFired(double, double) override { events << "shot"; }
    void targetHit(const GameEvents::Hit& hit) override { events << "hit " + hit.name; }
    void targetEscaped(const GameEvents::Hit& target) override { events << "escaped " + target.name; }
    void paddleDestroyed(double, double) override { events << "paddle"; }
    void gameEnded(const GameEvents::Ending& ending) override { endings.push_back(ending); }
    void afterGame(const GameEvents::Ending& e) override { events << QString("after %1").arg(e.gameNumber); }
    QStringList events;
    std::vector<GameEvents::Ending> endings;
};

class TestableState : public State {
public:
    TestableState(FakePages& pages, Paddle& paddle) {
        attach(pages, paddle, countdown);
        addListener(recorder);
    }
    Timer countdown;
    EventRecorder recorder;
    int cursorHidden = 0, cursorShown = 0;

protected:
    void onShowCursor() override { ++cursorShown; }
    void onHideCursor() override { ++cursorHidden; }
};

// A plain target at (x, y), 0.04 wide.
std::unique_ptr<Target2D> circleAt(double x, double y, bool distractor) {
    auto target = std::make_unique<Circle>(SpawnContext{}, false, distractor, false, 5.0, 0.02);
    target->x = target->x0 = x;
    target->y = target->y0 = y;
    return target;
}
} // namespace

class TestState : public QObject {
    Q_OBJECT
private slots:
    void init() {
        SceneRandom::seed(7);
        pages = FakePages();
        paddle = std::make_unique<Paddle>();
        state = std::make_unique<TestableState>(pages, *paddle);
        state->startGame(custom, 0.0);
    }

    void aNormalKindIsTwiceAsLikelyAsADistractorKind() {
        pages.showOnly({triangle, circle});
        pages.settings.shapes[triangle].distractor = true;
        pages.settings.shapes[circle].distractor = false;
        int circles = 0;
        for (int i = 0; i < 3000; ++i) {
            state->clearField();
            state->spawnTargets(i);
            circles += state->countTargetsOfKind(0x1004);
        }
        QVERIFY(std::abs(circles / 3000.0 - 2.0 / 3.0) < 0.04);
    }

    // Hidden kinds spawn nothing, yet the spawn clock advances; once the field is not empty the rate
    // spaces spawns; a kind shown one at a time waits until it has left; a full list takes no more.
    void spawnsFollowTheShownKindsTheRateAndOneAtATime() {
        pages.showOnly({});
        state->spawnTargets(1234.0);
        QVERIFY(state->targets.count() == 0 && state->lastSpawn == 1234.0);
        pages.showOnly({circle});
        pages.settings.allShapes.shapesPerSecond = 0; // 0.2 per second
        state->spawnTargets(100.0);
        state->spawnTargets(5100.0);
        const int beforeFiveSeconds = state->targets.count();
        state->spawnTargets(5101.0);
        QVERIFY(beforeFiveSeconds == 1 && state->targets.count() == 2);

        state->clearField();
        pages.showOnly({triangle});
        pages.settings.shapes[triangle].oneAtATime = true;
        pages.settings.allShapes.shapesPerSecond = 10;
        state->spawnTargets(10000.0);
        state->spawnTargets(20000.0);
        QCOMPARE(state->targets.count(), 1);
        state->clearField();
        state->spawnTargets(30000.0);
        QCOMPARE(state->targets.count(), 1);
        pages.settings.shapes[triangle].oneAtATime = false;
        while (state->targets.count() < SceneList<Target2D>::capacity)
            state->targets.add(circleAt(0.5, 0.5, false));
        state->spawnTargets(1e6);
        QCOMPARE(state->targets.count(), SceneList<Target2D>::capacity);
    }

    // A gun hits every target it touches but no distractor, targets leaving the field are missed
    // unless distractors, and explosions go once faded or with a new game, not with the field.
    void hitsEscapesAndExplosionsAreCountedAndRetired() {
        // x, y and whether a distractor.
        const double places[][3] = {
            {0.5, 0.5, 0}, {0.51, 0.5, 0}, {0.5, 0.51, 1}, {0.5, 2.0, 0}, {0.5, 2.0, 1}};
        for (const auto& p : places)
            state->targets.add(circleAt(p[0], p[1], p[2] != 0));
        addGun(0.505, 0.5);
        QStringList names;
        for (const Target2D* target : state->targets)
            names << target->name;
        detectAndProcessHits();
        QVERIFY(state->targetsHit == 2 && state->hitCounter.targetValue == 2.0 && state->guns.count() == 1 &&
                state->explosions.count() == 2);
        for (const auto& fragment : state->explosions[0]->fragments)
            fragment->alpha = 0.0;
        state->removeFinished(0.0);
        QVERIFY(state->targets.count() == 1 && state->targets[0]->distractor && state->targets[0]->y == 0.51);
        QVERIFY(state->targetsMissed == 1 && state->missCounter.targetValue == 1.0 &&
                state->explosions.count() == 1);
        QStringList events = state->recorder.events;
        events.sort();
        QCOMPARE(events, QStringList({"escaped " + names[3], "escaped " + names[4], "hit " + names[0],
                                      "hit " + names[1], "started 1"}));
        state->clearField();
        state->tick(10.0);
        QVERIFY(state->guns.count() == 0 && state->explosions.count() == 1);
        state->startGame(custom, 20.0);
        QCOMPARE(state->explosions.count(), 0);
    }

    // At the origin, so that no rounding moves the gun off the exact distance; the sweep over guns
    // must not drop it either.
    void aGunExactlyAtTheTouchingDistanceHits() {
        state->targets.add(circleAt(0.0, 0.0, false));
        const double touching = (state->targets[0]->radius + 1.1 * State::gunRadius) / 1.1;
        for (const double x : {-2 * touching, touching * 1.0001, touching}) {
            addGun(x, 0.0);
            state->detectHitsCpu();
            QCOMPARE(state->hitFlags[0], x == touching);
        }
    }

    void aVulnerablePaddleHitsTargetsAndIsDestroyedByDistractors() {
        exposePaddle();
        state->targets.add(circleAt(0.4, 0.9, false));
        detectAndProcessHits();
        QVERIFY(state->targetsHit == 1 && paddle->recovery == -1.0);

        state->targets.add(circleAt(0.45, 0.95, true));
        state->detectHitsCpu();
        QVERIFY(state->paddleDestroyed);
        state->processHits(0.0);
        QVERIFY(state->recorder.events.endsWith("paddle") && state->targetsMissed == 1 &&
                paddle->recovery == State::paddleRecoveryMs && state->targets.count() == 1 &&
                state->explosions.count() == 2);
        // While the paddle recovers, it is neither tested nor able to fire.
        state->detectHitsCpu();
        QVERIFY(!state->paddleDestroyed && !state->fire());

        state->vulnerablePaddle = false;
        paddle->recovery = -1;
        state->detectHitsCpu();
        QVERIFY(!state->paddleDestroyed);
    }

    void firingIsRefusedWhilePausedWhileTheOneAllowedGunFliesOrWhenTheListIsFull() {
        state->pause(10.0);
        QVERIFY(!state->fire());
        state->resume(20.0);
        pages.settings.weapons.oneWeaponAtATime = true;
        QVERIFY(state->fire() && !state->fire() && state->shotsFired == 1 &&
                state->recorder.events.endsWith("shot"));
        pages.settings.weapons.oneWeaponAtATime = false;
        while (state->guns.count() < SceneList<Gun>::capacity)
            QVERIFY(state->fire());
        QVERIFY(!state->fire() && state->shotsFired == SceneList<Gun>::capacity);
    }

    void gunsStartAtThePaddleForEachOrientation() {
        // rawU 0.3, rawV 0.6, width 0.1, velocities 0.001 and 0.002.
        const std::tuple<int, double, double> turns[] = {{Orientation::south, 0.35, 0.001},
                                                         {Orientation::north, 0.75, -0.001},
                                                         {Orientation::east, 0.45, -0.002},
                                                         {Orientation::west, 0.65, 0.002}};
        pages.settings.weapons.gunSpeed = 5;
        paddle->rawU = 0.3;
        paddle->rawV = 0.6;
        paddle->velocityU = 0.001;
        paddle->velocityV = 0.002;
        for (const auto& [orientation, x, vx] : turns) {
            paddle->orientation = orientation;
            QVERIFY(state->fire());
            const Gun* gun = state->guns[state->guns.count() - 1];
            QCOMPARE(QPointF(gun->x, gun->y), QPointF(x, 1.0 - paddle->paddleHeight));
            QCOMPARE(QPointF(gun->vx, gun->vy), QPointF(vx, -0.0007));
        }
        QVERIFY(state->cursorHidden > 0);
    }

    void theFirstMoveOfAGameIsScaledByOneTickNotByTheTimeSinceStartUp() {
        Paddle fresh;
        TestableState game(pages, fresh);
        game.startGame(LevelSelection{}, 60000.0);
        const double before = fresh.rawU;
        fresh.pendingDX = 0.001;
        game.tick(60010.0);
        QCOMPARE(fresh.rawU, before + 10 * 0.001 * Paddle::sensitivityFactor(fresh.sensitivityH));
    }

    void aPauseDoesNotCountAgainstTheTimeLimitAndAnUntimedGameStopsTheCountdown() {
        const LevelSelection timed{.gameLevel = 1};
        state->startGame(timed, 1000.0);
        QCOMPARE(state->countdown.remaining, 31000.0);
        state->countdown.advance(11000.0);
        state->pause(11000.0);
        state->resume(21000.0);
        QCOMPARE(state->countdown.remaining, 31000.0);
        QVERIFY(!state->countdown.advance(42000.0) && state->countdown.advance(42000.1));
        // An untimed game stops the countdown of an interrupted timed one.
        state->startGame(timed, 50000.0);
        QVERIFY(state->countdown.running);
        state->startGame(LevelSelection{}, 55000.0);
        QVERIFY(!state->countdown.running);
    }

    // The after-game step follows only a game that nothing interrupted, and belongs to its game.
    void theAfterGameStepBelongsToItsGame() {
        // Game 2 ends with 3 hits and 1 miss at Novice with one shot: table index 8.
        state->startGame({.gameLevel = 3, .difficulty = 2, .oneShot = true}, 0.0);
        state->hitCounter.add(3, 0.0);
        state->missCounter.add(1, 0.0);
        state->tick(60000.0);
        state->endGame();
        const GameEvents::Ending ending = state->recorder.endings.back();
        QVERIFY(state->paused && state->gameOver && state->cursorShown > 0 && ending.afterGameFollows);
        QCOMPARE(QList<int>({ending.gameNumber, ending.level, ending.difficultyIndex, ending.score}),
                 QList<int>({2, 3, 8, 2}));
        // A late step of game 1 finds nothing; game 2's step is handed out exactly once.
        QVERIFY(!state->takeAfterGame(1));
        QCOMPARE(state->takeAfterGame(2)->score, 2);
        QVERIFY(!state->takeAfterGame(2) && !state->takeAnyAfterGame());
        QCOMPARE(state->recorder.events.filter("after").size(), 1);

        state->startGame(LevelSelection{}, 0.0);
        state->reportPending = false; // the pause key or a settings window during the game
        state->endGame();
        state->resume(100.0);
        QVERIFY(!state->recorder.endings.back().afterGameFollows && !state->takeAnyAfterGame() &&
                state->paused);
    }

    void hitsAddTheirDistanceAndTheirAgeLeavingPausesOut() {
        state->targets.add(circleAt(0.5, 0.5, false));
        state->targets[0]->x0 = 0.2;
        state->targets[0]->y0 = 0.1;
        state->targets[0]->spawnTime = 1000.0;
        state->lastTick = 3000.0;
        state->pause(3000.0);
        state->resume(8000.0);
        QVERIFY(state->cursorShown == 1 && !state->paused && state->targets[0]->lastUpdate == 8000.0);
        addGun(0.5, 0.5);
        detectAndProcessHits(8000.0);
        // In play from 1000 to 3000; the pause up to 8000 does not count.
        QVERIFY(state->targetsHit == 1 && state->hitDistanceSum == 0.5 && state->hitTimeSum == 2000.0);
    }

private:
    void addGun(double x, double y) { state->guns.add(std::make_unique<Gun>(State::gunRadius, x, y)); }
    void detectAndProcessHits(double now = 0.0) {
        state->detectHitsCpu();
        state->processHits(now);
    }
    // A paddle at (0.4, 0.9) that is not recovering and that distractors destroy.
    void exposePaddle() {
        paddle->posX = 0.4;
        paddle->posY = 0.9;
        paddle->recovery = -1;
        state->vulnerablePaddle = true;
    }

    FakePages pages;
    std::unique_ptr<Paddle> paddle;
    std::unique_ptr<TestableState> state;
};

VAZAZO_TEST(TestState)
#include "test_State.moc"
