#pragma once

#include <QString>

// A colour stored as text "red green blue", each 0..255.
struct ColourSetting {
    int red = 0;
    int green = 0;
    int blue = 0;

    // The first integer is red, the text after the first blank gives green, the text after the
    // next blank blue; a missing part reads as 0 and every part is kept within 0..255.
    static ColourSetting parse(const QString& text);
    QString format() const;

    bool operator==(const ColourSetting&) const = default;
};
