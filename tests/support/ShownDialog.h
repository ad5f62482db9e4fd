#pragma once

#include <QAbstractButton>
#include <QPushButton>
#include <QtTest>

#include <memory>

class QObject;
class SettingsStore;

// A settings dialog on the store, posting to mainWindow, shown and exposed.
template <typename Dialog> std::unique_ptr<Dialog> shownDialog(SettingsStore& store, QObject* mainWindow) {
    auto dialog = std::make_unique<Dialog>(store, mainWindow);
    dialog->show();
    if (!QTest::qWaitForWindowExposed(dialog.get())) {
        qWarning("dialog not exposed");
    }
    return dialog;
}

inline QAbstractButton* buttonNamed(const QWidget& dialog, const QString& text) {
    for (QAbstractButton* b : dialog.findChildren<QAbstractButton*>()) {
        if (b->text() == text) {
            return b;
        }
    }
    qFatal("no button \"%s\"", qPrintable(text));
}

// Check boxes and radio buttons take clicks only on their indicator and label.
inline void clickButton(QAbstractButton* b) {
    const int middle = b->height() / 2;
    QTest::mouseClick(b, Qt::LeftButton, {},
                      qobject_cast<QPushButton*>(b) ? b->rect().center() : QPoint(middle, middle));
}
inline void clickButton(const QWidget& dialog, const QString& text) {
    clickButton(buttonNamed(dialog, text));
}
