#pragma once

#include <QPointer>

class QObject;
class QOpenGLContext;
class QSurface;

// A GL context and the surface it is made current on, held so that either may go away meanwhile.
// Kept apart from the GL headers: Qt's context header must not meet GLEW's in one file.
class GlContextRef {
public:
    GlContextRef() = default;
    GlContextRef(QOpenGLContext* context, QSurface* surface);
    // Whatever is current on this thread, possibly nothing.
    static GlContextRef current();

    bool isNone() const { return context_.isNull(); }
    bool exists() const;
    bool isCurrent() const;
    bool sameAs(const GlContextRef& other) const;
    // False, changing nothing, when the context or its surface is gone.
    bool makeCurrent() const;

private:
    QPointer<QOpenGLContext> context_;
    QSurface* surface_ = nullptr;
    // Windows and offscreen surfaces are QObjects, so their end can be seen.
    QPointer<QObject> surfaceObject_;
    bool surfaceWatched_ = false;
};

// Makes a context current for the length of a scope, then puts back whatever was current before,
// so that a caller in the middle of its own GL work finds its context as it left it.
class GlContextScope {
public:
    explicit GlContextScope(const GlContextRef& target);
    ~GlContextScope();
    GlContextScope(const GlContextScope&) = delete;
    GlContextScope& operator=(const GlContextScope&) = delete;

    // Whether the target is current, i.e. whether GL calls may be made.
    bool active() const { return active_; }

private:
    GlContextRef previous_;
    bool switched_ = false;
    bool active_ = false;
};
