#pragma once

#include <QString>

#include <array>
#include <climits>

// The one table of the keys in section "Vazazo": how each value is encoded, its default text and,
// for integers, its range. Every other file names keys through this table.
namespace SettingKeys {

enum class Encoding {
    Integer, // decimal, "%i"
    Boolean, // "true" / "false"
    Flag,    // "1" / "0"
    Text,    // as typed
    Code,    // decimal; an empty text stands for emptyCode
    Colour,  // "red green blue"
};

struct Entry {
    const char* key;
    Encoding encoding;
    const char* defaultText;
    int minimum = INT_MIN;
    int maximum = INT_MAX;
    // Whether reading clamps into minimum..maximum; some ranges only describe the valid values.
    bool clamped = false;
    int emptyCode = 0;
};

constexpr Entry clampedInteger(const char* key, const char* defaultText, int minimum, int maximum) {
    return {key, Encoding::Integer, defaultText, minimum, maximum, true};
}
constexpr Entry unclampedInteger(const char* key, const char* defaultText, int minimum = INT_MIN,
                                 int maximum = INT_MAX) {
    return {key, Encoding::Integer, defaultText, minimum, maximum, false};
}
constexpr Entry boolean(const char* key, const char* defaultText) {
    return {key, Encoding::Boolean, defaultText};
}
constexpr Entry flag(const char* key, const char* defaultText) {
    return {key, Encoding::Flag, defaultText};
}
constexpr Entry text(const char* key, const char* defaultText) {
    return {key, Encoding::Text, defaultText};
}
constexpr Entry code(const char* key, int emptyCode) {
    return {key, Encoding::Code, "", INT_MIN, INT_MAX, false, emptyCode};
}
constexpr Entry colour(const char* key, const char* defaultText) {
    return {key, Encoding::Colour, defaultText};
}

// Put directly in front of every GameSettings key for the custom level's copy.
inline constexpr const char* customPrefix = "Custom";

// WeaponSettings, in storage order.
inline constexpr Entry gunSpeed = clampedInteger("Gun Speed", "5", 0, 10);
inline constexpr Entry gunsVolume = clampedInteger("Guns Volume", "80", 0, 100);
inline constexpr Entry oneWeaponAtATime = boolean("One Weapon at a Time", "false");

// AllShapesSettings, in storage order.
inline constexpr Entry explosionsVolume = clampedInteger("Explosions Volume", "80", 0, 100);
inline constexpr Entry shapesPerSecond = clampedInteger("Shapes Per Second", "2", 0, 10);
inline constexpr Entry horizontalMouseSensitivity =
    clampedInteger("Horizontal Mouse Sensitivity", "5", 0, 10);
inline constexpr Entry verticalMouseSensitivity = clampedInteger("Vertical Mouse Sensitivity", "5", 0, 10);
inline constexpr Entry synchronizeMouseSensitivity = boolean("Synchronize Mouse Sensitivity", "true");
inline constexpr Entry noHorizontalMovementOfTargets = boolean("No Horizontal Movement of Targets", "false");
// Position p stands for p/50 of the field.
inline constexpr Entry minimumDistanceFromPaddle =
    clampedInteger("Minimum Distance From Paddle", "10", 0, 50);

// The New Game dialog's choices; the dialog decides what an out-of-range level does.
inline constexpr Entry gameLevel = unclampedInteger("Game Level", "0", 0, 10);
inline constexpr Entry timeAttack = unclampedInteger("Time Attack", "0", 0, 4);
inline constexpr Entry difficultyLevel = unclampedInteger("Difficulty Level", "2", 0, 5);
inline constexpr Entry oneShot = flag("One Shot", "0");
inline constexpr Entry vulnerablePaddle = flag("Vulnerable Paddle", "0");
inline constexpr Entry paddleMoves = flag("Paddle Moves", "0");
inline constexpr Entry painLevel = flag("Pain Level", "0");
inline constexpr Entry askForObjects = flag("Ask For Objects", "1");

// Codes stored by the learning settings pages.
inline constexpr int classicalMeasureDistance = 1050;
inline constexpr int classicalMeasureTime = 1051;
inline constexpr int dataCollectionSend = 1034;
inline constexpr int dataCollectionSave = 1035;
inline constexpr int dataCollectionNone = 1036;
inline constexpr int learningMethodClassical = 1039;
inline constexpr int learningMethodReinforcement = 1040;
inline constexpr int learningMethodExperimental = 1041;

inline constexpr Entry classicalLearningDistanceTime =
    code("Classical Learning Distance/Time", classicalMeasureDistance);
inline constexpr Entry classicalLearningPM1Lower = text("Classical Learning PM1 Lower", "0");
inline constexpr Entry classicalLearningPM1Upper = text("Classical Learning PM1 Upper", "2.5");
inline constexpr Entry classicalLearningPM2Lower = text("Classical Learning PM2 Lower", "0.333");
inline constexpr Entry classicalLearningPM2Upper = text("Classical Learning PM2 Upper", "0.666");
inline constexpr Entry dataCollectionState = code("Data Collection State", dataCollectionNone);
inline constexpr Entry dataCollectionAveragingTime = text("Data Collection Averaging Time", "5000");
inline constexpr Entry dataCollectionCoordinates = boolean("Data Collection Coordinates", "false");
inline constexpr Entry dataCollectionLearningMethod =
    code("Data Collection Learning Method", learningMethodClassical);
// "host[:port]" of the page that names the score and collection server.
inline constexpr Entry scoreServer = text("Score Server", "localhost:8080");
// Who plays, in the research data: made once at random, or a researcher's own code.
inline constexpr Entry participantId = text("Participant Id", "");
// A certificate file the score server must present over TLS; empty: the system's roots decide.
inline constexpr Entry scoreServerCertificate = text("Score Server Certificate", "");

// Main window, name dialogs, objects list and best scores.
inline constexpr Entry backgroundColour = colour("Background colour", "128 128 128");
inline constexpr Entry playersName = text("Player's Name", "n/a");
inline constexpr Entry playerName = text("Player Name", "---");
inline constexpr Entry objectsSelectionList = unclampedInteger("Objects Selection List", "0");
inline constexpr Entry version = unclampedInteger("Version", "151");
inline constexpr int currentVersion = 173;

// Keys completed by a suffix; the entry's key is the part before it.
inline constexpr Entry customColour = colour("Custom colour ", "0 0 0");
inline constexpr int customColourCount = 16;
inline constexpr Entry bestName = text("Best Name ", "-");
inline constexpr Entry bestScore = unclampedInteger("Best Score ", "-1");
inline constexpr Entry bestScoreUniqueNumber = unclampedInteger("Best Score Unique Number ", "-1");

// Every key that exists exactly once (unprefixed) with its full name.
inline constexpr std::array fixedEntries{
    gunSpeed,
    gunsVolume,
    oneWeaponAtATime,
    explosionsVolume,
    shapesPerSecond,
    horizontalMouseSensitivity,
    verticalMouseSensitivity,
    synchronizeMouseSensitivity,
    noHorizontalMovementOfTargets,
    minimumDistanceFromPaddle,
    gameLevel,
    timeAttack,
    difficultyLevel,
    oneShot,
    vulnerablePaddle,
    paddleMoves,
    painLevel,
    askForObjects,
    classicalLearningDistanceTime,
    classicalLearningPM1Lower,
    classicalLearningPM1Upper,
    classicalLearningPM2Lower,
    classicalLearningPM2Upper,
    dataCollectionState,
    dataCollectionAveragingTime,
    dataCollectionCoordinates,
    dataCollectionLearningMethod,
    scoreServer,
    participantId,
    scoreServerCertificate,
    backgroundColour,
    playersName,
    playerName,
    objectsSelectionList,
    version,
};

// The target kinds in storage order; the first three are the flat kinds of the "2D Shapes" page.
struct ShapeKind {
    int typeCode;
    const char* singular;
    const char* plural;
    const char* distractorDefault;

