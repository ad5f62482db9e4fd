#include "app/ScreenshotNames.h"

#include "core/Log.h"
#include "render/ZornOpenGL.h"

#include <QFile>
#include <QFileInfo>

QString ScreenshotNames::nameFor(int number) {
    return QString::asprintf("screenShot%04d.png", number);
}

std::unique_ptr<QFile> ScreenshotNames::createNext(QString& error) {
    for (;;) {
        auto file = std::make_unique<QFile>(folder.filePath(nameFor(counter)));
        // NewOnly fails on any existing name, a dangling link included, instead of following it.
        if (file->open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            ++counter;
            return file;
        }
        const QFileInfo taken(file->fileName());
        if (!taken.exists() && !taken.isSymLink()) {
            error = file->errorString();
            return nullptr;
        }
        ++counter;
    }
}

QString ScreenshotNames::save(ZornOpenGL& view) {
    QString error;
    const std::unique_ptr<QFile> file = createNext(error);
    if (file == nullptr) {
        appendLog(QString("Could not create a screenshot in %1: %2").arg(folder.path(), error));
        return {};
    }
    if (!view.saveScreenshot(*file, error)) {
        file->remove();
        appendLog(QString("Could not write screenshot %1: %2").arg(file->fileName(), error));
        return {};
    }
    file->close();
    return file->fileName();
}
