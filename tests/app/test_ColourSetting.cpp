#include "support/TestMain.h"
#include "app/ColourSetting.h"

#include <QtTest>

class TestColourSetting : public QObject {
    Q_OBJECT
private slots:
    // Missing parts read as zero, damaged values stay within the colour range.
    void storedTextsReadAsRedGreenBlueWithinTheColourRange() {
        for (const auto& [text, colour] :
             {std::pair{"128 64 255", ColourSetting{128, 64, 255}}, {"200", {200, 0, 0}}, {"200 100", {200, 100, 0}},
              {"", {0, 0, 0}}, {"red green blue", {0, 0, 0}}, {"300 -5 99999999999", {255, 0, 255}},
              {"12x 7 8 9", {12, 7, 8}}}) {
            QCOMPARE(ColourSetting::parse(text), colour);
        }
        QCOMPARE(ColourSetting::parse(ColourSetting{10, 200, 0}.format()), (ColourSetting{10, 200, 0}));
    }
};

VAZAZO_TEST(TestColourSetting)
#include "test_ColourSetting.moc"
