#pragma once

#include <QDialog>

class QObject;
class QPushButton;
class QTabWidget;
class SettingsStore;
class TabClassicalLearning;
class TabDataCollection;

// "Settings for Learning": a persistent modeless window, created hidden, whose two pages are the
// live holders of the data-collection and learning settings. The edits take effect in the pages
// at once and reach the store only through "OK"; closing it either way posts WM_DIALOG_CLOSED to
// the main window.
class LSettingsDlg : public QDialog {
    Q_OBJECT
public:
    LSettingsDlg(SettingsStore& store, QObject* mainWindow, QWidget* parent = nullptr);

    // The pages, for the modules to read the current values (window thread only).
    const TabDataCollection& dataCollection() const { return *dataCollectionPage; }
    const TabClassicalLearning& classicalLearning() const { return *classicalLearningPage; }

public slots:
    // "OK": saves both pages, then closes.
    void accept() override;
    // "Cancel", the close box and Escape: the pages reload from the store, then it closes.
    void reject() override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    SettingsStore& store;
    QObject* mainWindow;
    QTabWidget* tabs;
    TabDataCollection* dataCollectionPage;
    TabClassicalLearning* classicalLearningPage;
    QPushButton* okButton;
    QPushButton* cancelButton;
};
