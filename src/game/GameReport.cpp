#include "game/GameReport.h"

#include "core/Orientation.h"

namespace {
QString yesNo(bool on) {
    return on ? "yes" : "no";
}
} // namespace

QString GameReport::versionText() {
    return QString::asprintf("%i.%s%i", 1, "", 73);
}

QStringList GameReport::compose(const Facts& f, const QLocale& locale) {
    // Weekday, two-digit day, short month, year, then the time with a full stop before the seconds.
    const QString date = locale.toString(f.savedOn, "dddd, dd MMM yyyy, HH:mm.ss");
    return {
        "Group Name: " + f.groupName + ", saved on " + date,
        "After " + f.questionnaire,
        QString::asprintf("Game version: %s, level: %i, difficulty: %i, one shot at a time: %s\n"
                          "Vulnerable paddle: %s, free paddle: %s, mouse sensitivity: %i,%i, orientation: %s",
                          qPrintable(versionText()), f.gameLevel, f.difficulty, qPrintable(yesNo(f.oneShot)),
                          qPrintable(yesNo(f.vulnerablePaddle)), qPrintable(yesNo(f.freePaddle)),
                          f.horizontalSensitivity, f.verticalSensitivity, Orientation::name(f.orientation)),
        QString("Object used to play the game: %1, %2").arg(f.objectIndex).arg(f.objectName),
        QString(),
    };
}
