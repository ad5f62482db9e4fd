#pragma once

#include <QString>

// The per-kind name counters: a prefix letter and a zero-padded number ("t0010", "c1234").
// The game sets every counter back to 0 at the start of each game.
class ObjectNames {
public:
    enum Kind { gun, triangle, rectangle, circle, sphere, cylinder, kindCount };

    // The kind's next name; advances its counter.
    static QString take(Kind kind);
    static void resetAll();

    static QString format(char prefix, int number);
};
