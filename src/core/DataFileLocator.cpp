#include "core/DataFileLocator.h"

#include "core/Log.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>

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
    const QString line = QString("Missing data file %1: not in %2").arg(name, where);
    appendLog(line);
    std::fprintf(stderr, "vazazo: %s\n", qPrintable(line));
    return local;
}

QString locate(const QString& name, const QDir& workingFolder) {
    return locate(name, workingFolder, installedFolder());
}
} // namespace DataFileLocator