    friend constexpr bool operator==(const ShapeKind& a, const ShapeKind& b) {
        return a.typeCode == b.typeCode;
    }
};

inline constexpr int triangleType = 0x1002;
inline constexpr int circleType = 0x1004;
inline constexpr int rectangleType = 0x1008;
inline constexpr int sphereType = 0x2010;
inline constexpr int cylinderType = 0x2020;

inline constexpr int triangleIndex = 0;
inline constexpr int rectangleIndex = 1;
inline constexpr int circleIndex = 2;
inline constexpr int sphereIndex = 3;
inline constexpr int cylinderIndex = 4;
inline constexpr int shapeKindCount = 5;
inline constexpr int flatShapeKindCount = 3;

inline constexpr std::array<ShapeKind, shapeKindCount> shapeKinds{{
    {triangleType, "Triangle", "Triangles", "true"},
    {rectangleType, "Rectangle", "Rectangles", "true"},
    {circleType, "Circle", "Circles", "true"},
    {sphereType, "Sphere", "Spheres", "false"},
    {cylinderType, "Cylinder", "Cylinders", "false"},
}};

// A ShapeSettings key: before + the kind's singular or plural word + after. A null default text
// means the kind's own default.
struct ShapeField {
    const char* before;
    bool plural;
    const char* after;
    Encoding encoding;
    const char* defaultText;
    int minimum = INT_MIN;
    int maximum = INT_MAX;
};

// ShapeSettings, in storage order.
inline constexpr ShapeField shapeShow{"Show ", true, "", Encoding::Boolean, "true"};
inline constexpr ShapeField shapeRotate{"Rotate ", true, "", Encoding::Boolean, "true"};
inline constexpr ShapeField shapeColour{"Colour ", true, "", Encoding::Boolean, "true"};
inline constexpr ShapeField shapeOneAtATime{"One ", false, " at a Time", Encoding::Boolean, "false"};
inline constexpr ShapeField shapeSpeed{"", false, " Speed", Encoding::Integer, "5", 0, 10};
inline constexpr ShapeField shapeSize{"", false, " Size", Encoding::Integer, "5", 0, 10};
inline constexpr ShapeField shapeDistractor{"", false, " Distractor", Encoding::Boolean, nullptr};
inline constexpr ShapeField shapeRandomSize{"", false, " Random Size", Encoding::Boolean, "false"};

inline constexpr std::array shapeFields{shapeShow,  shapeRotate, shapeColour,     shapeOneAtATime,
                                        shapeSpeed, shapeSize,   shapeDistractor, shapeRandomSize};

QString shapeKey(const ShapeField& field, const ShapeKind& kind);
QString shapeDefault(const ShapeField& field, const ShapeKind& kind);
// Null for a type code that is not a target kind.
const ShapeKind* shapeKindByType(int typeCode);

// "Custom colour 00" .. "Custom colour 09", then "Custom colour a" .. "Custom colour f"; the index
// is kept within the 16 slots.
QString customColourKey(int index);

// Best-score keys: the prefix, then level, difficulty index and place joined by hyphens ("3-7-0").
QString bestScoreSuffix(int level, int difficultyIndex, int place);
QString bestNameKey(int level, int difficultyIndex, int place);
QString bestScoreKey(int level, int difficultyIndex, int place);
QString bestScoreUniqueNumberKey(int level, int difficultyIndex, int place);

} // namespace SettingKeys
