#include "support/TestMain.h"
#include "render/ZornOpenGL.h"

#include "core/Notice.h"
#include "render/ExtraMessage.h"
#include "render/FramePainter.h"

#include "support/OffscreenGl.h"
#include "support/Waiting.h"

#include <QFile>
#include <QProcess>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

#include <dlfcn.h>

namespace {
// Clears to grey and marks the field's origin with a red 8-pixel square.
class MarkPainter : public FramePainter {
public:
    void renderFrame() override {
        view->beginFrame();
        glColor4d(1.0, 0.0, 0.0, 1.0);
        glRectd(0, 0, 8, 8);
        ++frames;
    }
    ZornOpenGL* view = nullptr;
    int frames = 0;
};

// The texture binding and unpack alignment of the current context.
std::pair<GLint, GLint> textureState() {
    std::pair<GLint, GLint> state;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &state.first);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &state.second);
    return state;
}
} // namespace

class TestZornOpenGL : public QObject {
    Q_OBJECT
private slots:
    void init() {
        painter = std::make_unique<MarkPainter>();
        view = std::make_unique<ZornOpenGL>(*painter);
        painter->view = view.get();
        view->setFixedSize(101, 60);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        QVERIFY(waitUntil([&] { return painter->frames > 0; }));
    }
    void cleanup() {
        Notice::setHandler({});
        view.reset();
    }

    // Qt on EGL (Wayland, or X with the EGL integration) has no GLX display; the extension loader
    // must still load the entry points. The check runs in a child of this program started on EGL.
    void theExtensionLoaderWorksWhereQtRunsOnEgl() {
        if (qgetenv("QT_XCB_GL_INTEGRATION") == "xcb_egl") {
            view->makeCurrent();
            using CurrentContext = void* (*)();
            const auto eglCurrent =
                reinterpret_cast<CurrentContext>(dlsym(RTLD_DEFAULT, "eglGetCurrentContext"));
            QVERIFY2(eglCurrent != nullptr && eglCurrent() != nullptr, "the view does not run on EGL");
            QVERIFY(view->extensionsReady() && !view->renderer().isEmpty() &&
                    (glGenFramebuffers != nullptr || glGenFramebuffersEXT != nullptr));
            view->doneCurrent();
            return;
        }
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_XCB_GL_INTEGRATION", "xcb_egl");
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {"TestZornOpenGL", "theExtensionLoaderWorksWhereQtRunsOnEgl"});
        QVERIFY(child.waitForFinished(60000));
        const QString output = QString::fromLocal8Bit(child.readAll());
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, qPrintable(output));
        QVERIFY2(output.contains("PASS   : TestZornOpenGL::theExtensionLoaderWorksWhereQtRunsOnEgl()"),
                 qPrintable(output));
        QVERIFY2(!output.contains("GLEW:"), qPrintable(output));
    }

    void theFieldOriginLandsInTheCornerOfEachOrientation() {
        const std::pair<int, QPoint> corners[] = {{Orientation::south, {0, 0}},
                                                  {Orientation::north, {100, 59}},
                                                  {Orientation::east, {0, 59}},
                                                  {Orientation::west, {100, 0}}};
        for (const auto& [orientation, corner] : corners) {
            view->orientation = orientation;
            const int before = painter->frames;
            view->update();
            QVERIFY(waitUntil([&] { return painter->frames > before; }));
            // 101 pixels wide: rows of 303 bytes, unpadded, or the image below would be skewed.
            QCOMPARE(view->readPixels().size(), std::size_t(101 * 60 * 3));
            const QImage shot = view->frameImage();
            QVERIFY(shot.pixelColor(corner) == QColor(255, 0, 0) &&
                    shot.pixelColor(100 - corner.x(), 59 - corner.y()) == QColor(128, 128, 128));
        }
    }

    void aScreenshotHoldsEveryDevicePixelAndOnlyAWriteThatReachedTheFileSucceeds() {
        QCOMPARE(ZornOpenGL::devicePixels(QSize(101, 60), 1.5), QSize(152, 90));
        QCOMPARE(view->frameSize(), ZornOpenGL::devicePixels(view->size(), view->devicePixelRatioF()));
        QTemporaryDir dir;
        QFile file(dir.filePath("shot.png"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QString error;
        QVERIFY(view->saveScreenshot(file, error));
        file.close();
        const QImage shot(file.fileName());
        QVERIFY(shot.size() == view->frameSize() && shot.pixelColor(0, 0) == QColor(255, 0, 0) &&
                shot.pixelColor(0, shot.height() - 1) == QColor(128, 128, 128));
        // A full disk takes the bytes into the file's buffer and fails only when they are written.
        QFile full("/dev/full");
        QVERIFY(full.open(QIODevice::WriteOnly));
        QVERIFY(!ZornOpenGL::writePng(shot, full, error) && !error.isEmpty());
        QVERIFY(!ZornOpenGL::writePng(QImage(), file, error));
    }

    // Only 8, 24 and 32-bit images make textures; each is made in the view's context, leaving the caller's.
    void aTextureIsMadeInTheViewsContextLeavingTheCallersAsItWas() {
        QStringList notices;
        Notice::setHandler([&](const QString& m) { notices << m; });
        GLuint made = 0;
        QVERIFY(!view->loadTexture(made, "") && !view->loadTexture(made, "no_such_texture.png"));
        QVERIFY(!view->createTexture(made, QImage(4, 4, QImage::Format_RGB16)));
        QVERIFY(notices.size() == 2 && made == 0);
        QVERIFY(view->createTexture(made, QImage(4, 4, QImage::Format_Grayscale8)) && made != 0);
        const QImage image(4, 4, QImage::Format_ARGB32);
        GLuint mine = 0;
        // In the view's own context, in the middle of other work.
        view->makeCurrent();
        glGenTextures(1, &mine);
        glBindTexture(GL_TEXTURE_2D, mine);
        const GlContextRef before = GlContextRef::current();
        auto state = textureState();
        QVERIFY(view->createTexture(made, image));
        QVERIFY(GlContextRef::current().sameAs(before) && textureState() == state);
        view->doneCurrent();
        QVERIFY(view->createTexture(made, image) && GlContextRef::current().isNone());
        OffscreenGl other(4, 4);
        QVERIFY(other.isReady());
        glPixelStorei(GL_UNPACK_ALIGNMENT, 2);
        state = textureState();
        QVERIFY(view->createTexture(made, image));
        QVERIFY(other.isCurrent() && textureState() == state && !glIsTexture(made));
        view->makeCurrent();
        QVERIFY(glIsTexture(made));
    }

    // Remade or dropped, a font frees its display lists, and in its own context.
    void aFontFreesItsListsInItsOwnContext() {
        ExtraMessage message;
        view->makeCurrent();
        message.createFont("Times New Roman", 48);
        const GLuint first = message.firstList();
        QVERIFY(glIsList(first));
        // The old lists may be handed out again.
        message.createFont("Times New Roman", 72);
        QVERIFY(message.firstList() == first || !glIsList(first));
        auto font = std::make_unique<ExtraMessage>();
        font->createFont("Arial", 24);
        const GLuint lists = font->firstList();
        OffscreenGl other(4, 4);
        font.reset();
        QVERIFY(other.isCurrent());
        view->makeCurrent();
        QVERIFY(!glIsList(lists));
    }

private:
    std::unique_ptr<MarkPainter> painter;
    std::unique_ptr<ZornOpenGL> view;
};

VAZAZO_TEST(TestZornOpenGL)
#include "test_ZornOpenGL.moc"
