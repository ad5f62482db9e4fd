#pragma once

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include <functional>

// A window's menu entry or button by its text, as a player finds it; null when there is none.
inline QAction* findAction(QWidget* owner, const QString& text) {
    for (QAction* action : owner->findChildren<QAction*>()) {
        if (action->text() == text) {
            return action;
        }
    }
    return nullptr;
}

inline QPushButton* button(QWidget* dialog, const QString& text) {
    for (QPushButton* b : dialog->findChildren<QPushButton*>()) {
        if (b->text() == text) {
            return b;
        }
    }
    return nullptr;
}

// Answers every modal window that opens while it lives.
class ModalAnswerer : public QObject {
public:
    using Answer = std::function<void(QWidget*)>;
    explicit ModalAnswerer(Answer answer) : answer(std::move(answer)) { startTimer(20); }
    int answered = 0;

protected:
    void timerEvent(QTimerEvent*) override {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            ++answered;
            answer(modal);
        }
    }

private:
    Answer answer;
};

// Gives the name a modal name question asks for; any other modal window is closed.
inline void answerName(QWidget* modal, const QString& name) {
    if (auto* field = modal->findChild<QLineEdit*>()) {
        field->setText(name);
        QMetaObject::invokeMethod(modal, "accept");
    } else {
        modal->close();
    }
}
