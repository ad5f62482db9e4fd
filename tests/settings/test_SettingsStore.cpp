#include "support/TestMain.h"
#include "core/Log.h"
#include "core/Notice.h"
#include "settings/GameSettings.h"
#include "support/DialogFixture.h"

#include <QFile>
#include <QSettings>
#include <QtTest>

#include <climits>

using namespace SettingKeys;

namespace {
// Every field away from its default (and the two sensitivities apart, so synchronising shows).
GameSettings changedSettings() {
    GameSettings settings;
    settings.weapons.gunSpeed = 9;
    settings.weapons.gunsVolume = 33;
    settings.weapons.oneWeaponAtATime = true;
    settings.allShapes.explosionsVolume = 44;
    settings.allShapes.shapesPerSecond = 7;
    settings.allShapes.horizontalMouseSensitivity = 2;
    settings.allShapes.verticalMouseSensitivity = 8;
    settings.allShapes.synchronizeMouseSensitivity = false;
    settings.allShapes.noHorizontalMovementOfTargets = true;
    settings.allShapes.minimumDistanceFromPaddle = 37;
    int n = 0;
    for (ShapeSettings& shape : settings.shapes) {
        shape.show = shape.rotate = shape.colour = false;
        shape.oneAtATime = shape.randomSize = true;
        shape.distractor = !shape.distractor;
        shape.speed = n;
        shape.size = 10 - n++;
    }
    return settings;
}

GameSettings loaded(const SettingsStore& store, const QString& prefix) {
    GameSettings settings = changedSettings();
    settings.load(store, prefix);
    return settings;
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int logLinesContaining(const QString& text) {
    int n = 0;
    for (const GameLog::Line& line : GameLog::takePending()) {
        n += line.text.contains(text) ? 1 : 0;
    }
    return n;
}
} // namespace

// The settings file, and the game settings stored in it.
class TestSettingsStore : public QObject, private DialogFixture {
    Q_OBJECT

    QString iniPath() const { return dir->filePath("store.ini"); }

private slots:
    void init() {
        QVERIFY(setUp());
        GameLog::takePending();
    }
    void cleanup() {
        Notice::setHandler({});
        tearDown();
    }

    void textsParseAsIntegersAndBooleans() {
        QList<int> integers;
        QStringList trueTexts;
        for (const QString& text : {" \t 42", "7x", "+-1", "\u0663", "2147483648", "-99999999999999999999999",
                                    "tRuE", " true", "truex", "\uff54\uff52\uff55\uff45"}) {
            integers << SettingsStore::parseInt(text);
            if (SettingsStore::parseBool(text)) {
                trueTexts << text;
            }
        }
        QCOMPARE(integers, QList<int>({42, 7, 0, 0, INT_MAX, INT_MIN, 0, 0, 0, 0}));
        QCOMPARE(trueTexts, QStringList{"tRuE"});
    }

    void codesTakeTheirDefaultOnlyForEmptyText() {
        const auto& entry = classicalLearningDistanceTime;
        QCOMPARE(store->readCode(entry), 1050);
        for (const auto& [stored, code] : {std::pair{"", 1050}, {"0", 0}, {" ", 0}, {"1051", 1051}}) {
            store->write(entry.key, stored);
            QCOMPARE(store->readCode(entry), code);
        }
    }

