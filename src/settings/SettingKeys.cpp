#include "settings/SettingKeys.h"

#include <algorithm>

namespace SettingKeys {

QString shapeKey(const ShapeField& field, const ShapeKind& kind) {
    return QLatin1String(field.before) + QLatin1String(field.plural ? kind.plural : kind.singular) +
           QLatin1String(field.after);
}

QString shapeDefault(const ShapeField& field, const ShapeKind& kind) {
    return QLatin1String(field.defaultText != nullptr ? field.defaultText : kind.distractorDefault);
}

const ShapeKind* shapeKindByType(int typeCode) {
    const auto found = std::find_if(shapeKinds.begin(), shapeKinds.end(),
                                    [typeCode](const ShapeKind& kind) { return kind.typeCode == typeCode; });
    return found != shapeKinds.end() ? &*found : nullptr;
}

QString customColourKey(int index) {
    const int slot = std::clamp(index, 0, customColourCount - 1);
    const QString digits = QString::number(slot, 16);
    return QLatin1String(customColour.key) + (slot < 10 ? QStringLiteral("0") + digits : digits);
}

QString bestScoreSuffix(int level, int difficultyIndex, int place) {
    return QStringLiteral("%1-%2-%3").arg(level).arg(difficultyIndex).arg(place);
}

QString bestNameKey(int level, int difficultyIndex, int place) {
    return QLatin1String(bestName.key) + bestScoreSuffix(level, difficultyIndex, place);
}

QString bestScoreKey(int level, int difficultyIndex, int place) {
    return QLatin1String(bestScore.key) + bestScoreSuffix(level, difficultyIndex, place);
}

QString bestScoreUniqueNumberKey(int level, int difficultyIndex, int place) {
    return QLatin1String(bestScoreUniqueNumber.key) + bestScoreSuffix(level, difficultyIndex, place);
}

} // namespace SettingKeys
