#pragma once

#include "settings/ShapeGroup.h"
#include "settings/TabDlg.h"

#include <vector>

// A page of target kinds, one group box each: the common part of the 2D and 3D pages.
class TabShapes : public TabDlg {
    Q_OBJECT
public:
    void loadPage(const QString& prefix) override;
    void savePage(const QString& prefix) override;
    void commitControls() override;
    void refreshControls() override;

    const std::vector<ShapeGroup*>& groups() const { return shapeGroups; }
    // Null for a kind that is not on this page.
    ShapeGroup* groupByType(int typeCode) const;

protected:
    struct Kind {
        const char* title;
        int index; // into SettingKeys::shapeKinds
    };

    // Builds the group boxes, loads the current copy and lets each "Size:" follow "Random size".
    TabShapes(SettingsStore& store, std::initializer_list<Kind> kinds, int widthDu, int heightDu,
              QWidget* parent);

private:
    std::vector<ShapeGroup*> shapeGroups;
};
