#include "settings/TabShapes.h"

#include "settings/SettingsStore.h"

#include <QVBoxLayout>

TabShapes::TabShapes(SettingsStore& store, std::initializer_list<Kind> kinds, int widthDu, int heightDu,
                     QWidget* parent)
    : TabDlg(store, parent) {
    QVBoxLayout* layout = contentLayout(widthDu, heightDu);
    for (const Kind& kind : kinds) {
        auto* group = new ShapeGroup(kind.title, SettingKeys::shapeKinds.at(kind.index), this);
        layout->addWidget(group);
        shapeGroups.push_back(group);
    }
    layout->addStretch();

    loadPage({});
    for (ShapeGroup* group : shapeGroups) {
        group->followRandomSize();
    }
}

void TabShapes::loadPage(const QString& prefix) {
    for (ShapeGroup* group : shapeGroups) {
        group->load(store(), prefix);
    }
}

void TabShapes::savePage(const QString& prefix) {
    const SettingsStore::Batch batch(store());
    for (const ShapeGroup* group : shapeGroups) {
        group->save(store(), prefix);
    }
}

void TabShapes::commitControls() {
    for (ShapeGroup* group : shapeGroups) {
        group->commitControls();
    }
}

void TabShapes::refreshControls() {
    for (ShapeGroup* group : shapeGroups) {
        group->refreshControls();
    }
}

ShapeGroup* TabShapes::groupByType(int typeCode) const {
    for (ShapeGroup* group : shapeGroups) {
        if (group->typeCode() == typeCode) {
            return group;
        }
    }
    return nullptr;
}
