#pragma once

#include <QDir>
#include <QString>

// Names screenshots "screenShot0000.png", "screenShot0001.png", ... in a folder, never reusing the
// name of a file that is already there, so no earlier run's screenshot is overwritten.
class ScreenshotNames {
public:
    explicit ScreenshotNames(QDir folder) : folder(std::move(folder)) {}

    static QString nameFor(int number);
    // The path of the next free name; the numbering goes on from there.
    QString next();

private:
    QDir folder;
    int counter = 0;
};
