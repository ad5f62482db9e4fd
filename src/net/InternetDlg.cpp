#include "net/InternetDlg.h"

#include "core/WindowMessages.h"
#include "dialogs/DialogUnits.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>

namespace {
constexpr int widthDu = 220;
constexpr int marginDu = 7;
} // namespace

InternetDlg::InternetDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setWindowTitle("Connecting to Internet..");
    auto* layout = new QVBoxLayout(this);
    const QSize margin = DialogUnits::toPixels(marginDu, marginDu, font());
    layout->setContentsMargins(margin.width(), margin.height(), margin.width(), margin.height());
    for (QLabel*& label : labels) {
        label = new QLabel(this);
        label->setTextFormat(Qt::PlainText);
        layout->addWidget(label);
    }
    cancelButton = new QPushButton("Cancel", this);
    cancelButton->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancelButton);
    layout->addLayout(buttons);
    connect(cancelButton, &QPushButton::clicked, this, &InternetDlg::reject);
    setFixedWidth(DialogUnits::toPixels(widthDu, 0, font()).width());
    show();
}

void InternetDlg::addLine(const QString& text) {
    if (lines[0].isEmpty() && lines[1].isEmpty() && lines[2].isEmpty()) {
        lines[0] = text;
    } else if (lines[1].isEmpty() && lines[2].isEmpty()) {
        lines[1] = text;
    } else if (lines[2].isEmpty()) {
        lines[2] = text;
    } else {
        lines[0] = lines[1];
        lines[1] = lines[2];
        lines[2] = text;
    }
    for (int i = 0; i < 3; ++i) {
        showLine(i);
    }
}

void InternetDlg::replaceLastLine(const QString& text) {
    const int last = !lines[2].isEmpty() ? 2 : !lines[1].isEmpty() ? 1 : 0;
    lines[last] = text;
    showLine(last);
}

void InternetDlg::showLine(int index) {
    // Error texts run over two lines; the first says what happened.
    labels[index]->setText(lines[index].section('\n', 0, 0));
    labels[index]->setToolTip(lines[index]);
    if (labels[index]->isVisible()) {
        labels[index]->repaint();
    }
}

InternetDlg::~InternetDlg() {
    for (const Deferred& message : deferred) {
        if (message.receiver) {
            postWindowMessage(message.receiver, message.message, message.wParam, message.lParam, message.text);
        }
    }
}

void InternetDlg::reject() {
    if (!cancelled) {
        cancelled = true;
        cancelButton->setEnabled(false);
        addLine("Cancelling..");
    }
}

bool InternetDlg::cancelRequested() {
    if (!cancelled) {
        qApp->installEventFilter(this);
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        qApp->removeEventFilter(this);
    }
    return cancelled;
}

bool InternetDlg::eventFilter(QObject* watched, QEvent* event) {
    const int type = event->type();
    if (WindowMessages::isWindowMessage(type)) {
        const auto* message = static_cast<const WindowMessage*>(event);
        // A tick or a redraw stands for all of its kind: one of each is enough afterwards.
        const bool repeated = (type == WindowMessages::WM_TICK || type == WindowMessages::WM_REDRAW) &&
                              std::any_of(deferred.begin(), deferred.end(), [&](const Deferred& d) {
                                  return d.message == type && d.receiver == watched;
                              });
        if (!repeated) {
            deferred.push_back({watched, type, message->wParam, message->lParam, message->text});
        }
        return true;
    }
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::Close: {
        bool ours = true;
        if (const auto* widget = qobject_cast<QWidget*>(watched)) {
            ours = widget == this || isAncestorOf(widget);
        } else if (watched->isWindowType()) {
            ours = watched == windowHandle();
        }
        return !ours;
    }
    default:
        return false;
    }
}
