#include "support/TestMain.h"
#include "app/ColourSetting.h"

#include <QtTest>

class TestColourSetting : public QObject {
    Q_OBJECT
private slots:
    void threeNumbersReadAsRedGreenBlue() {
        QCOMPARE(ColourSetting::parse("128 64 255"), (ColourSetting{128, 64, 255}));
        QCOMPARE((ColourSetting{1, 2, 3}).format(), QString("1 2 3"));
        QCOMPARE(ColourSetting::parse(ColourSetting{10, 200, 0}.format()), (ColourSetting{10, 200, 0}));
    }

    void missingPartsReadAsZero() {
        QCOMPARE(ColourSetting::parse("200"), (ColourSetting{200, 0, 0}));
        QCOMPARE(ColourSetting::parse("200 100"), (ColourSetting{200, 100, 0}));
        QCOMPARE(ColourSetting::parse(""), (ColourSetting{0, 0, 0}));
        QCOMPARE(ColourSetting::parse("red green blue"), (ColourSetting{0, 0, 0}));
    }

    void damagedValuesStayWithinTheColourRange() {
        QCOMPARE(ColourSetting::parse("300 -5 99999999999"), (ColourSetting{255, 0, 255}));
        QCOMPARE(ColourSetting::parse("12x 7 8 9"), (ColourSetting{12, 7, 8}));
    }
};

VAZAZO_TEST(TestColourSetting)
#include "test_ColourSetting.moc"
