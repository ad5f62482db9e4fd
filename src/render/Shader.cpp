#include "render/Shader.h"

#include "core/Log.h"
#include "core/Orientation.h"

namespace {
// From the driver's own list: GLEW's flags also claim extensions whose entry points merely resolve.
bool hasExtension(const char* name) {
    return glewGetExtension(name) == GL_TRUE;
}

// At the near plane of the view's 2D projection: depth 0, in front of everything at z = 0.
constexpr GLint coverDepth = 1000;
} // namespace

Shader::~Shader() {
    if (!framebufferReady && !queriesMade) {
        return;
    }
    makeCurrent();
    deleteQueries();
    makeFramebuffer(false);
    doneCurrent();
}

void Shader::initializeGL() {
    ZornOpenGL::initializeGL();
    const auto glText = [](GLenum name) {
        const auto* text = reinterpret_cast<const char*>(glGetString(name));
        return text != nullptr ? QString::fromLatin1(text) : QString();
    };
    glVendor = glText(GL_VENDOR);
    glRenderer = glText(GL_RENDERER);
    glVersion = glText(GL_VERSION);
    emit gpuCollisionProbed(initGpuCollision());
}

void Shader::resizeGL(int width, int height) {
    ZornOpenGL::resizeGL(width, height);
    if (available) {
        makeFramebuffer(false);
        makeFramebuffer(true);
    }
}

bool Shader::FramebufferCalls::complete() const {
    return genFramebuffers && deleteFramebuffers && bindFramebuffer && framebufferTexture2D &&
           checkFramebufferStatus && genRenderbuffers && deleteRenderbuffers && bindRenderbuffer &&
           renderbufferStorage && framebufferRenderbuffer;
}

bool Shader::QueryCalls::complete() const {
    return genQueries && deleteQueries && beginQuery && endQuery && getQueryObjectuiv;
}

Shader::FramebufferCalls Shader::framebufferCalls() {
    if (GLEW_VERSION_3_0 || hasExtension("GL_ARB_framebuffer_object")) {
        return {glGenFramebuffers,        glDeleteFramebuffers,     glBindFramebuffer,
                glFramebufferTexture2D,   glCheckFramebufferStatus, glGenRenderbuffers,
                glDeleteRenderbuffers,    glBindRenderbuffer,       glRenderbufferStorage,
                glFramebufferRenderbuffer};
    }
    if (hasExtension("GL_EXT_framebuffer_object")) {
        return {glGenFramebuffersEXT,        glDeleteFramebuffersEXT,     glBindFramebufferEXT,
                glFramebufferTexture2DEXT,   glCheckFramebufferStatusEXT, glGenRenderbuffersEXT,
                glDeleteRenderbuffersEXT,    glBindRenderbufferEXT,       glRenderbufferStorageEXT,
                glFramebufferRenderbufferEXT};
    }
    return {};
}

Shader::QueryCalls Shader::queryCalls() {
    if (GLEW_VERSION_1_5) {
        return {glGenQueries, glDeleteQueries, glBeginQuery, glEndQuery, glGetQueryObjectuiv};
    }
    if (hasExtension("GL_ARB_occlusion_query")) {
        return {glGenQueriesARB, glDeleteQueriesARB, glBeginQueryARB, glEndQueryARB, glGetQueryObjectuivARB};
    }
    return {};
}

bool Shader::initGpuCollision() {
    // A new context: whatever was made in an earlier one went with it.
    available = false;
    framebufferReady = false;
    queriesMade = false;
    if (!extensionsLoaded) {
        // The view has logged GLEW's own reason.
        return false;
    }
    fbo = framebufferCalls();
    if (!fbo.complete()) {
        appendLog("GL_EXT_framebuffer_object extension not supported!");
        return false;
    }
    nvQueries = hasExtension("GL_NV_occlusion_query") && glGenOcclusionQueriesNV &&
                glDeleteOcclusionQueriesNV && glBeginOcclusionQueryNV && glEndOcclusionQueryNV &&
                glGetOcclusionQueryuivNV;
    arbQueries = queryCalls();
    if (!nvQueries && !arbQueries.complete()) {
        appendLog("GL_NV_occlusion_query extension not supported!");
        return false;
    }
    available = true;
    // The framebuffer is made by the resize that always follows a new context, at the size the
    // view then has; made here as well, it would be made twice before the first frame.
    if (nvQueries) {
        glGenOcclusionQueriesNV(queryCount, queries.data());
    } else {
        arbQueries.genQueries(queryCount, queries.data());
    }
    queriesMade = true;
    return true;
}

void Shader::deleteQueries() {
    if (!queriesMade) {
        return;
    }
    if (nvQueries) {
        glDeleteOcclusionQueriesNV(queryCount, queries.data());
    } else {
        arbQueries.deleteQueries(queryCount, queries.data());
    }
    queriesMade = false;
}

