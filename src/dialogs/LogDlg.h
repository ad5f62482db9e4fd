#pragma once

#include <QDialog>
#include <QString>
#include <QTime>

#include <functional>
#include <optional>

class QTextEdit;

namespace LogLimits {
// The rich-text field's own limit at creation and the step by which the log raises it.
constexpr int initialTextLimit = 32767;
constexpr int textLimitStep = 16384;
} // namespace LogLimits

// Appends one time-stamped line to the game log. Safe from any thread at any time: other threads
// only queue the line for the window thread, lines logged while no log exists wait for the next
// one to be created, and the stamp is the time of this call.
void appendLog(const QString& text);

// The game log: one read-only text field to which the whole program appends time-stamped lines.
// Created hidden once for the run; closing it only hides it.
class LogDlg : public QDialog {
    Q_OBJECT
public:
    // The local time of day, or nothing when it cannot be determined.
    using TimeSource = std::function<std::optional<QTime>()>;

    explicit LogDlg(QWidget* parent = nullptr);
    ~LogDlg() override;

    // "HH:MM.SS"; an unknown time prints each number as -1.
    static QString timeStamp(std::optional<QTime> time);

    // Replaces the clock read by every time stamp; an empty source restores the local clock.
    static void setTimeSource(TimeSource source);
    static std::optional<QTime> currentTimeOfDay();

    int textLimit() const { return textLimit_; }
    int appendedLength() const { return appendedLength_; }
    QString plainText() const;

signals:
    // Emitted on the window thread after each line is in the field.
    void lineAppended(const QString& text);

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    friend void appendLog(const QString& text);

    void showPending();
    void appendStamped(const QString& stamp, const QString& text);
    void requestScrollToBottom();

    QTextEdit* textField;
    int textLimit_ = LogLimits::initialTextLimit;
    int appendedLength_ = 0;
    bool scrollRequested = false;
};
