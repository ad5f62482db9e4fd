#include "settings/NewGameDlg.h"

#include "core/WindowMessages.h"
#include "dialogs/DialogUnits.h"
#include "settings/GameLevels.h"
#include "settings/SettingKeys.h"
#include "settings/SettingsStore.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {
constexpr int widthDu = 297;
constexpr int heightDu = 293;

// The lParam of WM_SET_SETTINGS_MODE and WM_SYNC_ONE_SHOT.
constexpr int currentSettingsMode = 0;
constexpr int customSettingsMode = 1;
constexpr int copyCurrentSettingsMode = 2;
constexpr int oneShotFromWeaponsPage = 0;
constexpr int oneShotToWeaponsPage = 1;

NewGameDlg::Mode modeForLevel(int level) {
    if (GameLevels::isCustomLevel(level)) {
        return NewGameDlg::Mode::Custom;
    }
    if (GameLevels::isTimed(level)) {
        return NewGameDlg::Mode::TimeAttack;
    }
    return NewGameDlg::Mode::Demo;
}

// An index the list does not have leaves it without a selection.
void selectEntry(QComboBox* list, int index) {
    list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
}

QCheckBox* checkBox(const char* text, QWidget* parent, const char* toolTip = nullptr) {
    auto* box = new QCheckBox(QString::fromLatin1(text), parent);
    if (toolTip != nullptr) {
        box->setToolTip(QString::fromLatin1(toolTip));
    }
    return box;
}

// The three radio buttons sit in different groups, so the dialog keeps them exclusive itself.
QRadioButton* radioButton(const char* text, QWidget* parent) {
    auto* radio = new QRadioButton(QString::fromLatin1(text), parent);
    radio->setAutoExclusive(false);
    return radio;
}
} // namespace

NewGameDlg::NewGameDlg(SettingsStore& store, QObject* mainWindow, QWidget* parent)
    : QDialog(parent), store(store), mainWindow(mainWindow) {
    setWindowTitle("Start New Game");
    createControls();
    resize(DialogUnits::toPixels(widthDu, heightDu, font()));
    initialise();

    connect(demoRadio, &QRadioButton::clicked, this, [this] { modeClicked(Mode::Demo); });
    connect(timeAttackRadio, &QRadioButton::clicked, this, [this] { modeClicked(Mode::TimeAttack); });
    connect(customRadio, &QRadioButton::clicked, this, [this] { modeClicked(Mode::Custom); });
    connect(settingsButton, &QPushButton::clicked, this, &NewGameDlg::settingsClicked);
    connect(copyCurrentButton, &QPushButton::clicked, this, &NewGameDlg::copyCurrentClicked);
    connect(bestScoresButton, &QPushButton::clicked, this, &NewGameDlg::bestScoresClicked);
    connect(okButton, &QPushButton::clicked, this, &NewGameDlg::accept);
    connect(cancelButton, &QPushButton::clicked, this, &NewGameDlg::reject);
    durationList->installEventFilter(this);
}

