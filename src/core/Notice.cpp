#include "core/Notice.h"

#include <QApplication>
#include <QMessageBox>

namespace {
Notice::Handler& handlerSlot() {
    static Notice::Handler handler;
    return handler;
}
} // namespace

void Notice::show(const QString& message) {
    if (handlerSlot()) {
        handlerSlot()(message);
        return;
    }
    QMessageBox::warning(QApplication::activeWindow(), "Vazazo", message);
}

void Notice::showLater(const QString& message) {
    if (QCoreApplication* app = QCoreApplication::instance()) {
        QMetaObject::invokeMethod(app, [message] { show(message); }, Qt::QueuedConnection);
    }
}

void Notice::setHandler(Handler handler) {
    handlerSlot() = std::move(handler);
}
