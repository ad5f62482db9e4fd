#include "support/TestMain.h"
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

VAZAZO_TEST(TestSettingsStore)
#include "test_SettingsStore.moc"
