#include "app/CommandLine.h"

#include "support/TestMain.h"

#include <QtTest>

class TestCommandLine : public QObject {
    Q_OBJECT
private slots:
    void eachCommandLineEndsOrGoesOnAsAUserExpects_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("saying");
        QTest::newRow("nothing") << QStringList{"vazazo"} << -1 << "";
        QTest::newRow("help") << QStringList{"vazazo", "--help"} << 0 << "--version";
        QTest::newRow("version") << QStringList{"vazazo", "--version"} << 0 << "Vazazo 1.73";
        QTest::newRow("unknown option") << QStringList{"vazazo", "--fast"} << 2 << "'fast'";
        QTest::newRow("stray argument") << QStringList{"vazazo", "level3"} << 2 << "'level3'";
        QTest::newRow("Qt's own option") << QStringList{"vazazo", "-platform", "xcb"} << -1 << "";
        QTest::newRow("server") << QStringList{"vazazo", "--server", "[::1]:8081"} << -1 << "";
        QTest::newRow("https server") << QStringList{"vazazo", "--server", "HTTPS://scores.example/"} << -1 << "";
        QTest::newRow("other scheme") << QStringList{"vazazo", "--server", "ftp://scores.example"} << 2
                                      << "'ftp://scores.example'";
        QTest::newRow("bad server") << QStringList{"vazazo", "--server", "a:b:c"} << 2 << "'a:b:c'";
        QTest::newRow("user folder") << QStringList{"vazazo", "--user-folder"} << -1 << "";
        QTest::newRow("user folder with help")
            << QStringList{"vazazo", "--user-folder", "-h"} << 0 << "--user-folder";
        QTest::newRow("port out of range") << QStringList{"vazazo", "--server=h:70000"} << 2 << "'h:70000'";
        QTest::newRow("results here") << QStringList{"vazazo", "--results"} << -1 << "";
        QTest::newRow("results of a folder") << QStringList{"vazazo", "--results", "/data/games"} << -1 << "";
        QTest::newRow("results of two folders") << QStringList{"vazazo", "--results", "a", "b"} << 2 << "'a'";
    }
    void eachCommandLineEndsOrGoesOnAsAUserExpects() {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, saying);
        const CommandLine line = CommandLine::parse(arguments);
        QCOMPARE(line.exitCode.value_or(-1), exitCode);
        QVERIFY2(line.output.contains(saying), qPrintable(line.output));
        QCOMPARE(!line.scoreServer.isEmpty(), exitCode == -1 && arguments.contains("--server"));
        QCOMPARE(line.inUserFolder, exitCode == -1 && arguments.contains("--user-folder"));
        QVERIFY(exitCode != 2 || line.output.contains("--help"));
        const bool results = exitCode == -1 && arguments.contains("--results");
        QCOMPARE(line.resultsFolder, results ? std::optional<QString>(arguments.value(2, ".")) : std::nullopt);
    }

    void theUserFolderIsMadeOnFirstUseAndEnteredAfterwards() {
        QTemporaryDir home;
        const QString before = QDir::currentPath();
        const QString folder = home.filePath("deep/Vazazo");
        const std::optional<QString> first = CommandLine::enterFolder(folder);
        const QString entered = QDir::currentPath();
        const std::optional<QString> again = CommandLine::enterFolder(folder);
        QVERIFY(QDir::setCurrent(before));
        QVERIFY2(!first && !again, qPrintable(first.value_or(again.value_or(""))));
        QCOMPARE(QFileInfo(entered).canonicalFilePath(), QFileInfo(folder).canonicalFilePath());

        // A file where the folder should be is said, and the current folder stays.
        QFile blocker(home.filePath("file"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const std::optional<QString> refused = CommandLine::enterFolder(home.filePath("file/Vazazo"));
        QVERIFY(refused && refused->contains(home.filePath("file/Vazazo")));
        QCOMPARE(QDir::currentPath(), before);
    }
};

VAZAZO_TEST(TestCommandLine)
#include "test_CommandLine.moc"
