#include "dialogs/LogDlg.h"

#include "dialogs/DialogUnits.h"

#include <QEvent>
#include <QMetaObject>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

namespace {
constexpr int widthDu = 284;
constexpr int heightDu = 90;
} // namespace

LogDlg::LogDlg(QWidget* parent) : QDialog(parent), textField(new QTextEdit(this)) {
    setWindowTitle("Game Log");
    textField->setReadOnly(true);
    textField->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(textField);
    resize(DialogUnits::toPixels(widthDu, heightDu, font()));

    GameLog::attach(*this, *this);
    showPending();
}

LogDlg::~LogDlg() {
    GameLog::detach(*this);
}

QString LogDlg::plainText() const {
    return textField->toPlainText();
}

bool LogDlg::event(QEvent* event) {
    if (event->type() == GameLog::pendingEvent()) {
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
    for (const GameLog::Line& line : GameLog::takePending()) {
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
