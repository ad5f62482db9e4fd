#pragma once

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
