#pragma once

// What a new target needs to know about the game around it, read once by its spawner.
struct SpawnContext {
    // Construction time in program milliseconds; becomes the target's spawnTime.
    double now = 0.0;
    // The paddle's posX, posY and whether it moves freely in both directions.
    double paddleX = 0.2;
    double paddleY = 0.95;
    bool paddleMovesFreely = false;
    // "Minimum Distance From Paddle" slider position 0..50; position p is p/50 of the field.
    int minimumDistancePosition = 10;
    // "No Horizontal Movement of Targets".
    bool noHorizontalMovement = false;
};
