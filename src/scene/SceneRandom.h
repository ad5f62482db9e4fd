#pragma once

#include <cstdint>

// The one generator behind all scene randomness: results 0..32767, a linear congruential
// sequence so that a seed reproduces the same game on every platform.
class SceneRandom {
public:
    static constexpr int maximum = 32767;

    static void seed(std::uint32_t value);
    // The generator's whole state: seeding with it replays the sequence from here.
    static std::uint32_t current();
    // The next raw value, 0..maximum.
    static int next();
};

// (r - 1) / 32767 for a fresh draw r: in [-1/32767, 32766/32767]; the "- 1" is intended.
double rand01();
// 2 * (rand01() - 0.5): about [-1, 1].
double randSigned();
