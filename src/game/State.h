#pragma once

#include <QString>

// The game being played. The field and its objects arrive with the scene; until then a tick has
// nothing to advance.
class State {
public:
    virtual ~State() = default;

    // Advances the field by one tick (window thread, only while not paused).
    virtual void tick() {}

    bool paused = true;
    bool gameOver = true;
    bool reportPending = false;
    int gameLevel = 0;
    QString groupName;
};
