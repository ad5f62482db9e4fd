#include "app/ColourSetting.h"

#include "settings/SettingsStore.h"

#include <algorithm>

ColourSetting ColourSetting::parse(const QString& text) {
    int parts[3] = {0, 0, 0};
    QString rest = text;
    for (int& part : parts) {
        part = std::clamp(SettingsStore::parseInt(rest), 0, 255);
        const qsizetype blank = rest.indexOf(' ');
        if (blank < 0) {
            break;
        }
        rest = rest.mid(blank + 1);
    }
    return {parts[0], parts[1], parts[2]};
}

QString ColourSetting::format() const {
    return QString::asprintf("%i %i %i", red, green, blue);
}
