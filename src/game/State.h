#pragma once

#include "game/GameEvents.h"
#include "game/GameReport.h"
#include "game/SceneList.h"
#include "scene/Explosion.h"
#include "scene/Gun.h"
#include "render/DigitCounter.h"
#include "settings/LevelSelection.h"

#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

class Explosion;
class Gun;
class GameSettingsPages;
class HitPasses;
class Paddle;
class Target2D;
class Timer;
struct GameSettings;

// One game: the objects on the field, the running totals, the pause and end flags. It advances on
// ticks, spawns targets at the configured rate, fires guns and finds hits. It reads the settings
// from the settings pages and never touches a widget; what happens in play goes out to the
// listeners, and what the window must do at once (the cursor, restarting the unlimited tick
// chain) goes through the virtual hooks.
class State {
public:
    static constexpr double gunRadius = 0.002;
    static constexpr double paddleRecoveryMs = 3000.0;
    static constexpr int paddleSamplePoints = 12;

    State();
    virtual ~State();
    State(const State&) = delete;
    State& operator=(const State&) = delete;

    // The settings pages the game reads and the countdown; set once by the window before the
    // first tick.
    void attach(GameSettingsPages& pages, Paddle& paddle, Timer& timer);
    // The view's hit test on the graphics card; without one, or while it is not ready, hits are
    // found on the CPU whatever gpuCollision says.
    void attachHitPasses(HitPasses* passes) { hitPasses = passes; }
    // Listeners are told in the order they were added; each must outlive the game or leave first.
    void addListener(GameListener& listener);
    void removeListener(GameListener& listener);

    // One game step at time now (window thread, only while not paused).
    void tick(double now);
    void spawnTargets(double now);
    void removeFinished(double now);

    void pause(double now);
    void resume(double now);
    void beginPlay();
    // A new game with the confirmed selection and the answers given before it; returns the time
    // limit in ms, 0 for none.
    int startGame(const LevelSelection& selection, double now, const GameReport::Answers& answers = {});
    void clearField();
    // The time limit ran out: play stops and, when the game deserves it, the after-game step follows.
    void endGame();
    // The after-game step of the game with that number, when it is still due: the listeners hear
    // of it and the ending is returned, once. Any other number gets nothing.
    std::optional<GameEvents::Ending> takeAfterGame(int number);
    // The step still due from the last ended game, whatever its number.
    std::optional<GameEvents::Ending> takeAnyAfterGame();
    // The after-game questionnaire's answers, for the listeners.
    void answerAfterGame(const QString& answers);
    // Hits less misses as the counters show them.
    int score() const;
    int countTargetsOfKind(int typeCode) const;

    // Draws the field (GL, window thread, inside a frame), then finds and settles the hits.
    void paintFrame();
    void detectHitsCpu();
    // The same flags, pixel-exact, from the view's hit passes (GL, inside a frame).
    void detectHitsGpu();
    // Whether this frame's hits are found by detectHitsGpu.
    bool usesGpuHitTest() const;
    // Turns the flags of the last hit test into counted hits and a destroyed paddle.
    void processHits(double now);
    // Fires one gun if the rules allow; true when it did.
    bool fire();
    // Guns show white on a dark background and black on a light one.
    void setGunColourFor(double red, double green, double blue);

    SceneList<Target2D> targets;
    SceneList<Gun> guns;
    // Built here rather than by a listener: an explosion needs the hit target's own geometry,
    // which is gone once the hit is reported.
    SceneList<Explosion> explosions;
    // Kept from frame to frame, so its buffers are allocated once.
    ExplosionBatch explosionBatch;
    GunBatch gunBatch;
    std::array<bool, SceneList<Target2D>::capacity> hitFlags{};
    bool paddleDestroyed = false;

    double lastTick = 0.0;
    double lastSpawn = 0.0;

    // Running totals of the whole run; a new game does not reset them.
    int shotsFired = 0;
    int targetsHit = 0;
    int targetsMissed = 0;
    double hitDistanceSum = 0.0;
    double hitTimeSum = 0.0;
    // Hits at the right, escaped targets and destroyed paddles at the left.
    DigitCounter hitCounter;
    DigitCounter missCounter;
    QString hitText;
    // The description of the current game, composed when it starts.
    QStringList reportLines;
    // What the player answered before the current game.
    GameReport::Answers startAnswers;
    bool collectCoordinates = false;

    bool paused = true;
    bool gameOver = true;
    bool reportPending = false;
    bool gpuCollisionAvailable = false;
    bool gpuCollision = false;
    bool vulnerablePaddle = false;
    double gunColour = 1.0;

    int gameLevel = 0;
    // Counts the games started in this run; the after-game step names its game by it.
    int gameNumber = 0;
    LevelSelection selection;
    QString groupName;

protected:
    virtual void onShowCursor() {}
    virtual void onHideCursor() {}
    // With "Unlimited" frames the window must post the first tick itself.
    virtual void onPlayBegins() {}
    // The New Game options as they are ticked now; the confirmed selection unless overridden.
    virtual LevelSelection currentSelection() const { return selection; }

    GameSettingsPages* pages = nullptr;
    Paddle* paddle = nullptr;
    Timer* timer = nullptr;
    HitPasses* hitPasses = nullptr;

private:
    template <typename Event, typename... Args> void notify(Event event, const Args&... args) {
        for (GameListener* listener : listeners) {
            (listener->*event)(args...);
        }
    }
    std::unique_ptr<Target2D> makeTarget(int kindIndex, const GameSettings& settings, double now);
    void shiftClocks(double now);
    void composeReport(const LevelSelection& confirmed, const GameReport::Answers& answers);
    void applyPaddleSettings(const GameSettings& settings);

    std::vector<GameListener*> listeners;
    std::optional<GameEvents::Ending> pendingAfterGame;
};
