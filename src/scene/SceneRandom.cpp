#include "scene/SceneRandom.h"

namespace {
std::uint32_t state = 1;
}

void SceneRandom::seed(std::uint32_t value) {
    state = value;
}

std::uint32_t SceneRandom::current() {
    return state;
}

int SceneRandom::next() {
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7fffu);
}

double rand01() {
    return (SceneRandom::next() - 1) / 32767.0;
}

double randSigned() {
    return 2.0 * (rand01() - 0.5);
}
