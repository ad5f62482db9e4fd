#pragma once

#include "core/Log.h"

#include <QDialog>
#include <QString>

class QTextEdit;

namespace LogLimits {
// The rich-text field's own limit at creation and the step by which the log raises it.
constexpr int initialTextLimit = 32767;
constexpr int textLimitStep = 16384;
} // namespace LogLimits

// The game log: one read-only text field to which the whole program appends time-stamped lines.
// Created hidden once for the run; closing it only hides it.
class LogDlg : public QDialog, public GameLog::Reader {
    Q_OBJECT
public:
    explicit LogDlg(QWidget* parent = nullptr);
    ~LogDlg() override;

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
    void showPending() override;
    void appendStamped(const QString& stamp, const QString& text);
    void requestScrollToBottom();

    QTextEdit* textField;
    int textLimit_ = LogLimits::initialTextLimit;
    int appendedLength_ = 0;
    bool scrollRequested = false;
};
