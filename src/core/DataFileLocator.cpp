#include "core/DataFileLocator.h"

#include "core/Log.h"

#include <QCoreApplication>
#include <QFileInfo>


namespace DataFileLocator {
QString installedFolder() {
    if (QCoreApplication::instance() == nullptr) {
        return {};
    }
    return QDir::cleanPath(QCoreApplication::applicationDirPath() + "/../share/vazazo");
}

QString locate(const QString& name, const QDir& workingFolder, const QString& installedFolder) {
    if (name.isEmpty() || QFileInfo(name).isAbsolute()) {
        return name;
    }
    // Cleaned, so a name in the current folder reads as it was given.
    const QString local = QDir::cleanPath(workingFolder.filePath(name));
    if (QFileInfo(local).isFile()) {
        return local;
    }
    if (!installedFolder.isEmpty()) {
        const QString installed = QDir(installedFolder).filePath(name);
        if (QFileInfo(installed).isFile()) {
            return installed;
        }
    }
    const QString where = installedFolder.isEmpty()
                              ? workingFolder.absolutePath()
                              : QString("%1 or %2").arg(workingFolder.absolutePath(), installedFolder);
    // The game log also goes to standard error, where a script or a test reads it.
    appendLog(QString("Missing data file %1: not in %2").arg(name, where));
    return local;
}

QString locate(const QString& name, const QDir& workingFolder) {
    return locate(name, workingFolder, installedFolder());
}
} // namespace DataFileLocator
