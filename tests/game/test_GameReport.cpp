#include "support/TestMain.h"
#include "game/GameReport.h"

#include <QtTest>

class TestGameReport : public QObject {
    Q_OBJECT
private slots:
    void theFiveLinesAndTheRatingsReadExactly() {
        const GameReport::Facts facts{.groupName = "Ward 3",
                                      .savedOn = QDateTime(QDate(2026, 12, 5), QTime(17, 3, 4)),
                                      .gameLevel = 2,
                                      .difficulty = 4,
                                      .oneShot = true,
                                      .horizontalSensitivity = 3,
                                      .verticalSensitivity = 7,
                                      .orientation = 0x22};
        QCOMPARE(
            GameReport::compose(facts, QLocale::c()),
            QStringList({"Group Name: Ward 3, saved on Saturday, 05 Dec 2026, 17:03.04",
                         "After pain level: n/a, stiffness level: n/a",
                         "Game version: 1.73, level: 2, difficulty: 4, one shot at a time: yes\n"
                         "Vulnerable paddle: no, free paddle: no, mouse sensitivity: 3,7, orientation: east",
                         "Object used to play the game: -1, none", ""}));
        // The ratings; the last is a thermometer closed before the mouse moved.
        QVERIFY(GameReport::rating(0.73) == "7.3" && GameReport::rating(799.0 / 800) == "10.0" &&
                GameReport::rating(-1.0) == "-10.0");
    }
};

VAZAZO_TEST(TestGameReport)
#include "test_GameReport.moc"
