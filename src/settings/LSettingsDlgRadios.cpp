#include "settings/LSettingsDlgRadios.h"

#include <QAbstractButton>
#include <QButtonGroup>

void LSettingsDlgRadios::select(QButtonGroup& group, int code) {
    // Negative ids are the group's own automatic ones; no code may pick one of those.
    QAbstractButton* button = code > 0 ? group.button(code) : nullptr;
    if (button != nullptr) {
        button->setChecked(true);
        return;
    }
    // An exclusive group refuses to uncheck its checked button, so lift exclusivity to clear it.
    group.setExclusive(false);
    for (QAbstractButton* b : group.buttons()) {
        b->setChecked(false);
    }
    group.setExclusive(true);
}

int LSettingsDlgRadios::selected(const QButtonGroup& group) {
    const int id = group.checkedId();
    return id > 0 ? id : noneSelected;
}
