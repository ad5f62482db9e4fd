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
    for (const GameLog::Line& line : GameLog::takePending())
        texts << line.text;
    return texts;
}
} // namespace

class TestDataFileLocator : public QObject {
    Q_OBJECT
private slots:
    // A file (not a folder) in the working folder wins over the installed one; a missing file is
    // named with both places and left to the loader in the working folder.
    void theWorkingFolderWinsAndAMissingFileIsNamedWithBothPlaces() {
        QTemporaryDir working, installed;
        const QDir here(working.path());
        writeFile(working.filePath("paddle_tx.png"), "own");
        QVERIFY(here.mkdir("objects.txt"));
        for (const char* name : {"paddle_tx.png", "gun1.mp3", "objects.txt"})
            writeFile(installed.filePath(name), "installed");
        GameLog::takePending();
        QStringList found;
        for (const char* name : {"paddle_tx.png", "gun1.mp3", "objects.txt", "applause.mp3"})
            found << DataFileLocator::locate(name, here, installed.path());
        QCOMPARE(found, QStringList({working.filePath("paddle_tx.png"), installed.filePath("gun1.mp3"),
                                     installed.filePath("objects.txt"), working.filePath("applause.mp3")}));
        QStringList texts = logTexts();
        QVERIFY(texts.size() == 1 && texts[0].contains("applause.mp3") && texts[0].contains(working.path()) &&
                texts[0].contains(installed.path()));
        // Without an installation only the working folder is named.
        DataFileLocator::locate("applause.mp3", here, QString());
        texts = logTexts();
        QVERIFY(texts.size() == 1 && texts[0].endsWith(": not in " + here.absolutePath()));
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
        QCOMPARE(QStringList({found, missing, absolute}),
                 QStringList({"counter_tx.png", "objects.txt", working.filePath("nowhere.png")}));
        QCOMPARE(logTexts().size(), 1);
    }
};

VAZAZO_TEST(TestDataFileLocator)
#include "test_DataFileLocator.moc"
