#pragma once

#include "settings/LevelSelection.h"

#include <QDialog>

#include <cstdint>

class QCheckBox;
class QComboBox;
class QPushButton;
class QRadioButton;
class SettingsStore;

// "Start New Game": the player picks the level, the difficulty and the options of the next game.
// Created hidden once for the run; "OK" and "Cancel" only hide it, so it reopens as it was left.
// Everything it has to say goes to the main window as posted window messages.
class NewGameDlg : public QDialog {
    Q_OBJECT
public:
    enum class Mode { Demo, TimeAttack, Custom };

    NewGameDlg(SettingsStore& store, QObject* mainWindow, QWidget* parent = nullptr);

    // The confirmed level and difficulty with the options as ticked now.
    LevelSelection levelSelection() const;
    bool settingsOpen() const { return settingsOpen_; }

    // "One Shot At A Time", kept in step with the Weapons page's "One at a time".
    bool oneShot() const;
    void setOneShot(bool on);

    // Ticks the mode's radio button alone and refills the difficulty list for it; posts nothing.
    void selectMode(Mode mode);
    Mode mode() const;

    // A modeless dialog was closed; the game settings opened from here may have been among them.
    void settingsClosed();

    // "OK" and Enter; ignored while the game settings opened from here are open.
    void accept() override;
    // "Cancel", Escape and the close box; ignored likewise.
    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void initialise();
    void fillDifficultyList(Mode mode, int rememberedIndex);
    void readChoice();
    void save();
    void post(int message, std::intptr_t lParam = 0);

    void modeClicked(Mode mode);
    void settingsClicked();
    void copyCurrentClicked();
    void bestScoresClicked();

    SettingsStore& store;
    QObject* mainWindow;

    QComboBox* difficultyList;
    QCheckBox* oneShotBox;
    QCheckBox* vulnerablePaddleBox;
    QCheckBox* freePaddleBox;
    QRadioButton* demoRadio;
    QRadioButton* timeAttackRadio;
    QRadioButton* customRadio;
    QComboBox* durationList;
    QPushButton* copyCurrentButton;
    QPushButton* settingsButton;
    QCheckBox* painStiffnessBox;
    QCheckBox* askObjectsBox;
    QPushButton* okButton;
    QPushButton* cancelButton;
    QPushButton* bestScoresButton;

    int gameLevel = 0;
    int difficulty = 2;
    bool settingsOpen_ = false;
};
