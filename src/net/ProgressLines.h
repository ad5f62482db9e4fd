#pragma once

#include <QString>

// Where an exchange or a save reports how far it got: the progress window, or a recorder in tests.
class ProgressLines {
public:
    virtual ~ProgressLines() = default;
    virtual void addLine(const QString& text) = 0;
    // For percentages that count up in place.
    virtual void replaceLastLine(const QString& text) = 0;
    // Asked between the short waits of an exchange: true once the player asked to stop it. A window
    // lets its Cancel button be clicked here.
    virtual bool cancelRequested() { return false; }
};

// For work that has no window to report to.
class SilentProgress : public ProgressLines {
public:
    void addLine(const QString&) override {}
    void replaceLastLine(const QString&) override {}
};
