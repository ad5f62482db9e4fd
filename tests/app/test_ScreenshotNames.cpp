#include "support/TestMain.h"
#include "app/ScreenshotNames.h"

#include "core/Log.h"
#include "render/FramePainter.h"
#include "render/ZornOpenGL.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {
class NoPainter : public FramePainter {
public:
    void renderFrame() override {}
};
} // namespace

class TestScreenshotNames : public QObject {
    Q_OBJECT
private slots:
    void aTakenNameIsNeitherOpenedNorFollowedButSkipped() {
        QTemporaryDir dir;
        QTemporaryDir outside;
        QFile earlier(dir.filePath(ScreenshotNames::nameFor(0)));
        QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write("earlier run") == 11 && earlier.flush());
        earlier.close();
        // A link to nothing yet, outside the folder: opening it would create the file out there.
        QVERIFY(QFile::link(outside.filePath("elsewhere.png"), dir.filePath(ScreenshotNames::nameFor(1))));
        ScreenshotNames names{QDir(dir.path())};
        QString error;
        std::unique_ptr<QFile> file = names.createNext(error);
        QVERIFY(file && file->fileName() == dir.filePath(ScreenshotNames::nameFor(2)));
        QCOMPARE(names.createNext(error)->fileName(), dir.filePath(ScreenshotNames::nameFor(3)));
        QVERIFY(!QFile::exists(outside.filePath("elsewhere.png")) && earlier.open(QIODevice::ReadOnly));
        QCOMPARE(earlier.readAll(), QByteArray("earlier run"));
    }

    void aFailedScreenshotLeavesNoFileAndIsLogged() {
        QTemporaryDir dir;
        NoPainter painter;
        ZornOpenGL unshown(painter);
        GameLog::takePending();
        ScreenshotNames names{QDir(dir.path())};
        QVERIFY(names.save(unshown).isEmpty() && QDir(dir.path()).isEmpty());
        QCOMPARE(GameLog::takePending().size(), size_t(1));
        ScreenshotNames nowhere{QDir(dir.filePath("missing"))};
        QVERIFY(nowhere.save(unshown).isEmpty());
        QCOMPARE(GameLog::takePending().size(), size_t(1));
    }
};

VAZAZO_TEST(TestScreenshotNames)
#include "test_ScreenshotNames.moc"
