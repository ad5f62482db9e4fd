#include "settings/SettingsStore.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <climits>
#include <memory>

class TestSettingsStore : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir;
    QString iniPath() const { return dir->filePath("store.ini"); }
    QString fileText() const {
        QFile file(iniPath());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    void writeFile(const QByteArray& content) {
        QFile file(iniPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

private slots:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
    }
    void cleanup() { dir.reset(); }

    void integersParseTheirDecimalPrefix_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("plain") << "12" << 12;
        QTest::newRow("negative") << "-3" << -3;
        QTest::newRow("explicit plus") << "+8" << 8;
        QTest::newRow("leading blanks and tab") << " \t 42" << 42;
        QTest::newRow("leading zeros") << "007" << 7;
        QTest::newRow("stops at letter") << "7x" << 7;
        QTest::newRow("stops at decimal point") << "3.9" << 3;
        QTest::newRow("stops at inner blank") << "1 2" << 1;
        QTest::newRow("letters only") << "abc" << 0;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("sign only") << "-" << 0;
        QTest::newRow("blank after sign") << "- 1" << 0;
        QTest::newRow("two signs") << "+-1" << 0;
        QTest::newRow("hex is not read") << "0x1f" << 0;
        QTest::newRow("non-ASCII digit") << QString::fromUtf8("\u0663") << 0;
        QTest::newRow("largest int") << "2147483647" << INT_MAX;
        QTest::newRow("smallest int") << "-2147483648" << INT_MIN;
        QTest::newRow("just above int") << "2147483648" << INT_MAX;
        QTest::newRow("just below int") << "-2147483649" << INT_MIN;
        QTest::newRow("huge positive") << "99999999999999999999999" << INT_MAX;
        QTest::newRow("huge negative") << "-99999999999999999999999" << INT_MIN;
    }
    void integersParseTheirDecimalPrefix() {
        QFETCH(QString, text);
        QFETCH(int, expected);
        QCOMPARE(SettingsStore::parseInt(text), expected);
    }

    void booleansAreTrueOnlyForTheWordTrue_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("expected");
        QTest::newRow("lower") << "true" << true;
        QTest::newRow("upper") << "TRUE" << true;
        QTest::newRow("capitalised") << "True" << true;
        QTest::newRow("mixed") << "tRuE" << true;
        QTest::newRow("one") << "1" << false;
        QTest::newRow("yes") << "yes" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("false") << "false" << false;
        QTest::newRow("leading blank") << " true" << false;
        QTest::newRow("trailing blank") << "true " << false;
        QTest::newRow("prefix") << "tru" << false;
        QTest::newRow("longer") << "truex" << false;
        QTest::newRow("full-width letters") << QString::fromUtf8("\uff54\uff52\uff55\uff45") << false;
    }
    void booleansAreTrueOnlyForTheWordTrue() {
        QFETCH(QString, text);
        QFETCH(bool, expected);
        QCOMPARE(SettingsStore::parseBool(text), expected);
    }

    void flagsAreOnForAnyNonZeroNumber_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("expected");
        QTest::newRow("one") << "1" << true;
        QTest::newRow("zero") << "0" << false;
        QTest::newRow("two") << "2" << true;
        QTest::newRow("minus one") << "-1" << true;
        QTest::newRow("blank zero") << " 0" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("word") << "true" << false;
        QTest::newRow("hex one") << "0x1" << false;
    }
    void flagsAreOnForAnyNonZeroNumber() {
        QFETCH(QString, text);
        QFETCH(bool, expected);
        QCOMPARE(SettingsStore::parseFlag(text), expected);
    }

    void formattedValuesParseBackToThemselves() {
        for (const int value : {0, 7, -3, 100, INT_MAX, INT_MIN}) {
            QCOMPARE(SettingsStore::parseInt(SettingsStore::formatInt(value)), value);
        }
        QCOMPARE(SettingsStore::formatInt(-42), QString("-42"));
        QCOMPARE(SettingsStore::formatBool(true), QString("true"));
        QCOMPARE(SettingsStore::formatBool(false), QString("false"));
        QCOMPARE(SettingsStore::formatFlag(true), QString("1"));
        QCOMPARE(SettingsStore::formatFlag(false), QString("0"));
    }

    void clampingKeepsValuesInRangeEvenForAnInvertedOne() {
        QCOMPARE(SettingsStore::clamp(12, 0, 10), 10);
        QCOMPARE(SettingsStore::clamp(-3, 0, 10), 0);
        QCOMPARE(SettingsStore::clamp(4, 0, 10), 4);
        QCOMPARE(SettingsStore::clamp(4, 10, 0), 10);
    }

    void absentKeysGiveTheDefaultText() {
        const SettingsStore store(iniPath());
        QCOMPARE(store.read("Player's Name", "n/a"), QString("n/a"));
        QCOMPARE(store.readSettingInt("Gun Speed", "5", 0, 10), 5);
        QCOMPARE(store.readSettingInt("Gun Speed", "99", 0, 10), 10);
        QVERIFY(store.readSettingBool("Show Circles", "true"));
        QVERIFY(store.readFlag("Ask For Objects", "1"));
        QVERIFY(!QFile::exists(iniPath()));
    }

    void writesReachTheFileAtOnceInsideTheVazazoSection() {
        SettingsStore store(iniPath());
        store.write("Gun Speed", "7");
        // No destructor has run: the value must already be on disk.
        QVERIFY(fileText().contains("[Vazazo]"));
        QVERIFY(fileText().contains("Gun%20Speed=7"));

        const QSettings raw(iniPath(), QSettings::IniFormat);
        QCOMPARE(raw.childGroups(), QStringList{"Vazazo"});
        QCOMPARE(raw.value("Vazazo/Gun Speed").toString(), QString("7"));
    }

    void anotherStoreOnTheSameFileReadsWhatWasWritten() {
        {
            SettingsStore writer(iniPath());
            writer.write("Player Name", "Ada");
        }
        SettingsStore first(iniPath());
        QCOMPARE(first.read("Player Name", "---"), QString("Ada"));

        // Both alive: a write through one is seen through the other.
        SettingsStore second(iniPath());
        first.write("Player Name", "Grace");
        QCOMPARE(second.read("Player Name", "---"), QString("Grace"));
        second.remove("Player Name");
        QCOMPARE(first.read("Player Name", "---"), QString("---"));
    }

    void valuesRoundTripExactly_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "";
        QTest::newRow("colour") << "128 128 128";
        QTest::newRow("edge blanks") << "  padded  ";
        QTest::newRow("comma") << "a, b";
        QTest::newRow("semicolon and equals") << "a;b=c";
        QTest::newRow("quotes and backslash") << "say \"hi\" \\ there";
        QTest::newRow("line break") << "two\nlines";
        QTest::newRow("at sign") << "@Variant(x)";
        QTest::newRow("percent") << "100%20";
        QTest::newRow("slash") << "n/a";
        QTest::newRow("non-ASCII") << QString::fromUtf8("J\u00fcrgen \u2603");
    }
    void valuesRoundTripExactly() {
        QFETCH(QString, text);
        {
            SettingsStore store(iniPath());
            store.write("Player's Name", text);
        }
        const SettingsStore store(iniPath());
        QCOMPARE(store.read("Player's Name", "n/a"), text);
    }

    void keysWithSlashesAndApostrophesRoundTripAsSingleKeys() {
        {
            SettingsStore store(iniPath());
            store.write("Classical Learning Distance/Time", "1051");
            store.write("Player's Name", "O'Neil");
        }
        const SettingsStore store(iniPath());
        QCOMPARE(store.read("Classical Learning Distance/Time", ""), QString("1051"));
        QCOMPARE(store.read("Player's Name", "n/a"), QString("O'Neil"));

        QSettings raw(iniPath(), QSettings::IniFormat);
        raw.beginGroup("Vazazo");
        QVERIFY2(raw.childGroups().isEmpty(), qPrintable(fileText()));
        QCOMPARE(raw.childKeys().size(), 2);
    }

    void keysThatQSettingsWouldFoldTogetherStayDistinct() {
        const QStringList keys{"a/b", "a\\b", "a//b", "a%2Fb", "a%5Cb", "a%b", "/a", "a/", "a", "a%"};
        {
            SettingsStore store(iniPath());
            for (const QString& key : keys) {
                store.write(key, "value of " + key);
            }
        }
        const SettingsStore store(iniPath());
        for (const QString& key : keys) {
            QCOMPARE(store.read(key, "missing"), "value of " + key);
        }
    }

    void removingAKeyLeavesKeysThatExtendItAlone() {
        SettingsStore store(iniPath());
        store.write("Classical Learning Distance", "1");
        store.write("Classical Learning Distance/Time", "1051");
        store.remove("Classical Learning Distance");
        QCOMPARE(store.read("Classical Learning Distance", "gone"), QString("gone"));
        QCOMPARE(store.read("Classical Learning Distance/Time", "gone"), QString("1051"));
    }

    void anEmptyKeyIsNeverStored() {
        SettingsStore store(iniPath());
        store.write("Gun Speed", "3");
        store.write("", "stray");
        store.remove("");
        QCOMPARE(store.read("", "default"), QString("default"));
        const QSettings raw(iniPath(), QSettings::IniFormat);
        QCOMPARE(raw.allKeys(), QStringList{"Vazazo/Gun Speed"});
    }

    void integerReadsParseThenClamp_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("expected");
        QTest::newRow("above range") << "12" << 10;
        QTest::newRow("below range") << "-3" << 0;
        QTest::newRow("letters") << "abc" << 0;
        QTest::newRow("trailing letter") << "7x" << 7;
        QTest::newRow("empty text is not the default") << "" << 0;
        QTest::newRow("overflowing") << "99999999999" << 10;
    }
    void integerReadsParseThenClamp() {
        QFETCH(QString, stored);
        QFETCH(int, expected);
        SettingsStore store(iniPath());
        store.write("Triangle Speed", stored);
        QCOMPARE(store.readSettingInt("Triangle Speed", "5", 0, 10), expected);
    }

    void codesTakeTheirDefaultOnlyForEmptyText() {
        SettingsStore store(iniPath());
        const auto& entry = SettingKeys::classicalLearningDistanceTime;
        QCOMPARE(store.readCode(entry), 1050);
        store.write(entry.key, "");
        QCOMPARE(store.readCode(entry), 1050);
        store.write(entry.key, "0");
        QCOMPARE(store.readCode(entry), 0);
        store.write(entry.key, "1051");
        QCOMPARE(store.readCode(entry), 1051);
        store.write(entry.key, " ");
        QCOMPARE(store.readCode(entry), 0);
    }

    void tableReadsApplyThePrefixAndClampOnlyWhereTheTableSays() {
        SettingsStore store(iniPath());
        store.write("Gun Speed", "3");
        store.write("CustomGun Speed", "42");
        store.write("Game Level", "15");
        QCOMPARE(store.readInt(SettingKeys::gunSpeed), 3);
        QCOMPARE(store.readInt(SettingKeys::gunSpeed, "Custom"), 10);
        QCOMPARE(store.readInt(SettingKeys::gameLevel), 15);
        QCOMPARE(store.readInt(SettingKeys::difficultyLevel), 2);

        store.writeBool(SettingKeys::synchronizeMouseSensitivity, false, "Custom");
        QCOMPARE(store.read("CustomSynchronize Mouse Sensitivity", ""), QString("false"));
        QVERIFY(store.readBool(SettingKeys::synchronizeMouseSensitivity));
        store.writeFlag(SettingKeys::askForObjects, false);
        QCOMPARE(store.read("Ask For Objects", ""), QString("0"));
        QVERIFY(!store.readFlag(SettingKeys::askForObjects));
        QCOMPARE(store.readText(SettingKeys::playersName), QString("n/a"));
    }

    void handEditedValuesThatAreNotPlainTextStillReadSafely() {
        writeFile("[Vazazo]\n"
                  "Gun%20Speed=4, 5\n"
                  "Player%20Name=@Rect(1 2 3 4)\n"
                  "Guns%20Volume=@ByteArray(60)\n");
        const SettingsStore store(iniPath());
        QCOMPARE(store.readSettingInt("Gun Speed", "5", 0, 10), 4);
        QCOMPARE(store.read("Player Name", "---"), QString("---"));
        QCOMPARE(store.readSettingInt("Guns Volume", "80", 0, 100), 60);
    }

    void aCorruptFileReadsAsDefaults() {
        static constexpr char junk[] = "\x00\xff[[[=\n\x01garbage=\"unterminated\n";
        writeFile(QByteArray(junk, sizeof junk - 1));
        SettingsStore store(iniPath());
        QCOMPARE(store.readSettingInt("Gun Speed", "5", 0, 10), 5);
        QCOMPARE(store.read("Player Name", "---"), QString("---"));
    }

    void theUserStoreIsTheOrganisationsIniFileWithoutFallbacks() {
        // Redirect every QSettings INI path into the temporary folder before any user store exists.
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir->path());
        QSettings::setPath(QSettings::IniFormat, QSettings::SystemScope, dir->filePath("system"));
        SettingsStore store;
        const QString expected = dir->filePath("Ruvuriva/Vazazo.ini");
        if (store.fileName() != expected) {
            QFAIL(qPrintable("user store would be written to " + store.fileName()));
        }

        // An organisation-wide file must not supply values.
        QSettings organisationWide(dir->filePath("Ruvuriva.ini"), QSettings::IniFormat);
        organisationWide.setValue("Vazazo/Gun Speed", "9");
        organisationWide.sync();
        QCOMPARE(store.read("Gun Speed", "5"), QString("5"));

        store.write("Gun Speed", "6");
        QVERIFY(QFile::exists(expected));
        QCOMPARE(SettingsStore(expected).read("Gun Speed", "5"), QString("6"));
    }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "test_SettingsStore.moc"
