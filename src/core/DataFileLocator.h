#pragma once

#include <QDir>
#include <QString>

// Where the files the game reads (textures, sounds, the objects list) come from: the working folder
// when the file is there, so a lab can put its own beside the statistics, otherwise the folder
// installed with the program. Every loader asks here.
namespace DataFileLocator {
// share/vazazo beside the program's bin folder, wherever the installation was moved; empty
// before the application object exists.
QString installedFolder();

// The path to open for name: in workingFolder when there, otherwise in installedFolder. A file
// found in neither comes back as the working folder's path, so the loader fails on it and names it
// as it always has; the log (and standard error, for whoever started the program) says where it
// was looked for. Absolute names are taken as they are.
QString locate(const QString& name, const QDir& workingFolder, const QString& installedFolder);
QString locate(const QString& name, const QDir& workingFolder = QDir());
} // namespace DataFileLocator
