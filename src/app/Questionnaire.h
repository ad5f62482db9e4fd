#pragma once

#include <QString>

class QWidget;

namespace Questionnaire {
inline constexpr const char* painInstruction =
    "Please indicate your intensity of pain at this time on the thermometer by moving the cursor "
    "with the mouse and clicking the left mouse button";
inline constexpr const char* stiffnessInstruction =
    "Please indicate intensity of stiffness at this time on the thermometer by moving the cursor "
    "with the mouse and clicking the left mouse button";

// Pain, then stiffness, each on its thermometer with the instructions at the top left of the
// screen; the answers as the game report writes them.
QString askPainStiffness(QWidget* owner);
} // namespace Questionnaire