void Shader::makeFramebuffer(bool create) {
    if (!available) {
        return;
    }
    if (!create) {
        if (framebufferReady) {
            fbo.deleteRenderbuffers(1, &depthRenderbuffer);
            glDeleteTextures(1, &colourTexture);
            fbo.deleteFramebuffers(1, &framebuffer);
            depthRenderbuffer = colourTexture = framebuffer = 0;
            framebufferReady = false;
        }
        fbo.bindFramebuffer(GL_FRAMEBUFFER, defaultFramebufferObject());
        return;
    }
    // Drawing uses the view's viewport, which is in device pixels.
    const QSize size = frameSize();
    if (size.isEmpty()) {
        return;
    }
    GLint boundTexture = 0;
    GLint boundRenderbuffer = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &boundTexture);
    glGetIntegerv(GL_RENDERBUFFER_BINDING, &boundRenderbuffer);
    glGenTextures(1, &colourTexture);
    glBindTexture(GL_TEXTURE_2D, colourTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, size.width(), size.height(), 0, GL_RGB, GL_FLOAT, nullptr);
    fbo.genRenderbuffers(1, &depthRenderbuffer);
    fbo.bindRenderbuffer(GL_RENDERBUFFER, depthRenderbuffer);
    fbo.renderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT, size.width(), size.height());
    fbo.genFramebuffers(1, &framebuffer);
    fbo.bindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    fbo.framebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colourTexture, 0);
    fbo.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, depthRenderbuffer);
    const GLenum status = fbo.checkFramebufferStatus(GL_FRAMEBUFFER);
    fbo.bindFramebuffer(GL_FRAMEBUFFER, defaultFramebufferObject());
    fbo.bindRenderbuffer(GL_RENDERBUFFER, static_cast<GLuint>(boundRenderbuffer));
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(boundTexture));
    framebufferReady = true;
    madeSize = size;
    if (status != GL_FRAMEBUFFER_COMPLETE) {
        appendLog(QString("The offscreen framebuffer for the GPU hit test is incomplete (status 0x%1); "
                          "hits are found on the CPU until the next resize")
                      .arg(status, 0, 16));
        makeFramebuffer(false);
    }
}

QSize Shader::fieldPixels() const {
    const bool landscape = (orientation & Orientation::landscapeBit) != 0;
    return landscape ? QSize(viewWidth(), viewHeight()) : QSize(viewHeight(), viewWidth());
}

void Shader::pass(int stage) {
    switch (stage) {
    case HitPasses::open:
        glGetIntegerv(GL_DRAW_BUFFER, &savedDrawBuffer);
        fbo.bindFramebuffer(GL_FRAMEBUFFER, framebuffer);
        glDrawBuffer(GL_COLOR_ATTACHMENT0);
        [[fallthrough]];
    case HitPasses::cover: {
        const QSize field = fieldPixels();
        // Filled even in wire-frame mode, or depths of earlier frames would show through.
        glPushAttrib(GL_CURRENT_BIT | GL_ENABLE_BIT | GL_POLYGON_BIT);
        glDisable(GL_TEXTURE_2D);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        glColor4d(1.0, 1.0, 1.0, 1.0);
        glDepthFunc(GL_LEQUAL);
        glBegin(GL_QUADS);
        glVertex3i(0, 0, coverDepth);
        glVertex3i(field.width(), 0, coverDepth);
        glVertex3i(field.width(), field.height(), coverDepth);
        glVertex3i(0, field.height(), coverDepth);
        glEnd();
        glPopAttrib();
        glDepthFunc(GL_ALWAYS);
        break;
    }
    case HitPasses::probe:
        glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
        glDepthMask(GL_FALSE);
        glDepthFunc(GL_LEQUAL);
        break;
    case HitPasses::restore:
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glDepthMask(GL_TRUE);
        glFinish();
        break;
    case HitPasses::close:
        fbo.bindFramebuffer(GL_FRAMEBUFFER, defaultFramebufferObject());
        glDrawBuffer(static_cast<GLenum>(savedDrawBuffer));
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glDepthMask(GL_TRUE);
        glFinish();
        break;
    default:
        break;
    }
}

void Shader::beginQuery(int slot) {
    if (nvQueries) {
        glBeginOcclusionQueryNV(queries[slot]);
    } else {
        arbQueries.beginQuery(GL_SAMPLES_PASSED, queries[slot]);
    }
}

void Shader::endQuery() {
    if (nvQueries) {
        glEndOcclusionQueryNV();
    } else {
        arbQueries.endQuery(GL_SAMPLES_PASSED);
    }
}

unsigned Shader::pixelCount(int slot) {
    GLuint count = 0;
    if (nvQueries) {
        glGetOcclusionQueryuivNV(queries[slot], GL_PIXEL_COUNT_NV, &count);
    } else {
        arbQueries.getQueryObjectuiv(queries[slot], GL_QUERY_RESULT, &count);
    }
    return count;
}
