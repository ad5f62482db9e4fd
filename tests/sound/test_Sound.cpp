#include "support/TestMain.h"
#include "core/Log.h"
#include "settings/SettingsStore.h"
#include "sound/Sound.h"
#include "sound/SoundEffects.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using Effect = SoundEffects::Effect;

class TestSound : public QObject {
    Q_OBJECT
private slots:
    // The slider's 0..100 maps to hundredths of a decibel, clamped, and back to a linear volume; a
    // sample restarts only past 30 % of its length; a shot played to its end is one player event.
    void volumeRestartsAndPlayerEventsFollowTheRules() {
        QList<int> attenuations;
        for (int position : {150, 80, 33, -20})
            attenuations << Sound::attenuation(position);
        QCOMPARE(attenuations, QList<int>({0, -800, -2680, -4001}));
        QVERIFY(Sound::linearVolume(0) == 1.0f && qAbs(Sound::linearVolume(-2000) - 0.1f) < 1e-6f &&
                qAbs(Sound::linearVolume(-4001) - 0.00999f) < 1e-4f);
        const double part = SoundEffects::sampleFraction;
        QVERIFY(!Sound::isEarly(0, 1000, part) && Sound::isEarly(100, 1000, part) &&
                !Sound::isEarly(400, 1000, part) && !Sound::isEarly(100, 0, part));

        const QList<QMediaPlayer::MediaStatus> oneShot{
            QMediaPlayer::LoadingMedia,  QMediaPlayer::LoadedMedia, QMediaPlayer::BufferingMedia,
            QMediaPlayer::BufferedMedia, QMediaPlayer::EndOfMedia,  QMediaPlayer::LoadedMedia,
            QMediaPlayer::BufferedMedia};
        QCOMPARE(std::count_if(oneShot.begin(), oneShot.end(), Sound::isPlayerEvent), 1);
        QVERIFY(Sound::isPlayerEvent(QMediaPlayer::InvalidMedia) &&
                !Sound::isPlayerEvent(QMediaPlayer::StalledMedia) &&
                !Sound::isPlayerEvent(QMediaPlayer::NoMedia));
    }

    // Without an audio output nothing is ready and that is said once; with one, only the missing
    // file's sound stays silent. Either way the missing file is named.
    void readinessFollowsTheOutputAndTheFiles() {
        for (const bool output : {false, true}) {
            GameLog::takePending();
            QTemporaryDir dir;
            for (const char* name : {"gun1.mp3", "explosion1.mp3", "paddlehit.mp3"}) {
                QFile file(dir.filePath(name));
                QVERIFY(file.open(QIODevice::WriteOnly));
                file.write(QByteArray(64, '\0'));
            }
            SettingsStore store(dir.filePath("settings.ini"));
            int checks = 0;
            SoundEffects effects(nullptr, [&] { return ++checks, output; });
            effects.load(QDir(dir.path()), store, nullptr);
            effects.setVolume(SoundEffects::gunsGroup, 50);
            effects.play(SoundEffects::applause);
            QCOMPARE(checks, 1);
            for (int i = 0; i < SoundEffects::effectCount; ++i)
                QCOMPARE(effects.isReady(Effect(i)), output && i != SoundEffects::applause);
            // The missing file is named even when nothing could play it.
            QStringList texts;
            for (const GameLog::Line& line : GameLog::takePending())
                texts << line.text;
            QVERIFY(texts.size() == 2 && texts.filter("Missing data file applause.mp3").size() == 1);
            QVERIFY(texts.contains(output ? "Could not open sound " + dir.filePath("applause.mp3")
                                          : QString("No audio output found: the game runs without sound.")));
        }
    }
};

VAZAZO_TEST(TestSound)
#include "test_Sound.moc"
