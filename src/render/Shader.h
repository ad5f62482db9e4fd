#pragma once

#include "render/HitPasses.h"
#include "render/ZornOpenGL.h"

#include <array>

// The view the main window embeds, with the hit test on the graphics card: an offscreen
// framebuffer of the view's frame size and one occlusion query per target slot. Framebuffer
// objects may come from the EXT or ARB extension or the core, occlusion queries from the NV or ARB
// extension or the core.
class Shader : public ZornOpenGL, public HitPasses {
    Q_OBJECT
public:
    // The driver's names, known once the view was first shown.
    QString glVendor;
    QString glRenderer;
    QString glVersion;
    using ZornOpenGL::ZornOpenGL;
    ~Shader() override;

    // The view's context current, its extensions loaded. False, with the reason in the game log,
    // when the driver lacks framebuffer objects or occlusion queries.
    bool initGpuCollision();
    // true: a new framebuffer of the frame's size (none while the view has no area); false: deletes
    // the framebuffer, if made. Either way the view's own framebuffer is bound afterwards.
    void makeFramebuffer(bool create);
    bool gpuCollisionAvailable() const { return available; }
    QSize framebufferSize() const { return framebufferReady ? madeSize : QSize(); }

    bool hitPassesReady() const override { return available && framebufferReady; }
    void pass(int stage) override;
    void beginQuery(int slot) override;
    void endQuery() override;
    unsigned pixelCount(int slot) override;

signals:
    // Each time the view's context has been set up.
    void gpuCollisionProbed(bool available);

protected:
    void initializeGL() override;
    void resizeGL(int width, int height) override;

private:
    // The entry points of whichever framebuffer and query flavour the driver has; the EXT, ARB and
    // core ones share signatures and constants.
    struct FramebufferCalls {
        PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
        PFNGLDELETEFRAMEBUFFERSPROC deleteFramebuffers = nullptr;
        PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
        PFNGLFRAMEBUFFERTEXTURE2DPROC framebufferTexture2D = nullptr;
        PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus = nullptr;
        PFNGLGENRENDERBUFFERSPROC genRenderbuffers = nullptr;
        PFNGLDELETERENDERBUFFERSPROC deleteRenderbuffers = nullptr;
        PFNGLBINDRENDERBUFFERPROC bindRenderbuffer = nullptr;
        PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage = nullptr;
        PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer = nullptr;
        bool complete() const;
    };
    struct QueryCalls {
        PFNGLGENQUERIESPROC genQueries = nullptr;
        PFNGLDELETEQUERIESPROC deleteQueries = nullptr;
        PFNGLBEGINQUERYPROC beginQuery = nullptr;
        PFNGLENDQUERYPROC endQuery = nullptr;
        PFNGLGETQUERYOBJECTUIVPROC getQueryObjectuiv = nullptr;
        bool complete() const;
    };
    static FramebufferCalls framebufferCalls();
    static QueryCalls queryCalls();
    void deleteQueries();
    // The field in pixels: the view's size, exchanged in a portrait orientation.
    QSize fieldPixels() const;

    GLuint framebuffer = 0;
    GLuint colourTexture = 0;
    GLuint depthRenderbuffer = 0;
    GLint savedDrawBuffer = 0;
    std::array<GLuint, queryCount> queries{};
    bool framebufferReady = false;
    bool available = false;
    bool queriesMade = false;
    bool nvQueries = false;
    QSize madeSize;
    FramebufferCalls fbo;
    QueryCalls arbQueries;
};
