#pragma once

#include "net/ProgressLines.h"

#include <QStringList>

#include <functional>

// The progress lines as the window would show them, the replaced ones marked with "~".
struct RecordingProgress : ProgressLines {
    RecordingProgress() : lines(own) {}
    explicit RecordingProgress(QStringList& into) : lines(into) {}
    void addLine(const QString& text) override { lines << text; }
    void replaceLastLine(const QString& text) override { lines << "~" + text; }
    // The player's Cancel, as the lines so far call for it.
    bool cancelRequested() override { return cancelWhen && cancelWhen(lines); }
    std::function<bool(const QStringList&)> cancelWhen;
    QStringList own;
    QStringList& lines;
};
