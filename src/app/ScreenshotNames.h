#pragma once

#include <QDir>
#include <QString>

#include <memory>

class QFile;
class ZornOpenGL;

// Screenshots "screenShot0000.png", "screenShot0001.png", ... in one folder. Every file is created
// anew: a name that is taken, by a file or by a link even to nothing, is never opened or followed,
// and the numbering moves on past it, so no earlier screenshot is overwritten.
class ScreenshotNames {
public:
    explicit ScreenshotNames(QDir folder) : folder(std::move(folder)) {}

    static QString nameFor(int number);
    // The next free file, created and open for writing; null, with the reason, when the folder
    // refuses.
    std::unique_ptr<QFile> createNext(QString& error);
    // Writes the view's current frame to the next free file. A failure leaves no file behind and
    // is logged; returns the path written, empty on failure.
    QString save(ZornOpenGL& view);

private:
    QDir folder;
    int counter = 0;
};