    void keysAreBuiltAsTheFileLayoutNamesThemAndRoundTripAsSingleKeys() {
        QCOMPARE(QStringList({shapeKey(shapeShow, shapeKinds[cylinderIndex]),
                              shapeKey(shapeOneAtATime, shapeKinds[triangleIndex]),
                              shapeKey(shapeRandomSize, shapeKinds[circleIndex]), customColourKey(9),
                              customColourKey(10), customColourKey(-4), customColourKey(16)}),
                 QStringList({"Show Cylinders", "One Triangle at a Time", "Circle Random Size",
                              "Custom colour 09", "Custom colour a", "Custom colour 00", "Custom colour f"}));
        QVERIFY(bestScoreKey(1, 11, 0) != bestScoreKey(11, 1, 0));
        // Slashes and apostrophes round-trip as single keys.
        store->write("Classical Learning Distance/Time", "1051");
        store->write("Player's Name", "O'Neil");
        const SettingsStore reader(store->fileName());
        QCOMPARE(reader.read("Classical Learning Distance/Time", ""), QString("1051"));
        QCOMPARE(reader.read("Player's Name", "n/a"), QString("O'Neil"));
        QSettings raw(store->fileName(), QSettings::IniFormat);
        raw.beginGroup("Vazazo");
        QVERIFY(raw.childGroups().isEmpty() && raw.childKeys().size() == 2);
    }

    void aWriteReachesTheDiskAtOnceUnlessABatchHoldsIt() {
        SettingsStore store(iniPath());
        store.write("Gun Speed", "7");
        // Nothing to keep before the very first write.
        QVERIFY(fileBytes(iniPath()).contains("[Vazazo]\nGun%20Speed=7") && store.diskWrites() == 1 &&
                !QFile::exists(store.backupFileName()));
        {
            const SettingsStore::Batch outer(store);
            {
                const SettingsStore::Batch inner(store);
                store.write("Gun Speed", "8");
                store.remove("Player Name");
            }
            store.write("Guns Volume", "9");
            // Held writes are read back before they reach the disk.
            QVERIFY(!fileBytes(iniPath()).contains("Volume") && store.diskWrites() == 1 &&
                    store.read("Gun Speed", "") == "8");
        }
        QVERIFY(store.diskWrites() == 2 && fileBytes(iniPath()).contains("Guns%20Volume=9"));
    }

    void theFirstWriteOfARunKeepsTheFileAsItWas() {
        // A stray quote makes Qt read every later line into one value, so the rewrite drops them.
        const QByteArray handEdited =
            "[Vazazo]\nPlayer%20Name=\"Ada\nGun%20Speed=3\nBest%20Score%200-0-0=5\n";
        QFile file(iniPath());
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(handEdited) == handEdited.size());
        file.close();
        const QString backup = iniPath() + ".bak";
        {
            SettingsStore store(iniPath());
            QVERIFY(store.read("Gun Speed", "5") == "5" && !QFile::exists(backup));
            store.write("Guns Volume", "70");
            store.write("Guns Volume", "60");
            QVERIFY(fileBytes(backup) == handEdited && logLinesContaining(backup) == 1);
        }
        // The next run keeps the file as the last run left it.
        SettingsStore store(iniPath());
        const QByteArray lastRun = fileBytes(iniPath());
        store.write("Guns Volume", "50");
        QVERIFY(fileBytes(backup) == lastRun && logLinesContaining(backup) == 1);
    }

    // Whether the file's name is a folder or its folder is a file.
    void aWriteThatCannotReachTheDiskIsReportedOnce() {
        QVERIFY(QDir(dir->path()).mkdir("w.ini"));
        QFile plain(dir->filePath("plain"));
        QVERIFY(plain.open(QIODevice::WriteOnly));
        for (const QString& path : {dir->filePath("w.ini"), dir->filePath("plain/w.ini")}) {
            QStringList notices;
            Notice::setHandler([&](const QString& message) { notices << message; });
            SettingsStore store(path);
            QVERIFY(!store.writeFailed());
            store.write("Gun Speed", "7");
            {
                const SettingsStore::Batch batch(store);
                store.write("Guns Volume", "9");
            }
            QVERIFY2(store.writeFailed() && notices.size() == 1 && logLinesContaining(notices[0]) == 1 &&
                         notices[0].contains(QDir::toNativeSeparators(path)),
                     qPrintable(path));
            // What the run wrote stays readable while it lasts.
            QCOMPARE(store.read("Guns Volume", ""), QString("9"));
        }
    }

