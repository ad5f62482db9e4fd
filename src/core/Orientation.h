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
// The orientation a key turns the field to: T, G, H, F, or 8, 2, 6, 4 on the numeric pad; 0 for
// any other key. Key codes are Qt's, which match ASCII for letters and digits.
constexpr int forKey(int key, bool keypad) {
    switch (key) {
    case 'T':
        return north;
    case 'G':
        return south;
    case 'H':
        return east;
    case 'F':
        return west;
    case '8':
        return keypad ? north : 0;
    case '2':
        return keypad ? south : 0;
    case '6':
        return keypad ? east : 0;
    case '4':
        return keypad ? west : 0;
    default:
        return 0;
    }
}
} // namespace Orientation