void NewGameDlg::createControls() {
    auto* difficultyGroup = new QGroupBox("Difficulty level", this);
    difficultyList = new QComboBox(difficultyGroup);
    difficultyList->setObjectName("difficultyList");
    oneShotBox = checkBox("One Shot At A Time", difficultyGroup);
    vulnerablePaddleBox = checkBox("Vulnerable Paddle", difficultyGroup,
                                   "Paddle can be destroyed by destructors (and cannot destroy destructors)");
    freePaddleBox = checkBox("Free Paddle", difficultyGroup,
                             "Paddle can move in both horizontal and vertical directions");
    auto* difficultyOptions = new QVBoxLayout;
    difficultyOptions->addWidget(oneShotBox);
    difficultyOptions->addWidget(vulnerablePaddleBox);
    difficultyOptions->addWidget(freePaddleBox);
    auto* difficultyLayout = new QHBoxLayout(difficultyGroup);
    difficultyLayout->addWidget(difficultyList, 1, Qt::AlignTop);
    difficultyLayout->addSpacing(DialogUnits::toPixels(12, 0, font()).width());
    difficultyLayout->addLayout(difficultyOptions, 1);

    demoRadio = radioButton("Get'em All (Demo)", this);

    auto* timedGroup = new QGroupBox("Levels with time limit", this);
    timeAttackRadio = radioButton("Time Attack", timedGroup);
    customRadio = radioButton("Custom", timedGroup);
    durationList = new QComboBox(timedGroup);
    durationList->setObjectName("durationList");
    for (const char* name : GameLevels::durationNames) {
        durationList->addItem(QString::fromLatin1(name));
    }
    durationList->setToolTip("Sets the duration of a game (in seconds)");
    copyCurrentButton = new QPushButton("Copy Current", timedGroup);
    copyCurrentButton->setToolTip("Copies current game settings to custom level");
    settingsButton = new QPushButton("Settings", timedGroup);
    settingsButton->setToolTip("Controls settings of a custom game");
    auto* timedLayout = new QGridLayout(timedGroup);
    timedLayout->addWidget(timeAttackRadio, 0, 0);
    timedLayout->addWidget(durationList, 0, 1, 1, 2);
    timedLayout->addWidget(customRadio, 1, 0);
    timedLayout->addWidget(copyCurrentButton, 1, 1);
    timedLayout->addWidget(settingsButton, 1, 2);
    timedLayout->setColumnStretch(0, 1);
    timedLayout->setColumnStretch(1, 1);
    timedLayout->setColumnStretch(2, 1);

    painStiffnessBox = checkBox("Specify Pain/Stiffness Level", this,
                                "If checked, a windows asking for selecting pain/stiffness level will pop up "
                                "before and after each game");
    askObjectsBox = checkBox("Ask For Selecting Objects", this,
                             "If checked, a window asking for selecting an object used to play a game will "
                             "pop up before each game");

    okButton = new QPushButton("OK", this);
    okButton->setDefault(true);
    cancelButton = new QPushButton("Cancel", this);
    bestScoresButton = new QPushButton("Best Scores", this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);
    buttons->addStretch(1);
    buttons->addWidget(bestScoresButton);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(difficultyGroup);
    layout->addStretch(1);
    layout->addWidget(demoRadio);
    layout->addStretch(1);
    layout->addWidget(timedGroup);
    layout->addStretch(1);
    layout->addWidget(painStiffnessBox);
    layout->addWidget(askObjectsBox);
    layout->addStretch(2);
    layout->addLayout(buttons);
}

void NewGameDlg::initialise() {
    selectMode(modeForLevel(store.readInt(SettingKeys::gameLevel)));
    selectEntry(durationList, store.readInt(SettingKeys::timeAttack));
    int stored = store.readInt(SettingKeys::difficultyLevel);
    // A blank list would be confirmed and saved as no difficulty, which matches no best-score table.
    if (stored < 0 || stored >= GameLevels::difficultyCount) {
        stored = SettingsStore::defaultInt(SettingKeys::difficultyLevel);
    }
    fillDifficultyList(mode(), stored);
    oneShotBox->setChecked(store.readFlag(SettingKeys::oneShot));
    vulnerablePaddleBox->setChecked(store.readFlag(SettingKeys::vulnerablePaddle));
    freePaddleBox->setChecked(store.readFlag(SettingKeys::paddleMoves));
    painStiffnessBox->setChecked(store.readFlag(SettingKeys::painLevel));
    askObjectsBox->setChecked(store.readFlag(SettingKeys::askForObjects));
}

LevelSelection NewGameDlg::levelSelection() const {
    LevelSelection selection;
    selection.gameLevel = gameLevel;
    selection.difficulty = difficulty;
    selection.oneShot = oneShotBox->isChecked();
    selection.vulnerablePaddle = vulnerablePaddleBox->isChecked();
    selection.freePaddle = freePaddleBox->isChecked();
    selection.askPainStiffness = painStiffnessBox->isChecked();
    selection.askObjects = askObjectsBox->isChecked();
    selection.settingsOpen = settingsOpen_;
    return selection;
}

bool NewGameDlg::oneShot() const {
    return oneShotBox->isChecked();
}

void NewGameDlg::setOneShot(bool on) {
    oneShotBox->setChecked(on);
}

void NewGameDlg::selectMode(Mode mode) {
    demoRadio->setChecked(mode == Mode::Demo);
    timeAttackRadio->setChecked(mode == Mode::TimeAttack);
    customRadio->setChecked(mode == Mode::Custom);
    copyCurrentButton->setEnabled(mode != Mode::Custom);
    durationList->setEnabled(mode != Mode::Demo);
    oneShotBox->setEnabled(mode != Mode::Custom);
    fillDifficultyList(mode, difficultyList->currentIndex());
}

NewGameDlg::Mode NewGameDlg::mode() const {
    if (customRadio->isChecked()) {
        return Mode::Custom;
    }
    if (timeAttackRadio->isChecked()) {
        return Mode::TimeAttack;
    }
    return Mode::Demo;
}

