#pragma once

#include <QString>

#include <functional>

// Messages the user must see but the program survives (an unreadable image, say): a message box,
// which tests replace to observe.
class Notice {
public:
    using Handler = std::function<void(const QString& message)>;

    static void show(const QString& message);
    // From any thread: shown on the window thread once its event loop gets to it.
    static void showLater(const QString& message);
    // An empty handler restores the message box.
    static void setHandler(Handler handler);
};
