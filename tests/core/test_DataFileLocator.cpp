#include "support/TestMain.h"
#include "core/DataFileLocator.h"
#include "core/Log.h"

#include <QtTest>

namespace {
void writeFile(const QString& path, const QByteArray& content) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QStringList logTexts() {
    QStringList texts;
    for (const GameLog::Line& line : GameLog::takePending()) {
        texts << line.text;
    }
    return texts;
}
} // namespace

class TestDataFileLocator : public QObject {
    Q_OBJECT
private slots:
    void aFileInTheWorkingFolderWinsOverTheInstalledOne() {
        QTemporaryDir working;
        QTemporaryDir installed;
        writeFile(working.filePath("paddle_tx.png"), "own");
        writeFile(installed.filePath("paddle_tx.png"), "installed");
        writeFile(installed.filePath("gun1.mp3"), "installed");
        GameLog::takePending();
        QCOMPARE(DataFileLocator::locate("paddle_tx.png", QDir(working.path()), installed.path()),
                 working.filePath("paddle_tx.png"));
        QCOMPARE(DataFileLocator::locate("gun1.mp3", QDir(working.path()), installed.path()),
                 installed.filePath("gun1.mp3"));
        QVERIFY(logTexts().isEmpty());
    }

    void aFolderOfTheSameNameInTheWorkingFolderDoesNotHideTheInstalledFile() {
        QTemporaryDir working;
        QTemporaryDir installed;
        QVERIFY(QDir(working.path()).mkdir("objects.txt"));
        writeFile(installed.filePath("objects.txt"), "pen\n");
        QCOMPARE(DataFileLocator::locate("objects.txt", QDir(working.path()), installed.path()),
                 installed.filePath("objects.txt"));
    }

    void aMissingFileIsNamedWithBothPlacesAndLeftToTheLoaderInTheWorkingFolder() {
        QTemporaryDir working;
        QTemporaryDir installed;
        GameLog::takePending();
        QCOMPARE(DataFileLocator::locate("applause.mp3", QDir(working.path()), installed.path()),
                 working.filePath("applause.mp3"));
        const QStringList texts = logTexts();
        QCOMPARE(texts.size(), 1);
        QVERIFY(texts[0].startsWith("Missing data file applause.mp3"));
        QVERIFY(texts[0].contains(working.path()) && texts[0].contains(installed.path()));

        // Without an installation only the working folder is named.
        DataFileLocator::locate("applause.mp3", QDir(working.path()), QString());
        const QStringList alone = logTexts();
        QCOMPARE(alone.size(), 1);
        QVERIFY(alone[0].endsWith(": not in " + QDir(working.path()).absolutePath()));
    }

    void namesInTheCurrentFolderReadAsGivenAndAbsoluteNamesAreNotLookedUp() {
        QTemporaryDir working;
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(working.path()));
        writeFile("counter_tx.png", "here");
        GameLog::takePending();
        const QString found = DataFileLocator::locate("counter_tx.png");
        const QString missing = DataFileLocator::locate("objects.txt", QDir(), QString());
        const QString absolute = DataFileLocator::locate(working.filePath("nowhere.png"));
        QVERIFY(QDir::setCurrent(before));
        QCOMPARE(found, QString("counter_tx.png"));
        QCOMPARE(missing, QString("objects.txt"));
        QCOMPARE(absolute, working.filePath("nowhere.png"));
        QCOMPARE(logTexts().size(), 1);
    }

    void theInstalledFolderIsShareVazazoBesideTheProgramsFolder() {
        const QDir program(QCoreApplication::applicationDirPath());
        QCOMPARE(DataFileLocator::installedFolder(),
                 QDir::cleanPath(program.absoluteFilePath("../share/vazazo")));
    }
};

VAZAZO_TEST(TestDataFileLocator)
#include "test_DataFileLocator.moc"
