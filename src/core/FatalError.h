#pragma once

#include <QString>

#include <functional>

// The one exit path for errors the program cannot go on after: a message box with the caption
// "Error. Exiting application", then exit code 1. Tests replace the handler to observe it.
class FatalError {
public:
    using Handler = std::function<void(const QString& message)>;

    static constexpr const char* lowMemory = "Low memory!";
    static constexpr const char* clockUnreadable = "Cannot read current time!";
    static constexpr const char* clockFrequencyUnreadable = "Cannot determine clock frequency!";

    // Shows the message and ends the program; returns only when a test handler is installed.
    static void exitWith(const QString& message);

    // Installs a replacement for the message box and exit; an empty handler restores the default.
    static void setHandler(Handler handler);

    // Makes an allocation failure anywhere end the program through exitWith(lowMemory).
    static void installLowMemoryHandler();
};
