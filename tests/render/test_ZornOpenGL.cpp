#include "support/TestMain.h"
#include "render/ZornOpenGL.h"

#include "core/Notice.h"
#include "render/FramePainter.h"

#include "support/Waiting.h"

#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

namespace {
constexpr int viewW = 101;
constexpr int viewH = 60;
constexpr int mark = 8;

// Clears to grey and marks the field's origin with a red square.
class MarkPainter : public FramePainter {
public:
    void renderFrame() override {
        view->beginFrame();
        glColor4d(1.0, 0.0, 0.0, 1.0);
        glBegin(GL_QUADS);
        glVertex2d(0, 0);
        glVertex2d(mark, 0);
        glVertex2d(mark, mark);
        glVertex2d(0, mark);
        glEnd();
        ++frames;
    }
    ZornOpenGL* view = nullptr;
    int frames = 0;
};

// Pixel (x, y) with y counted from the top, from a bottom-first BGR buffer.
QColor pixelAt(const std::vector<unsigned char>& bgr, int x, int y) {
    const std::size_t at = (static_cast<std::size_t>(viewH - 1 - y) * viewW + x) * 3;
    return QColor(bgr[at + 2], bgr[at + 1], bgr[at]);
}
} // namespace

class TestZornOpenGL : public QObject {
    Q_OBJECT
private slots:
    void init() {
        painter = std::make_unique<MarkPainter>();
        view = std::make_unique<ZornOpenGL>(*painter);
        painter->view = view.get();
        view->setFixedSize(viewW, viewH);
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        QVERIFY(waitUntil([&] { return painter->frames > 0; }));
    }
    void cleanup() {
        Notice::setHandler({});
        view.reset();
    }

    void theFieldOriginLandsInTheCornerOfEachOrientation_data() {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<QPoint>("corner");
        QTest::newRow("south") << int(Orientation::south) << QPoint(0, 0);
        QTest::newRow("north") << int(Orientation::north) << QPoint(viewW - 1, viewH - 1);
        QTest::newRow("east") << int(Orientation::east) << QPoint(0, viewH - 1);
        QTest::newRow("west") << int(Orientation::west) << QPoint(viewW - 1, 0);
    }
    void theFieldOriginLandsInTheCornerOfEachOrientation() {
        QFETCH(int, orientation);
        QFETCH(QPoint, corner);
        view->orientation = orientation;
        const int before = painter->frames;
        view->update();
        QVERIFY(waitUntil([&] { return painter->frames > before; }));
        const std::vector<unsigned char> frame = view->readPixels();
        QCOMPARE(frame.size(), std::size_t(viewW * viewH * 3));
        QCOMPARE(pixelAt(frame, corner.x(), corner.y()), QColor(255, 0, 0));
        // The opposite corner keeps the background.
        QCOMPARE(pixelAt(frame, viewW - 1 - corner.x(), viewH - 1 - corner.y()), QColor(128, 128, 128));
    }

    void aScreenshotIsUprightAndUnpadded() {
        QTemporaryDir dir;
        const QString file = dir.filePath("shot.png");
        QVERIFY(view->saveScreenshot(file));
        const QImage shot(file);
        QCOMPARE(shot.size(), QSize(viewW, viewH));
        QCOMPARE(shot.pixelColor(0, 0), QColor(255, 0, 0));
        QCOMPARE(shot.pixelColor(0, viewH - 1), QColor(128, 128, 128));
        QCOMPARE(shot.pixelColor(viewW - 1, 0), QColor(128, 128, 128));
    }

    void onlyEightTwentyFourAndThirtyTwoBitImagesBecomeTextures() {
        QStringList notices;
        Notice::setHandler([&](const QString& m) { notices << m; });
        GLuint texture = 0;
        QImage sixteen(4, 4, QImage::Format_RGB16);
        sixteen.fill(Qt::blue);
        QVERIFY(!view->createTexture(texture, sixteen));
        QCOMPARE(notices, QStringList({"Can read only 8,24 or 32 bits images!"}));
        QImage grey(4, 4, QImage::Format_Grayscale8);
        grey.fill(Qt::gray);
        QVERIFY(view->createTexture(texture, grey));
        QVERIFY(texture != 0);
        QImage colour(4, 4, QImage::Format_ARGB32);
        colour.fill(Qt::red);
        QVERIFY(view->createTexture(texture, colour));
    }

    void anUnreadableImageFileIsReportedByName() {
        QStringList notices;
        Notice::setHandler([&](const QString& m) { notices << m; });
        GLuint texture = 0;
        QVERIFY(!view->loadTexture(texture, ""));
        QVERIFY(notices.isEmpty());
        QVERIFY(!view->loadTexture(texture, "no_such_texture.png"));
        QCOMPARE(notices, QStringList({"Cannot load image no_such_texture.png\n"}));
        QCOMPARE(texture, GLuint(0));
    }

    void orientationsHaveTheirNames() {
        QCOMPARE(QString(Orientation::name(0x22)), QString("east"));
        QCOMPARE(QString(Orientation::name(0x15)), QString("undefined"));
    }

private:
    std::unique_ptr<MarkPainter> painter;
    std::unique_ptr<ZornOpenGL> view;
};

VAZAZO_TEST(TestZornOpenGL)
#include "test_ZornOpenGL.moc"
