#pragma once

#include "net/ProgressLines.h"

#include <QStringList>

// The progress lines as the window would show them, the replaced ones marked with "~".
struct RecordingProgress : ProgressLines {
    RecordingProgress() : lines(own) {}
    explicit RecordingProgress(QStringList& into) : lines(into) {}
    void addLine(const QString& text) override { lines << text; }
    void replaceLastLine(const QString& text) override { lines << "~" + text; }
    QStringList own;
    QStringList& lines;
};
