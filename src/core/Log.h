#pragma once

#include <QString>
#include <QTime>

#include <functional>
#include <optional>
#include <vector>

class QObject;

// Appends one time-stamped line to the game log. Safe from any thread at any time: lines wait in
// one queue until the log's reader takes them, lines logged while no reader exists wait for the
// next one, and the stamp is the time of this call.
void appendLog(const QString& text);

namespace GameLog {
struct Line {
    QString stamp;
    QString text;
};

// The local time of day, or nothing when it cannot be determined.
using TimeSource = std::function<std::optional<QTime>()>;

// "HH:MM.SS"; an unknown time prints each number as "0-1".
QString timeStamp(std::optional<QTime> time);
// Every line also goes to standard error as one line, "stamp text", its line breaks folded, so a
// run can be followed from a terminal or a script.
QString echoLine(const QString& stamp, const QString& text);
using Echo = std::function<void(const QString& line)>;
void standardErrorEcho(const QString& line);
// Replaces the echo (standardErrorEcho at start); an empty echo turns it off.
void setEcho(Echo echo);
// Replaces the clock read by every time stamp; an empty source restores the local clock.
void setTimeSource(TimeSource source);
std::optional<QTime> currentTimeOfDay();

// The one window that shows the log. showPending runs on the reader's thread: directly when a
// line is logged there, otherwise through a posted event of type pendingEvent().
class Reader {
public:
    virtual ~Reader() = default;
    virtual void showPending() = 0;
};

int pendingEvent();
// The reader takes over the waiting lines; detach only the reader that is attached.
void attach(Reader& reader, QObject& thread);
void detach(Reader& reader);
// Window thread of the reader: the lines that wait, oldest first.
std::vector<Line> takePending();
} // namespace GameLog
