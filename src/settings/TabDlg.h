#pragma once

#include <QString>
#include <QWidget>

class QSlider;
class QVBoxLayout;
class SettingsStore;

// One page of a settings tab control. A page keeps some settings in member fields and the rest in
// the state of its controls; it loads and saves its own keys with a prefix ("" or "Custom").
// A page never closes itself: Escape and Enter stop here instead of reaching the dialog.
class TabDlg : public QWidget {
    Q_OBJECT
public:
    explicit TabDlg(SettingsStore& store, QWidget* parent = nullptr);

    // Reads the page's keys with the prefix and shows them in the controls.
    virtual void loadPage(const QString& prefix) = 0;
    virtual void savePage(const QString& prefix) = 0;

    // Copy between the controls and the member fields; pages that keep no fields do nothing.
    virtual void commitControls() {}
    virtual void refreshControls() {}

    // A horizontal slider with tick marks below it.
    static QSlider* makeSlider(QWidget* parent, int minimum, int maximum, int tickInterval = 1);
    // The slider over a row with the two end labels ("Slow" ... "Fast").
    static QWidget* withEndLabels(QSlider* slider, const QString& left, const QString& right);
    // Moves a slider without the signals a user's move sends.
    static void setPosition(QSlider* slider, int position);

protected:
    // WM_RELOAD_SETTINGS loads the page again from the current copy.
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

    SettingsStore& store() const { return settingsStore; }

    // The layout for the page's controls, kept within the page's size in dialog units at the top
    // left, so a small page does not spread its controls over a large tab.
    QVBoxLayout* contentLayout(int widthDu, int heightDu);

private:
    SettingsStore& settingsStore;
};
