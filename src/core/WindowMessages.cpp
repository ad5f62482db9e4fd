#include "core/WindowMessages.h"

#include <QCoreApplication>

void postWindowMessage(QObject* target, int message, std::intptr_t wParam, std::intptr_t lParam,
                       const QString& text) {
    if (target != nullptr) {
        QCoreApplication::postEvent(target, new WindowMessage(message, wParam, lParam, text));
    }
}

bool WindowMessages::isWindowMessage(int type) {
    switch (type) {
    case WM_TICK:
    case WM_REDRAW:
    case WM_DIALOG_CLOSED:
    case WM_SOUND_EVENT:
    case WM_SET_VOLUME:
    case WM_START_GAME:
    case WM_TIME_UP:
    case WM_SHOW_BEST_SCORES:
    case WM_AFTER_GAME:
    case WM_RELOAD_SETTINGS:
    case WM_APPLY_LEVEL_PARAMETERS:
    case WM_CLEAR_FIELD:
    case WM_SHOW_SETTINGS:
    case WM_SET_SETTINGS_MODE:
    case WM_SYNC_ONE_SHOT:
    case WM_SET_CAPTION:
        return true;
    default:
        return false;
    }
}
