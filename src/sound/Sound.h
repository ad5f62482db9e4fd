#pragma once

#include <QMediaPlayer>
#include <QString>

class QAudioOutput;
class QObject;

// One sound effect on its own media player. Playing always restarts it from the beginning; a sound
// that is not ready stays silent and every operation on it does nothing.
class Sound {
public:
    // The player's events (a playback completed, an error) are posted to eventTarget as
    // WM_SOUND_EVENT, one per event.
    explicit Sound(QObject* eventTarget);
    ~Sound();
    Sound(const Sound&) = delete;
    Sound& operator=(const Sound&) = delete;

    // False, with a line in the game log, when the file cannot be read; the sound is then not ready.
    bool load(const QString& fileName);
    void play();
    // 0..100, clamped.
    void setVolume(int volume);
    // Started, and not yet past that fraction of its length.
    bool isPlayingEarly(double fraction) const;
    bool isReady() const { return ready; }

    // Hundredths of a decibel for a volume 0..100 (clamped): 100 gives 0, 0 gives -4001.
    static int attenuation(int volume);
    // The output's linear volume 0..1 for an attenuation in hundredths of a decibel.
    static float linearVolume(int hundredthsDb);
    // Whether a media status change is one of the player's events.
    static bool isPlayerEvent(QMediaPlayer::MediaStatus status);
    static bool isEarly(qint64 positionMs, qint64 durationMs, double fraction);

private:
    QMediaPlayer* player = nullptr;
    QAudioOutput* output = nullptr;
    QString file;
    bool ready = false;
};
