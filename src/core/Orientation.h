#pragma once

// Screen orientation codes, program-wide: bit 0x10 landscape, 0x20 portrait.
namespace Orientation {
constexpr int south = 0x14;
constexpr int north = 0x11;
constexpr int east = 0x22;
constexpr int west = 0x28;
constexpr int landscapeBit = 0x10;

constexpr const char* name(int orientation) {
    switch (orientation) {
    case south:
        return "south";
    case north:
        return "north";
    case east:
        return "east";
    case west:
        return "west";
    default:
        return "undefined";
    }
}
} // namespace Orientation
