#include "core/Log.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QThread>

#include <cstdio>
#include <mutex>

namespace {
struct Registry {
    std::mutex mutex;
    GameLog::Reader* reader = nullptr;
    QObject* readerObject = nullptr;
    std::vector<GameLog::Line> pending;
    bool showPosted = false;
    GameLog::TimeSource timeSource;
    GameLog::Echo echo = GameLog::standardErrorEcho;
};

// Never destroyed: worker threads may still log while static objects are torn down at exit.
Registry& registry() {
    static auto* instance = new Registry;
    return *instance;
}
} // namespace

namespace GameLog {
int pendingEvent() {
    static const int type = QEvent::registerEventType();
    return type;
}

QString timeStamp(std::optional<QTime> time) {
    // A zero before every number below ten, -1 included, as the log has always written it.
    const auto part = [](int value) { return (value < 10 ? QStringLiteral("0") : QString()) + QString::number(value); };
    const int hours = time ? time->hour() : -1;
    const int minutes = time ? time->minute() : -1;
    const int seconds = time ? time->second() : -1;
    return part(hours) + ':' + part(minutes) + '.' + part(seconds);
}

QString echoLine(const QString& stamp, const QString& text) {
    QString line = text;
    while (line.endsWith('\n') || line.endsWith('\r')) {
        line.chop(1);
    }
    line.replace(QLatin1String("\r\n"), QLatin1String(" | "));
    line.replace('\n', QLatin1String(" | "));
    line.replace('\r', QLatin1String(" | "));
    return stamp + ' ' + line;
}

void setEcho(Echo echo) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.echo = std::move(echo);
}

void standardErrorEcho(const QString& line) {
    std::fprintf(stderr, "%s\n", line.toLocal8Bit().constData());
}

void setTimeSource(TimeSource source) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.timeSource = std::move(source);
}

std::optional<QTime> currentTimeOfDay() {
    TimeSource source;
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        source = r.timeSource;
    }
    if (source) {
        return source();
    }
    const QTime now = QTime::currentTime();
    return now.isValid() ? std::optional<QTime>(now) : std::nullopt;
}

void attach(Reader& reader, QObject& thread) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.reader = &reader;
    r.readerObject = &thread;
    r.showPosted = false;
}

void detach(Reader& reader) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    if (r.reader == &reader) {
        r.reader = nullptr;
        r.readerObject = nullptr;
        r.showPosted = false;
    }
}

std::vector<Line> takePending() {
    std::vector<Line> lines;
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    lines.swap(r.pending);
    r.showPosted = false;
    return lines;
}
} // namespace GameLog

void appendLog(const QString& text) {
    const QString stamp = GameLog::timeStamp(GameLog::currentTimeOfDay());
    Registry& r = registry();
    std::unique_lock lock(r.mutex);
    // Every line passes through the one queue, so lines show in the order they were logged and
    // none is lost when no reader is there to take it.
    r.pending.push_back({stamp, text});
    // Under the lock, so lines from several threads never interleave on the terminal.
    if (r.echo) {
        r.echo(GameLog::echoLine(stamp, text));
    }
    if (r.reader == nullptr) {
        return;
    }
    if (QThread::currentThread() == r.readerObject->thread()) {
        // The reader can only go away on this thread, so it outlives the unlocked call.
        GameLog::Reader* reader = r.reader;
        lock.unlock();
        reader->showPending();
        return;
    }
    if (!r.showPosted) {
        r.showPosted = true;
        // Posted while still locked, so the reader cannot go away in between; if it goes before
        // the event is delivered, the event goes with it and the lines wait for the next reader.
        QCoreApplication::postEvent(r.readerObject, new QEvent(static_cast<QEvent::Type>(GameLog::pendingEvent())));
    }
}
