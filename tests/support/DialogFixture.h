#pragma once

#include "settings/SettingsStore.h"
#include "support/MessageRecorder.h"

#include <QTemporaryDir>

#include <memory>

// A fresh settings file and a stand-in main window for each test of a dialog.
struct DialogFixture {
    // False when no scratch folder could be made.
    bool setUp() {
        dir = std::make_unique<QTemporaryDir>();
        store = std::make_unique<SettingsStore>(dir->filePath("s.ini"));
        mainWindow = std::make_unique<MessageRecorder>();
        return dir->isValid();
    }
    // The stored values of keys, "absent" for those not stored.
    QStringList stored(const QStringList& keys) const {
        QStringList values;
        for (const QString& key : keys) {
            values << store->read(key, "absent");
        }
        return values;
    }
    void tearDown() {
        mainWindow.reset();
        store.reset();
        dir.reset();
    }

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<SettingsStore> store;
    std::unique_ptr<MessageRecorder> mainWindow;
};
