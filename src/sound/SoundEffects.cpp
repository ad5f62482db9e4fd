#include "sound/SoundEffects.h"

#include "core/DataFileLocator.h"
#include "core/Log.h"
#include "dialogs/ProgDlg.h"
#include "settings/SettingKeys.h"
#include "settings/SettingsStore.h"

#include <QAudioDevice>
#include <QCoreApplication>
#include <QMediaDevices>

namespace {
constexpr std::array<const char*, SoundEffects::effectCount> fileNames = {"gun1.mp3", "explosion1.mp3",
                                                                          "paddlehit.mp3", "applause.mp3"};
} // namespace

SoundEffects::SoundEffects(QObject* eventTarget, DeviceCheck hasAudioOutput) {
    if (!hasAudioOutput) {
        hasAudioOutput = [] { return !QMediaDevices::audioOutputs().isEmpty(); };
    }
    if (!hasAudioOutput()) {
        appendLog("No audio output found: the game runs without sound.");
        return;
    }
    for (auto& sound : sounds) {
        sound = std::make_unique<Sound>(eventTarget);
    }
}

void SoundEffects::load(const QDir& folder, const SettingsStore& store, QWidget* parent) {
    // Looked up even without an audio output, so a file missing from an installation shows.
    std::array<QString, effectCount> paths;
    for (int i = 0; i < effectCount; ++i) {
        paths[i] = DataFileLocator::locate(fileNames[i], folder);
    }
    if (!sounds[gun]) {
        return;
    }
    ProgDlg progress(parent);
    progress.setWindowTitle("Loading sounds..");
    progress.setRange(0, effectCount);
    progress.setPos(0);
    progress.show();
    QCoreApplication::processEvents();
    for (int i = 0; i < effectCount; ++i) {
        if (sounds[i]->isReady()) {
            sounds[i]->load(paths[i]);
        }
        progress.setPos(i + 1);
    }
    sounds[gun]->setVolume(store.readInt(SettingKeys::gunsVolume));
    const int others = store.readInt(SettingKeys::explosionsVolume);
    for (int i = explosion; i < effectCount; ++i) {
        sounds[i]->setVolume(others);
    }
}

void SoundEffects::setVolume(int group, int volume) {
    if (!sounds[gun]) {
        return;
    }
    if (group == gunsGroup) {
        sounds[gun]->setVolume(volume);
    } else if (group == explosionsGroup) {
        for (int i = explosion; i < effectCount; ++i) {
            sounds[i]->setVolume(volume);
        }
    }
    const int sample =
        sampleFor(group, [this](Effect effect) { return sounds[effect]->isPlayingEarly(sampleFraction); });
    if (sample >= 0) {
        sounds[sample]->play();
    }
}

int SoundEffects::sampleFor(int group, const std::function<bool(Effect)>& isPlayingEarly) {
    if (group == gunsGroup) {
        return isPlayingEarly(gun) ? -1 : gun;
    }
    if (group == explosionsGroup) {
        if (!isPlayingEarly(explosion)) {
            return explosion;
        }
        return isPlayingEarly(paddleHit) ? -1 : paddleHit;
    }
    return -1;
}

void SoundEffects::play(Effect effect) {
    if (sounds[effect]) {
        sounds[effect]->play();
    }
}

bool SoundEffects::isReady(Effect effect) const {
    return sounds[effect] && sounds[effect]->isReady();
}

void SoundEffects::shotFired(double, double) {
    play(gun);
}

void SoundEffects::targetHit(const GameEvents::Hit&) {
    play(explosion);
}

void SoundEffects::paddleDestroyed(double, double) {
    play(paddleHit);
}
