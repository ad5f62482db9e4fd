#include "settings/LSettingsDlg.h"

#include "core/WindowMessages.h"
#include "dialogs/DialogUnits.h"
#include "settings/SettingsStore.h"
#include "settings/TabClassicalLearning.h"
#include "settings/TabDataCollection.h"

#include <QCoreApplication>
#include <QPushButton>
#include <QTabWidget>

namespace {
constexpr int widthDu = 408;
constexpr int heightDu = 386;
// The strip under the tab control that holds the buttons.
constexpr int buttonStripPx = 44;
constexpr int buttonWidthDu = 50;
constexpr int buttonHeightDu = 14;
constexpr int buttonGapDu = 7;
} // namespace

LSettingsDlg::LSettingsDlg(SettingsStore& store, QObject* mainWindow, QWidget* parent)
    : QDialog(parent), store(store), mainWindow(mainWindow), tabs(new QTabWidget(this)),
      dataCollectionPage(new TabDataCollection(store)),
      classicalLearningPage(new TabClassicalLearning(store)), okButton(new QPushButton("OK", this)),
      cancelButton(new QPushButton("Cancel", this)) {
    setWindowTitle("Settings for Learning");
    tabs->addTab(dataCollectionPage, "Data collection");
    tabs->addTab(classicalLearningPage, "Classical Learning");
    // Enter in an edit field must not close the window: only the buttons do.
    okButton->setAutoDefault(false);
    cancelButton->setAutoDefault(false);
    connect(okButton, &QPushButton::clicked, this, &LSettingsDlg::accept);
    connect(cancelButton, &QPushButton::clicked, this, &LSettingsDlg::reject);
    setFixedSize(DialogUnits::toPixels(widthDu, heightDu, font()));
}

void LSettingsDlg::accept() {
    {
        const SettingsStore::Batch batch(store);
        dataCollectionPage->savePage();
        classicalLearningPage->savePage();
    }
    postWindowMessage(mainWindow, WindowMessages::WM_DIALOG_CLOSED);
    QDialog::accept();
}

void LSettingsDlg::reject() {
    // Sent, not posted, so the pages hold the stored values before the main window reads them.
    for (QWidget* page :
         {static_cast<QWidget*>(dataCollectionPage), static_cast<QWidget*>(classicalLearningPage)}) {
        WindowMessage reload(WindowMessages::WM_RELOAD_SETTINGS);
        QCoreApplication::sendEvent(page, &reload);
    }
    postWindowMessage(mainWindow, WindowMessages::WM_DIALOG_CLOSED);
    QDialog::reject();
}

void LSettingsDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    tabs->setGeometry(0, 0, width(), height() - buttonStripPx);
    const QSize button = DialogUnits::toPixels(buttonWidthDu, buttonHeightDu, font());
    const int gap = DialogUnits::toPixels(buttonGapDu, 0, font()).width();
    const int top = height() - (buttonStripPx + button.height()) / 2;
    cancelButton->setGeometry(width() - gap - button.width(), top, button.width(), button.height());
    okButton->setGeometry(cancelButton->x() - gap - button.width(), top, button.width(), button.height());
}
