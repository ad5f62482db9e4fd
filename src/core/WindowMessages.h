#pragma once

#include <QEvent>
#include <QString>

#include <cstdint>

// Messages posted to the main window (and to a few dialogs) as Qt events whose type is the message
// number, so a worker thread reaches the window only through the event queue.
namespace WindowMessages {
constexpr int WM_APP = 0x8000;
constexpr int WM_TICK = WM_APP + 1;
constexpr int WM_REDRAW = WM_APP + 2;
constexpr int WM_DIALOG_CLOSED = WM_APP + 4;
constexpr int WM_SOUND_EVENT = WM_APP + 5;
constexpr int WM_SET_VOLUME = WM_APP + 6;
constexpr int WM_START_GAME = WM_APP + 7;
constexpr int WM_TIME_UP = WM_APP + 8;
constexpr int WM_SHOW_BEST_SCORES = WM_APP + 9;
constexpr int WM_AFTER_GAME = WM_APP + 10;
// To a settings page: load itself again from the current copy.
constexpr int WM_RELOAD_SETTINGS = WM_APP + 11;
constexpr int WM_APPLY_LEVEL_PARAMETERS = WM_APP + 14;
constexpr int WM_CLEAR_FIELD = WM_APP + 15;
constexpr int WM_SHOW_SETTINGS = WM_APP + 16;
constexpr int WM_SET_SETTINGS_MODE = WM_APP + 17;
constexpr int WM_SYNC_ONE_SHOT = WM_APP + 18;
// Our own: a worker thread asks the window to show a new caption (the frame-rate read-out).
constexpr int WM_SET_CAPTION = WM_APP + 32;

// True only for the numbers above: other event types in the same range (Qt registers its own
// from the top down) are not ours to take.
bool isWindowMessage(int type);
} // namespace WindowMessages

// One posted window message: the number as event type, the two parameters and an optional text.
class WindowMessage : public QEvent {
public:
    WindowMessage(int message, std::intptr_t wParam = 0, std::intptr_t lParam = 0, QString text = {})
        : QEvent(static_cast<QEvent::Type>(message)), wParam(wParam), lParam(lParam), text(std::move(text)) {}

    int message() const { return static_cast<int>(type()); }

    const std::intptr_t wParam;
    const std::intptr_t lParam;
    const QString text;
};

class QObject;

// Posts a message to a window (or any QObject); safe from every thread.
void postWindowMessage(QObject* target, int message, std::intptr_t wParam = 0, std::intptr_t lParam = 0,
                       const QString& text = {});
