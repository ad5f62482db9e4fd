#include "render/GlContextScope.h"

#include <QOpenGLContext>
#include <QSurface>

GlContextRef::GlContextRef(QOpenGLContext* context, QSurface* surface)
    : context_(context), surface_(surface), surfaceObject_(dynamic_cast<QObject*>(surface)),
      surfaceWatched_(surfaceObject_ != nullptr) {}

GlContextRef GlContextRef::current() {
    QOpenGLContext* context = QOpenGLContext::currentContext();
    return GlContextRef(context, context != nullptr ? context->surface() : nullptr);
}

bool GlContextRef::exists() const {
    return !context_.isNull() && surface_ != nullptr && (!surfaceWatched_ || !surfaceObject_.isNull());
}

bool GlContextRef::isCurrent() const {
    QOpenGLContext* current = QOpenGLContext::currentContext();
    return current != nullptr && current == context_ && current->surface() == surface_;
}

bool GlContextRef::sameAs(const GlContextRef& other) const {
    return context_ == other.context_ && surface_ == other.surface_;
}

bool GlContextRef::makeCurrent() const {
    return exists() && context_->makeCurrent(surface_);
}

GlContextScope::GlContextScope(const GlContextRef& target) : previous_(GlContextRef::current()) {
    if (target.isCurrent()) {
        active_ = true;
        return;
    }
    switched_ = true;
    active_ = target.makeCurrent();
}

GlContextScope::~GlContextScope() {
    if (!switched_) {
        return;
    }
    if (previous_.isNone() || !previous_.makeCurrent()) {
        if (QOpenGLContext* current = QOpenGLContext::currentContext()) {
            current->doneCurrent();
        }
    }
}
