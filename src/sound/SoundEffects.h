#pragma once

#include "game/GameEvents.h"
#include "sound/Sound.h"

#include <QDir>

#include <array>
#include <functional>
#include <memory>

class QWidget;
class SettingsStore;

// The game's four sound effects: the gun, a target's explosion, the paddle being hit and the
// applause for a new best score. Without an audio output every effect stays silent.
class SoundEffects : public GameListener {
public:
    enum Effect { gun, explosion, paddleHit, applause, effectCount };
    static constexpr int gunsGroup = 0x1000;
    static constexpr int explosionsGroup = 0x2000;

    using DeviceCheck = std::function<bool()>;
    // The default check asks the system for an audio output.
    explicit SoundEffects(QObject* eventTarget, DeviceCheck hasAudioOutput = {});

    // Loads the files from folder behind a progress window over parent, then applies both volumes.
    void load(const QDir& folder, const SettingsStore& store, QWidget* parent);
    // A slider of the group moved: apply its volume and play a sample unless one is just starting.
    void setVolume(int group, int volume);
    void play(Effect effect);
    bool isReady(Effect effect) const;

    // The effect a slider of the group plays as sample, given which effects are playing early;
    // -1 for none.
    static int sampleFor(int group, const std::function<bool(Effect)>& isPlayingEarly);

    static constexpr double sampleFraction = 0.3;

    void shotFired(double x, double y) override;
    void targetHit(const GameEvents::Hit& hit) override;
    void paddleDestroyed(double x, double y) override;

private:
    std::array<std::unique_ptr<Sound>, effectCount> sounds;
};
