#include "dialogs/ObjectsDlg.h"

#include "core/DataFileLocator.h"
#include "core/Log.h"
#include "dialogs/DialogUnits.h"

#include <QFile>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QTextStream>

#include <algorithm>

namespace {
QStringList readObjects(const QString& fileName) {
    QStringList names{"mouse"};
    QFile file(DataFileLocator::locate(fileName));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        appendLog("Could not open file with objects!\n");
        return names;
    }
    QTextStream in(&file);
    // Every line is a name, an empty one too.
    while (!in.atEnd()) {
        names << in.readLine();
    }
    std::stable_sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        return QString::compare(a, b, Qt::CaseInsensitive) < 0;
    });
    return names;
}
} // namespace

ObjectsDlg::ObjectsDlg(int storedIndex, const QString& fileName, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      list(new QListWidget(this)) {
    setWindowTitle("Choose object that is used to play the game");
    QFont dialogFont("Microsoft Sans Serif", 10);
    dialogFont.setStyleHint(QFont::SansSerif);
    setFont(dialogFont);

    list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    list->addItems(readObjects(fileName));
    auto* ok = new QPushButton("OK", this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &ObjectsDlg::accept);

    list->setFixedSize(DialogUnits::toPixels(249, 162, font()));
    ok->setFixedSize(DialogUnits::toPixels(57, 162, font()));
    const QSize margin = DialogUnits::toPixels(2, 2, font());
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(margin.width(), margin.height(), margin.width(), margin.height());
    layout->addWidget(list);
    layout->addWidget(ok);
    setFixedSize(DialogUnits::toPixels(311, 166, font()));

    selectedIndex = storedIndex;
    if (storedIndex >= 0 && storedIndex < list->count()) {
        list->setCurrentRow(storedIndex);
    }
}

QStringList ObjectsDlg::entries() const {
    QStringList texts;
    for (int row = 0; row < list->count(); ++row) {
        texts << list->item(row)->text();
    }
    return texts;
}

void ObjectsDlg::accept() {
    const QList<QListWidgetItem*> chosen = list->selectedItems();
    selectedIndex = chosen.isEmpty() ? 0 : list->row(chosen.first());
    selectedName = list->item(selectedIndex)->text();
    QDialog::accept();
}
