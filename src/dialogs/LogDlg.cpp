#include "dialogs/LogDlg.h"

#include "dialogs/DialogUnits.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextEdit>
#include <QThread>
#include <QVBoxLayout>

#include <mutex>
#include <utility>
#include <vector>

namespace {
constexpr int widthDu = 284;
constexpr int heightDu = 90;
// Asks the log, on its own thread, to show the lines that wait in the queue.
const auto showPendingEvent = static_cast<QEvent::Type>(QEvent::User + 1);

struct PendingLine {
    QString stamp;
    QString text;
};

struct Registry {
    std::mutex mutex;
    LogDlg* log = nullptr;
    std::vector<PendingLine> pending;
    bool showPosted = false;
    LogDlg::TimeSource timeSource;
};

// Never destroyed: worker threads may still log while static objects are torn down at exit.
Registry& registry() {
    static auto* instance = new Registry;
    return *instance;
}

std::optional<QTime> localTimeOfDay() {
    const QTime now = QTime::currentTime();
    if (!now.isValid()) {
        return std::nullopt;
    }
    return now;
}
} // namespace

void appendLog(const QString& text) {
    const QString stamp = LogDlg::timeStamp(LogDlg::currentTimeOfDay());
    Registry& r = registry();
    std::unique_lock lock(r.mutex);
    // Every line passes through the one queue, so lines show in the order they were logged and
    // none is lost when no log is there to take it.
    r.pending.push_back({stamp, text});
    LogDlg* log = r.log;
    if (log == nullptr) {
        return;
    }
    if (QThread::currentThread() == log->thread()) {
        // The log can only be destroyed on this thread, so it outlives the unlocked call.
        lock.unlock();
        log->showPending();
        return;
    }
    if (!r.showPosted) {
        r.showPosted = true;
        // Posted while still locked, so the log cannot go away in between; if it goes before the
        // event is delivered, the event goes with it and the lines wait for the next log.
        QCoreApplication::postEvent(log, new QEvent(showPendingEvent));
    }
}

LogDlg::LogDlg(QWidget* parent) : QDialog(parent), textField(new QTextEdit(this)) {
    setWindowTitle("Game Log");
    textField->setReadOnly(true);
    textField->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(textField);
    resize(DialogUnits::toPixels(widthDu, heightDu, font()));

    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        r.log = this;
        r.showPosted = false;
    }
    showPending();
}

LogDlg::~LogDlg() {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    if (r.log == this) {
        r.log = nullptr;
        r.showPosted = false;
    }
}

QString LogDlg::timeStamp(std::optional<QTime> time) {
    const int hours = time ? time->hour() : -1;
    const int minutes = time ? time->minute() : -1;
    const int seconds = time ? time->second() : -1;
    return QString::asprintf("%02d:%02d.%02d", hours, minutes, seconds);
}

void LogDlg::setTimeSource(TimeSource source) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.timeSource = std::move(source);
}

std::optional<QTime> LogDlg::currentTimeOfDay() {
    TimeSource source;
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        source = r.timeSource;
    }
    return source ? source() : localTimeOfDay();
}

QString LogDlg::plainText() const {
    return textField->toPlainText();
}

bool LogDlg::event(QEvent* event) {
    if (event->type() == showPendingEvent) {
        showPending();
        return true;
    }
    return QDialog::event(event);
}

void LogDlg::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // Lines appended while hidden were laid out without a viewport; show the newest ones.
    requestScrollToBottom();
}

void LogDlg::showPending() {
    std::vector<PendingLine> lines;
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        lines.swap(r.pending);
        r.showPosted = false;
    }
    for (const PendingLine& line : lines) {
        appendStamped(line.stamp, line.text);
    }
}

void LogDlg::appendStamped(const QString& stamp, const QString& text) {
    appendedLength_ += static_cast<int>(text.size());
    if (appendedLength_ >= textLimit_) {
        // The Qt field has no character limit, so raising ours is all there is to do and no text
        // is ever cut.
        textLimit_ += LogLimits::textLimitStep;
    }

    QString line = stamp + ' ' + text + "\r\n";
    // A carriage return is a paragraph break in the field, as is a CR LF pair.
    line.replace("\r\n", "\n").replace('\r', '\n');

    // A cursor of our own, so the user's caret and selection stay where they are.
    QTextCursor cursor(textField->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(line);

    requestScrollToBottom();
    emit lineAppended(text);
}

void LogDlg::requestScrollToBottom() {
    if (scrollRequested) {
        return;
    }
    scrollRequested = true;
    // Queued, so the scroll bar's range already includes the new text.
    QMetaObject::invokeMethod(
        this,
        [this] {
            scrollRequested = false;
            QScrollBar* bar = textField->verticalScrollBar();
            bar->setValue(bar->maximum());
        },
        Qt::QueuedConnection);
}
