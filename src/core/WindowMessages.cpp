#include "core/WindowMessages.h"

#include <QCoreApplication>

void postWindowMessage(QObject* target, int message, std::intptr_t wParam, std::intptr_t lParam,
                       const QString& text) {
    if (target != nullptr) {
        QCoreApplication::postEvent(target, new WindowMessage(message, wParam, lParam, text));
    }
}