void NewGameDlg::fillDifficultyList(Mode mode, int rememberedIndex) {
    difficultyList->clear();
    if (mode == Mode::Custom) {
        for (const char* name : GameLevels::customDifficultyNames) {
            difficultyList->addItem(QString::fromLatin1(name));
        }
        // Any fixed difficulty maps to the custom level's own settings.
        difficultyList->setCurrentIndex(rememberedIndex >= 1 ? 1 : 0);
        return;
    }
    for (int i = 0; i < GameLevels::difficultyCount; ++i) {
        difficultyList->addItem(QString::fromLatin1(GameLevels::DifficultyNames[i]));
    }
    selectEntry(difficultyList, rememberedIndex);
}

void NewGameDlg::readChoice() {
    const int duration = durationList->currentIndex();
    const bool hasDuration = duration >= 0 && duration < GameLevels::durationCount;
    if (demoRadio->isChecked()) {
        gameLevel = GameLevels::demoLevel;
    } else if (timeAttackRadio->isChecked() && hasDuration) {
        gameLevel = GameLevels::firstTimeAttackLevel + duration;
    } else if (customRadio->isChecked() && hasDuration) {
        gameLevel = GameLevels::firstCustomLevel + duration;
    }
    difficulty = difficultyList->currentIndex();
}

void NewGameDlg::save() {
    const SettingsStore::Batch batch(store);
    store.writeInt(SettingKeys::gameLevel, gameLevel);
    store.writeInt(SettingKeys::timeAttack, durationList->currentIndex());
    store.writeInt(SettingKeys::difficultyLevel, difficulty);
    store.writeFlag(SettingKeys::oneShot, oneShotBox->isChecked());
    store.writeFlag(SettingKeys::vulnerablePaddle, vulnerablePaddleBox->isChecked());
    store.writeFlag(SettingKeys::paddleMoves, freePaddleBox->isChecked());
    store.writeFlag(SettingKeys::painLevel, painStiffnessBox->isChecked());
    store.writeFlag(SettingKeys::askForObjects, askObjectsBox->isChecked());
}

void NewGameDlg::post(int message, std::intptr_t lParam) {
    postWindowMessage(mainWindow, message, 0, lParam);
}

void NewGameDlg::modeClicked(Mode mode) {
    selectMode(mode);
    if (mode == Mode::Custom) {
        post(WindowMessages::WM_SET_SETTINGS_MODE, customSettingsMode);
        post(WindowMessages::WM_SYNC_ONE_SHOT, oneShotFromWeaponsPage);
    } else {
        post(WindowMessages::WM_SET_SETTINGS_MODE, currentSettingsMode);
    }
}

void NewGameDlg::settingsClicked() {
    selectMode(Mode::Custom);
    post(WindowMessages::WM_SET_SETTINGS_MODE, customSettingsMode);
    post(WindowMessages::WM_SYNC_ONE_SHOT, oneShotFromWeaponsPage);
    post(WindowMessages::WM_SHOW_SETTINGS);
    settingsOpen_ = true;
    okButton->setEnabled(false);
    cancelButton->setEnabled(false);
    settingsButton->setEnabled(false);
}

void NewGameDlg::copyCurrentClicked() {
    selectMode(Mode::Custom);
    post(WindowMessages::WM_SYNC_ONE_SHOT, oneShotToWeaponsPage);
    post(WindowMessages::WM_SET_SETTINGS_MODE, copyCurrentSettingsMode);
}

void NewGameDlg::bestScoresClicked() {
    readChoice();
    post(WindowMessages::WM_SHOW_BEST_SCORES);
}

void NewGameDlg::settingsClosed() {
    okButton->setEnabled(true);
    cancelButton->setEnabled(true);
    settingsButton->setEnabled(true);
    settingsOpen_ = false;
    post(WindowMessages::WM_SYNC_ONE_SHOT, oneShotFromWeaponsPage);
}

void NewGameDlg::accept() {
    if (settingsOpen_) {
        return;
    }
    readChoice();
    post(WindowMessages::WM_START_GAME);
    save();
    hide();
}

void NewGameDlg::reject() {
    // The game settings opened from here must be closed first; the disabled "Cancel" says so.
    if (settingsOpen_) {
        return;
    }
    post(WindowMessages::WM_DIALOG_CLOSED);
    hide();
}

bool NewGameDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == durationList && event->type() == QEvent::FocusIn && mode() == Mode::Demo) {
        selectMode(Mode::TimeAttack);
    }
    return QDialog::eventFilter(watched, event);
}
