#pragma once

// What the New Game dialog hands the game: the confirmed level and difficulty, and its options as
// they are ticked now.
struct LevelSelection {
    // 0..10; set when the dialog is confirmed or "Best Scores" is pressed.
    int gameLevel = 0;
    // Index into the dialog's difficulty list at that moment; -1 when nothing was selected.
    int difficulty = 2;
    bool oneShot = false;
    bool vulnerablePaddle = false;
    bool freePaddle = false;
    bool askPainStiffness = false;
    bool askObjects = true;
    // The game settings dialog was opened from the New Game dialog and is still open.
    bool settingsOpen = false;
};