    // The dialog's tests show that the two copies keep apart and each is saved in one rewrite.
    void everyFieldSurvivesSaveAndLoad() {
        QCOMPARE(loaded(*store, ""), GameSettings());
        changedSettings().save(*store, customPrefix);
        QCOMPARE(loaded(SettingsStore(store->fileName()), customPrefix), changedSettings());
        // The prefix goes directly in front of the key, with no separator.
        QCOMPARE(store->read("CustomGun Speed", ""), QString("9"));
    }

    void storedIntegersAreClampedIntoTheirRanges() {
        for (const auto& [key, stored, expected] :
             {std::tuple{"Triangle Speed", "12", 10}, {"Cylinder Size", "-1", 0}, {"Guns Volume", "250", 100},
              {"Minimum Distance From Paddle", "60", 50}, {"Minimum Distance From Paddle", "49", 49}}) {
            store->write(key, stored);
            // Saved back, the loaded value shows under its key.
            loaded(*store, "").save(*store, "");
            QCOMPARE(store->read(key, ""), QString::number(expected));
        }
    }

    void synchronisedSensitivitiesBothTakeTheHorizontalOne() {
        store->write("Horizontal Mouse Sensitivity", "3");
        // Absent, it is the default: true.
        for (const auto& [synchronise, vertical] : {std::pair{"", 3}, {"TRUE", 3}, {"false", 9}}) {
            store->write("Vertical Mouse Sensitivity", "9");
            if (*synchronise) {
                store->write("Synchronize Mouse Sensitivity", synchronise);
            }
            const GameSettings settings = loaded(*store, "");
            // The stored vertical value is unused, not lost.
            QVERIFY(settings.allShapes.horizontalMouseSensitivity == 3 &&
                    settings.allShapes.verticalMouseSensitivity == vertical &&
                    store->read("Vertical Mouse Sensitivity", "") == "9");
        }
    }

    void pagesLoadAndSaveOnlyTheirOwnPart() {
        GameSettings().save2DShapes(*store, "");
        QSettings raw(store->fileName(), QSettings::IniFormat);
        raw.beginGroup("Vazazo");
        QVERIFY(raw.childKeys().size() == flatShapeKindCount * int(shapeFields.size()) &&
                raw.childKeys().contains("Circle Random Size"));

        store->write("Sphere Speed", "1");
        store->write("Circle Speed", "2");
        store->write("Gun Speed", "3");
        GameSettings settings;
        settings.load3DShapes(*store, "");
        QVERIFY(settings.shapes[sphereIndex].speed == 1 && settings.shapes[circleIndex].speed == 5);
        settings.load2DShapes(*store, "");
        QVERIFY(settings.shapes[circleIndex].speed == 2 && settings.weapons.gunSpeed == 5);
        // Slider positions outside the tables take the nearest end.
        QVERIFY(SliderTables::rateAt(11) == 5.0 && SliderTables::sensitivityAt(INT_MIN) == 0.025);
    }

    void theUserStoreIsTheOrganisationsIniFileWithoutFallbacks() {
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir->path());
        QSettings::setPath(QSettings::IniFormat, QSettings::SystemScope, dir->filePath("system"));
        SettingsStore store;
        const QString expected = dir->filePath("Ruvuriva/Vazazo.ini");
        QCOMPARE(store.fileName(), expected);
        QSettings organisationWide(dir->filePath("Ruvuriva.ini"), QSettings::IniFormat);
        organisationWide.setValue("Vazazo/Gun Speed", "9");
        organisationWide.sync();
        QCOMPARE(store.read("Gun Speed", "5"), QString("5"));
        store.write("Gun Speed", "6");
        QCOMPARE(SettingsStore(expected).read("Gun Speed", "5"), QString("6"));
    }
};

VAZAZO_TEST(TestSettingsStore)
#include "test_SettingsStore.moc"
