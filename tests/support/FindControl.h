#pragma once

#include <QAction>
#include <QPushButton>
#include <QWidget>

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
