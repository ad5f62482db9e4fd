#pragma once

#include "settings/SettingKeys.h"

// typeCode values: one bit names the kind, 0x1000 marks flat targets and 0x2000 solid ones.
namespace TypeCodes {
inline constexpr int flatBit = 0x1000;
inline constexpr int solidBit = 0x2000;

inline constexpr int gun = 0x0001;
inline constexpr int triangle = SettingKeys::triangleType;
inline constexpr int circle = SettingKeys::circleType;
inline constexpr int rectangle = SettingKeys::rectangleType;
inline constexpr int line = 0x1040;
inline constexpr int sphere = SettingKeys::sphereType;
inline constexpr int cylinder = SettingKeys::cylinderType;
} // namespace TypeCodes
