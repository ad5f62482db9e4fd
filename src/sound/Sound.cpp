#include "sound/Sound.h"

#include "core/Log.h"
#include "core/WindowMessages.h"

#include <QAudioOutput>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QUrl>

#include <algorithm>
#include <cmath>

Sound::Sound(QObject* eventTarget) : player(new QMediaPlayer), output(new QAudioOutput) {
    player->setAudioOutput(output);
    const auto report = [eventTarget] {
        if (eventTarget) {
            postWindowMessage(eventTarget, WindowMessages::WM_SOUND_EVENT);
        }
    };
    QObject::connect(player, &QMediaPlayer::mediaStatusChanged, player, [report](QMediaPlayer::MediaStatus status) {
        if (isPlayerEvent(status)) {
            report();
        }
    });
    QObject::connect(player, &QMediaPlayer::errorOccurred, player,
                     [this, report](QMediaPlayer::Error, const QString& text) {
                         report();
                         if (ready) {
                             ready = false;
                             appendLog(QString("Sound %1 cannot be played: %2").arg(file, text));
                         }
                     });
    ready = true;
}

Sound::~Sound() {
    delete player;
    delete output;
}

bool Sound::load(const QString& fileName) {
    file = fileName;
    const QFileInfo info(fileName);
    if (!ready || !info.isFile() || !info.isReadable()) {
        if (ready) {
            appendLog(QString("Could not open sound %1").arg(fileName));
        }
        ready = false;
        return false;
    }
    player->setSource(QUrl::fromLocalFile(info.absoluteFilePath()));
    return true;
}

void Sound::play() {
    if (!ready) {
        return;
    }
    player->setPosition(0);
    player->play();
}

void Sound::setVolume(int volume) {
    if (ready) {
        output->setVolume(linearVolume(attenuation(volume)));
    }
}

bool Sound::isPlayingEarly(double fraction) const {
    return ready && isEarly(player->position(), player->duration(), fraction);
}

int Sound::attenuation(int volume) {
    return static_cast<int>(std::clamp(volume, 0, 100) * 40.01 - 4001);
}

float Sound::linearVolume(int hundredthsDb) {
    return static_cast<float>(std::pow(10.0, hundredthsDb / 2000.0));
}

bool Sound::isPlayerEvent(QMediaPlayer::MediaStatus status) {
    // A playback that completes, or media that cannot be played; loading, buffering and every
    // start and stop are the player's own business.
    return status == QMediaPlayer::EndOfMedia || status == QMediaPlayer::InvalidMedia;
}

bool Sound::isEarly(qint64 positionMs, qint64 durationMs, double fraction) {
    return positionMs != 0 && durationMs > 0 && static_cast<double>(positionMs) / durationMs < fraction;
}
