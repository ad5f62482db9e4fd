#include "core/FatalError.h"

#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QThread>

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <new>

namespace {
std::mutex handlerMutex;
FatalError::Handler& handlerSlot() {
    static FatalError::Handler handler;
    return handler;
}

void showAndExit(const QString& message) {
    std::fprintf(stderr, "Error. Exiting application: %s\n", qPrintable(message));
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    auto showThenExit = [message] {
        QMessageBox::critical(nullptr, "Error. Exiting application", message);
        // Worker threads may still run; skip the static destructors they could be using.
        std::_Exit(1);
    };
    if (app == nullptr) {
        std::_Exit(1);
    }
    if (QThread::currentThread() == app->thread()) {
        showThenExit();
    }
    // Only the window thread may show the box. It may itself be waiting for this thread to stop,
    // so the exit does not depend on the box being shown.
    QMetaObject::invokeMethod(app, showThenExit, Qt::QueuedConnection);
    QThread::sleep(10);
    std::_Exit(1);
}
} // namespace

void FatalError::exitWith(const QString& message) {
    Handler handler;
    {
        std::lock_guard lock(handlerMutex);
        handler = handlerSlot();
    }
    if (handler) {
        handler(message);
        return;
    }
    showAndExit(message);
}

void FatalError::setHandler(Handler handler) {
    std::lock_guard lock(handlerMutex);
    handlerSlot() = std::move(handler);
}

void FatalError::installLowMemoryHandler() {
    std::set_new_handler([] {
        // Nothing may be allocated here; the message box itself needs memory, so print first.
        std::fputs("Error. Exiting application: Low memory!\n", stderr);
        FatalError::exitWith(lowMemory);
        throw std::bad_alloc();
    });
}
