#pragma once

#include "app/ColourSetting.h"
#include "app/FramePacer.h"
#include "app/ScreenshotNames.h"
#include "game/State.h"
#include "render/FPSAverage.h"
#include "core/Delay.h"
#include "learning/LearningMethods.h"
#include "render/ExtraMessage.h"
#include "render/FramePainter.h"
#include "render/Timer.h"
#include "scores/BestScoreTableSet.h"
#include "sound/SoundEffects.h"
#include "core/Orientation.h"

class WindowMessage;

#include <QMainWindow>

#include <QColor>

#include <array>
#include <functional>

class LogDlg;
class HallOfFameDlg;
class LSettingsDlg;
class NameDlg;
class NewGameDlg;
class QAction;
class QActionGroup;
class SettingsDlg;
class ResearchData;
class SettingsStore;
class Shader;

// The main window, which is also the game: the menu, the OpenGL view filling the client area, the
// frame pacer and the frame-rate meter.
class CVazazoDlg : public QMainWindow, public State, public FramePainter, private GameListener {
    Q_OBJECT
public:
    struct FrameRate {
        const char* label;
        int periodMs;
    };
    static constexpr std::array<FrameRate, 7> frameRates{{{"Unlimited", 0},
                                                          {"Maximum", 1},
                                                          {"100 fps", 9},
                                                          {"50 fps", 19},
                                                          {"30 fps", 33},
                                                          {"25 fps", 40},
                                                          {"15 fps", 66}}};

    explicit CVazazoDlg(SettingsStore& store, QWidget* parent = nullptr);
    ~CVazazoDlg() override;

    // "host[:port]" of the score server's page for this run, instead of the settings' one.
    void setScoreServerOverride(const QString& server);
    QString scoreServer() const;

    // Stops the frame-rate meter and the frame pacer, each only when it runs.
    void stopWorkerThreads();

    void setFramePeriod(int periodMs);
    // Ticks the menu item and logs the choice; the GPU test only when it is available.
    void chooseCollisionTest(bool gpu);
    int framePeriodMs() const { return gameLoop.framePeriodMs; }
    void setBackgroundColour(float red, float green, float blue);

    void showCursor();
    void hideCursor();
    int cursorHideCount() const { return cursorHideCount_; }

    // Pause and resume at the current time; resuming needs a game to resume.
    void pauseNow();
    void resumeNow();

    LogDlg* log() const { return log_; }
    SettingsDlg* settingsDialog() const { return settingsDlg; }
    NewGameDlg* newGameDialog() const { return newGameDlg; }
    LSettingsDlg* learningDialog() const { return learningDlg; }
    HallOfFameDlg* highScoresDialog() const { return hallOfFame; }
    Shader* view() const { return view_; }
    FramePacer gameLoop;
    FPSAverage fpsMeter;
    Timer countdown;
    ExtraMessage message;
    Delay afterGameDelay;
    LearningMethods learning{this};
    BestScoreTableSet bestScores;

    int orientation = Orientation::south;
    void setOrientation(int code);
    void toggleWireframe();
    // Writes the current frame under the next free screenshot name; failures go to the log.
    void takeScreenshot();
    void chooseBackgroundColour();
    std::array<ColourSetting, 16> customColours{};

    void renderFrame() override;

protected:
    void onShowCursor() override { showCursor(); }
    void onHideCursor() override { hideCursor(); }
    void onPlayBegins() override;
    LevelSelection currentSelection() const override;

    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void createMenus();
    void gpuCollisionProbed(bool available);
    void handleMessage(const WindowMessage& message);
    void showNewGame();
    void showGameSettings();
    void toggleGameSettings();
    void toggleLearningSettings();
    // Hides a settings dialog the way its own buttons do, so its closing is reported.
    void hideSettingsDialog(QWidget* dialog);
    // Runs a modal window opened from the menu with the game paused, and resumes only a game
    // that was in play before.
    void runModal(const std::function<void()>& window);
    void centreOverClientArea(QWidget* dialog);
    void startGameFromDialog();
    // The objects list and the questionnaire, each when the New Game dialog asks for it.
    GameReport::Answers askBeforeGame();
    QString askPainStiffness();
    void dialogClosed();
    void drawOverlays();
    void gameEnded(const GameEvents::Ending& ending) override;
    // Hands the running totals to the learning module when its period is due.
    void ticked(double now) override;
    // Starts, or after a settings dialog closed restarts, the selected learning method.
    void applyLearningSettings(bool afterDialog);
    // The ended game's questionnaire, saving and best-score offer; the High Scores window follows
    // unless a new game is about to start.
    void finishGame(const GameEvents::Ending& ending, bool showHighScores);
    // tableNumber -1: the table the New Game dialog points at.
    void showBestScores(int tableNumber);
    void requestFrame();
    void onFrameSwapped();
    void loadSounds();
    void onViewResized(int width, int height);
    void mouseMovedOverView(QPointF position);
    void showAbout();
    void toggleMaximised();
    void loadColours();

    SettingsStore& store;
    LogDlg* log_ = nullptr;
    SettingsDlg* settingsDlg = nullptr;
    NewGameDlg* newGameDlg = nullptr;
    LSettingsDlg* learningDlg = nullptr;
    HallOfFameDlg* hallOfFame = nullptr;
    NameDlg* playerNameDlg = nullptr;
    Shader* view_ = nullptr;
    QActionGroup* frameRateGroup = nullptr;
    QAction* cpuCollisionItem = nullptr;
    QAction* gpuCollisionItem = nullptr;
    bool collisionProbed = false;
    int cursorHideCount_ = 0;
    ScreenshotNames screenshots;
    bool texturesLoaded = false;
    bool countdownFontCreated = false;
    bool messageFontCreated = false;
    QColor backgroundColour{Qt::black};
    std::unique_ptr<ResearchData> research;
    // Made and loaded once the first frame is on screen.
    std::unique_ptr<SoundEffects> sounds;
    QString scoreServerOverride;
};
