#pragma once

#include <QDateTime>
#include <QLocale>
#include <QStringList>

// The lines that describe a game at the head of its info file, composed when the game starts.
class GameReport {
public:
    struct Facts {
        QString groupName;
        QDateTime savedOn;
        // The before-game answers; "pain level: n/a, stiffness level: n/a" when not asked.
        QString questionnaire = unansweredQuestionnaire();
        int gameLevel = 0;
        int difficulty = 0;
        bool oneShot = false;
        bool vulnerablePaddle = false;
        bool freePaddle = false;
        int horizontalSensitivity = 0;
        int verticalSensitivity = 0;
        int orientation = 0;
        int objectIndex = -1;
        QString objectName = "none";
    };

    // What the player answered before the game; not asked, the answers read as not given.
    struct Answers {
        QString questionnaire = unansweredQuestionnaire();
        int objectIndex = -1;
        QString objectName = "none";
    };

    static QString questionnaire(const QString& pain, const QString& stiffness) {
        return QString("pain level: %1, stiffness level: %2").arg(pain, stiffness);
    }
    static QString unansweredQuestionnaire() { return questionnaire("n/a", "n/a"); }
    // A thermometer's level 0..1 on the scale 0..10 with one decimal; -1 (never moved) gives -10.0.
    static QString rating(double level) { return QString::asprintf("%.1f", level * 10.0); }
    static QString versionText();
    // Five lines; the third holds a line break and the fifth is empty.
    static QStringList compose(const Facts& facts, const QLocale& locale = QLocale::system());
};
