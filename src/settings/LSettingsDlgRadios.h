#pragma once

class QButtonGroup;

// The learning pages keep each radio set in a button group whose ids are the stored codes, so a
// code that matches no button shows as a set with nothing selected.
namespace LSettingsDlgRadios {
// The codes stored and read when no button of a set is selected.
inline constexpr int noneSelected = 0;

// Checks the button of that code and clears the others; clears all when no button has it.
void select(QButtonGroup& group, int code);
int selected(const QButtonGroup& group);
} // namespace LSettingsDlgRadios
