#include "app/CVazazoDlg.h"

#include "app/CAboutDlg.h"
#include "app/HelpDlg.h"
#include "app/Questionnaire.h"
#include "app/ResearchData.h"
#include "results/ResultsDlg.h"
#include "app/ColourSetting.h"
#include "app/WindowIcon.h"
#include "core/WindowMessages.h"
#include "dialogs/LogDlg.h"
#include "dialogs/ObjectsDlg.h"
#include "game/GameReport.h"
#include "dialogs/WindowPlacement.h"
#include "core/Clock.h"
#include "learning/LModule.h"
#include "render/Shader.h"
#include "scene/FieldScale.h"
#include "scene/Paddle.h"
#include "scores/HallOfFameDlg.h"
#include "scores/NameDlg.h"
#include "settings/GameLevels.h"
#include "settings/LSettingsDlg.h"
#include "settings/NewGameDlg.h"
#include "settings/SettingKeys.h"
#include "settings/SettingsDlg.h"
#include "settings/SettingsStore.h"
#include "settings/TabClassicalLearning.h"
#include "settings/TabDataCollection.h"

#include <QActionGroup>
#include <QColorDialog>
#include <QCloseEvent>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QMenuBar>
#include <QTimer>
#include <QWindow>


namespace {
constexpr int initialWidth = 800;
constexpr int initialHeight = 600;
constexpr int startFramePeriodMs = 9;
} // namespace

using namespace WindowMessages;

CVazazoDlg::CVazazoDlg(SettingsStore& store, QWidget* parent)
    : QMainWindow(parent), gameLoop(this), fpsMeter(this), countdown(this), bestScores(store), store(store),
      screenshots(QDir::current()) {
    // A first run writes several defaults; one rewrite of the file is enough.
    const SettingsStore::Batch startWrites(store);
    setWindowTitle("Vazazo");
    setWindowIcon(WindowIcon::make());

    log_ = new LogDlg(this);
    view_ = new Shader(*this, this);
    setCentralWidget(view_);
    setFocusPolicy(Qt::StrongFocus);
    view_->setFocusPolicy(Qt::NoFocus);
    connect(view_, &QOpenGLWidget::frameSwapped, this, &CVazazoDlg::onFrameSwapped);
    connect(view_, &Shader::gpuCollisionProbed, this, &CVazazoDlg::gpuCollisionProbed);
    attachHitPasses(view_);
    view_->installEventFilter(this);
    addListener(*this);
    settingsDlg = new SettingsDlg(store, this, this);
    attach(*settingsDlg, Paddle::program(), countdown);
    message.setText("Game Over!");
    hitCounter.counterX = 1.035;
    hitCounter.counterY = 0.85;
    hitCounter.counterRed = 0.8;
    hitCounter.counterGreen = 1.0;
    hitCounter.counterBlue = 0.8;
    missCounter.counterX = 0.205;
    missCounter.counterY = 0.85;
    missCounter.counterRed = 1.0;
    missCounter.counterGreen = 0.8;
    missCounter.counterBlue = 0.8;
    // Zeros on the wheels until the first game starts.
    hitCounter.restart(Clock::program().now());
    missCounter.restart(Clock::program().now());
    bestScores.loadAll();
    hallOfFame = new HallOfFameDlg(bestScores, this);
    hallOfFame->setScoreServer([this] { return scoreServer(); });
    hallOfFame->setParticipant([this] { return learningDlg->dataCollection().participantId(); });
    hallOfFame->setServerCertificate(
        [this] { return learningDlg->dataCollection().scoreServerCertificate(); });
    playerNameDlg = new NameDlg(store, this);
    view_->setMouseTracking(true);
    settingsDlg->setWindowFlag(Qt::WindowStaysOnTopHint);
    newGameDlg = new NewGameDlg(store, this, this);
    learningDlg = new LSettingsDlg(store, this, this);
    learning.select(LearningMethods::methodIndex(learningDlg->dataCollection()));
    research = std::make_unique<ResearchData>(
        *this, store, *settingsDlg, Paddle::program(), learning, [this] { return gameLoop.framePeriodMs.load(); },
        [this] { return learningDlg->dataCollection().averagingMs(); });
    createMenus();
    menuBar()->installEventFilter(this);
    resize(initialWidth, initialHeight);

    Clock::program().calibrate();
    setFramePeriod(startFramePeriodMs);
    loadColours();
    fpsMeter.startIfIdle();
    gameLoop.startIfIdle();
    DataCollection::recoverJournals(QDir::current());
    appendLog("Press 'N' to start a new game");
    groupName = store.readText(SettingKeys::playersName);
}

void CVazazoDlg::setScoreServerOverride(const QString& server) {
    scoreServerOverride = server;
    research->collection().setScoreServerOverride(server);
}

QString CVazazoDlg::scoreServer() const {
    return scoreServerOverride.isEmpty() ? learningDlg->dataCollection().scoreServer() : scoreServerOverride;
}

CVazazoDlg::~CVazazoDlg() {
    stopWorkerThreads();
    // It reads the best-score tables, which go with this object before its child windows do.
    delete hallOfFame;
}

void CVazazoDlg::createMenus() {
    QMenu* file = menuBar()->addMenu("&File");
    file->addAction("&Exit", this, &QWidget::close);

    QMenu* game = menuBar()->addMenu("&Game");
    game->addAction("&New Game", this, &CVazazoDlg::showNewGame);
    game->addAction("&Game settings", this, &CVazazoDlg::toggleGameSettings);
    game->addAction("&High Scores", this, [this] { showBestScores(-1); });
    game->addAction("&Results...", this, [this] {
        pauseNow();
        ResultsDlg::showFor(QDir::current(), this);
    });

    QMenu* settings = menuBar()->addMenu("&Settings");
    settings->addAction("Set group &name", this,
                        [this] { runModal([this] { NameDlg::askGroupName(store, groupName, this); }); });
    settings->addAction("&Learning settings", this, &CVazazoDlg::toggleLearningSettings);
    settings->addAction("&Background colour", this, [this] { runModal([this] { chooseBackgroundColour(); }); });
    settings->addAction("&Determine processor clock", this, [] { Clock::program().calibrate(); });

    QMenu* framerate = settings->addMenu("Framerate");
    frameRateGroup = new QActionGroup(this);
    for (const FrameRate& rate : frameRates) {
        QAction* action = framerate->addAction(rate.label);
        action->setCheckable(true);
        action->setData(rate.periodMs);
        frameRateGroup->addAction(action);
        connect(action, &QAction::triggered, this,
                [this, period = rate.periodMs] { setFramePeriod(period); });
    }

    QMenu* collision = settings->addMenu("Collision detection");
    cpuCollisionItem = collision->addAction("CPU");
    gpuCollisionItem = collision->addAction("GPU");
    cpuCollisionItem->setCheckable(true);
    gpuCollisionItem->setCheckable(true);
    cpuCollisionItem->setChecked(true);
    // Offered once the view's context exists and the driver has what the test needs.
    gpuCollisionItem->setEnabled(gpuCollisionAvailable);
    connect(cpuCollisionItem, &QAction::triggered, this, [this] { chooseCollisionTest(false); });
    connect(gpuCollisionItem, &QAction::triggered, this, [this] { chooseCollisionTest(true); });

    QMenu* help = menuBar()->addMenu("&Help");
    help->addAction("H&elp", this, [this] { runModal([this] { HelpDlg(this).exec(); }); });
    // Stands in for the system menu's "About Vazazo..." entry, which not every platform has.
    help->addAction("&About", this, &CVazazoDlg::showAbout);
}

void CVazazoDlg::chooseCollisionTest(bool gpu) {
    if (gpu && !gpuCollisionAvailable) {
        gpuCollisionItem->setChecked(false);
        return;
    }
    cpuCollisionItem->setChecked(!gpu);
    gpuCollisionItem->setChecked(gpu);
    gpuCollision = gpu;
    appendLog(gpu ? "Using GPU collision detection." : "Using CPU collision detection.");
}

void CVazazoDlg::gpuCollisionProbed(bool available) {
    const bool firstProbe = !collisionProbed;
    collisionProbed = true;
    gpuCollisionAvailable = available;
    research->setEnvironment({view_->glVendor, view_->glRenderer, view_->glVersion});
    gpuCollisionItem->setEnabled(available);
    // The GPU test is the start-up choice on a graphics card; a later context only withdraws it
    // if it must.
    if (firstProbe) {
        const QString renderer = view_->renderer();
        const bool software = ZornOpenGL::isSoftwareRenderer(renderer);
        chooseCollisionTest(available && !software);
        if (!available) {
            appendLog("The GPU hit test is not available with this driver (" + renderer + ").");
        } else if (software) {
            appendLog("The renderer " + renderer +
                      " draws in software, where the GPU hit test costs more than the CPU test; "
                      "GPU stays in the menu.");
        } else {
            appendLog("The renderer " + renderer + " is a graphics card: the GPU hit test is used.");
        }
    } else if (!available && gpuCollision) {
        chooseCollisionTest(false);
    }
}

void CVazazoDlg::setFramePeriod(int periodMs) {
    const int previous = gameLoop.framePeriodMs.exchange(periodMs);
    for (QAction* action : frameRateGroup->actions()) {
        action->setChecked(action->data().toInt() == periodMs);
    }
    // Leaving the paced modes, the window must start its own chain of ticks.
    if (periodMs == 0 && previous != 0 && !paused) {
        postWindowMessage(this, WM_TICK);
    }
}

void CVazazoDlg::setBackgroundColour(float red, float green, float blue) {
    backgroundColour = QColor::fromRgbF(red, green, blue);
    view_->setClearColour(red, green, blue);
    setGunColourFor(red, green, blue);
    view_->update();
}

void CVazazoDlg::loadColours() {
    for (int i = 0; i < SettingKeys::customColourCount; ++i) {
        customColours[i] = ColourSetting::parse(store.read(SettingKeys::customColourKey(i), "0 0 0"));
    }
    const ColourSetting background = ColourSetting::parse(store.readText(SettingKeys::backgroundColour));
    setBackgroundColour(background.red / 255.0f, background.green / 255.0f, background.blue / 255.0f);
}

void CVazazoDlg::chooseBackgroundColour() {
    for (int i = 0; i < SettingKeys::customColourCount; ++i) {
        const ColourSetting& c = customColours[i];
        QColorDialog::setCustomColor(i, QColor(c.red, c.green, c.blue));
    }
    const QColor chosen = QColorDialog::getColor(backgroundColour, this, "Background colour");
    // The chooser keeps its custom colours whether or not it was confirmed, but only OK stores them.
    if (!chosen.isValid()) {
        return;
    }
    const SettingsStore::Batch batch(store);
    for (int i = 0; i < SettingKeys::customColourCount; ++i) {
        const QColor c = QColorDialog::customColor(i);
        customColours[i] = {c.red(), c.green(), c.blue()};
        store.write(SettingKeys::customColourKey(i), customColours[i].format());
    }
    setBackgroundColour(chosen.red() / 255.0f, chosen.green() / 255.0f, chosen.blue() / 255.0f);
    store.write(QLatin1String(SettingKeys::backgroundColour.key),
                ColourSetting{chosen.red(), chosen.green(), chosen.blue()}.format());
}

void CVazazoDlg::setOrientation(int code) {
    if (code != orientation) {
        const bool landscapeNow = (orientation & Orientation::landscapeBit) != 0;
        const bool landscapeNext = (code & Orientation::landscapeBit) != 0;
        if (landscapeNow != landscapeNext) {
            FieldScale& field = FieldScale::program();
            std::swap(field.fieldWidthPx, field.fieldHeightPx);
        }
        orientation = code;
        view_->orientation = code;
        Paddle::program().orientation = code;
    }
    view_->update();
}

void CVazazoDlg::toggleWireframe() {
    view_->wireframe = !view_->wireframe;
    view_->update();
}

void CVazazoDlg::takeScreenshot() {
    screenshots.save(*view_);
}

void CVazazoDlg::showCursor() {
    while (cursorHideCount_ < 0) {
        ++cursorHideCount_;
    }
    view_->unsetCursor();
}

void CVazazoDlg::hideCursor() {
    while (cursorHideCount_ >= 0) {
        --cursorHideCount_;
    }
    view_->setCursor(Qt::BlankCursor);
}

bool CVazazoDlg::event(QEvent* event) {
    const int type = event->type();
    if (isWindowMessage(type)) {
        handleMessage(*static_cast<WindowMessage*>(event));
        return true;
    }
    return QMainWindow::event(event);
}

void CVazazoDlg::handleMessage(const WindowMessage& message) {
    switch (message.message()) {
    case WM_TICK:
        if (!paused) {
            tick(Clock::program().now());
        }
        postWindowMessage(this, WM_REDRAW);
        break;
    case WM_REDRAW:
        requestFrame();
        break;
    case WM_SET_CAPTION:
        setWindowTitle(message.text);
        break;
    case WM_DIALOG_CLOSED:
        dialogClosed();
        break;
    case WM_SET_VOLUME:
        if (sounds) {
            sounds->setVolume(static_cast<int>(message.wParam), static_cast<int>(message.lParam));
        }
        break;
    case WM_SOUND_EVENT:
        appendLog("Sound callback!");
        break;
    case WM_START_GAME:
        startGameFromDialog();
        break;
    case WM_APPLY_LEVEL_PARAMETERS:
        // Only the modules post this, each with its own address, and they live as long as the window.
        if (message.lParam != 0) {
            reinterpret_cast<const LModule*>(message.lParam)->applyLevelParameters(*settingsDlg);
        }
        break;
    case WM_TIME_UP:
        endGame();
        break;
    case WM_AFTER_GAME:
        if (const std::optional<GameEvents::Ending> ending = takeAfterGame(static_cast<int>(message.wParam))) {
            finishGame(*ending, true);
        }
        break;
    case WM_CLEAR_FIELD:
        clearField();
        break;
    case WM_SHOW_BEST_SCORES:
        // A game's own table is shown after that game only, never over the next one.
        if (message.wParam == 0) {
            showBestScores(-1);
        } else if (gameOver) {
            showBestScores(static_cast<int>(message.wParam) - 1);
        }
        break;
    case WM_SHOW_SETTINGS:
        showGameSettings();
        break;
    case WM_SET_SETTINGS_MODE:
        if (settingsDlg->isCustom() != (message.lParam != 0)) {
            settingsDlg->switchMode(static_cast<int>(message.lParam));
        }
        break;
    case WM_SYNC_ONE_SHOT:
        if (message.lParam == 1) {
            settingsDlg->setOneWeaponAtATime(newGameDlg->oneShot());
        } else {
            newGameDlg->setOneShot(settingsDlg->oneWeaponAtATime());
        }
        break;
    default:
        break;
    }
}

void CVazazoDlg::requestFrame() {
    // A window that is not on screen paints nothing, so its tick is done already.
    const QWindow* window = windowHandle();
    if (window == nullptr || !window->isExposed() || isMinimized()) {
        gameLoop.frameDone();
        return;
    }
    view_->update();
}

void CVazazoDlg::renderFrame() {
    gameLoop.beginPaint();
    view_->beginFrame();
    paintFrame();
    drawOverlays();
}

void CVazazoDlg::drawOverlays() {
    // Each font is made when its text first shows: building the glyphs of two large fonts would
    // hold back the first frame.
    view_->beginOverlays();
    if (!paused && countdown.running) {
        if (!countdownFontCreated) {
            countdownFontCreated = true;
            countdown.createFont("Times New Roman", 48);
        }
        countdown.draw(Clock::program().now());
    }
    hitCounter.draw();
    missCounter.draw();
    if (message.visible) {
        if (!messageFontCreated) {
            messageFontCreated = true;
            message.createFont("Times New Roman", 72);
        }
        message.draw();
    }
}

void CVazazoDlg::ticked(double now) {
    if (LModule* module = learning.active()) {
        offerTotals(*module, *this, *settingsDlg, now);
    }
}

void CVazazoDlg::applyLearningSettings(bool afterDialog) {
    const TabDataCollection& page = learningDlg->dataCollection();
    const int method = LearningMethods::methodIndex(page);
    const ClassicalThresholds thresholds = readClassicalThresholds(learningDlg->classicalLearning());
    if (afterDialog) {
        learning.settingsClosed(method, selection.difficulty, page.averagingMs(), thresholds, !gameOver);
    } else {
        learning.startGame(method, selection.difficulty, page.averagingMs(), thresholds);
    }
}

void CVazazoDlg::gameEnded(const GameEvents::Ending& ending) {
    learning.stop();
    message.textX = static_cast<float>((view_->width() - 300) * 0.5);
    message.textY = static_cast<float>((view_->height() - 44) * 0.5);
    message.visible = true;
    view_->update();
    if (ending.afterGameFollows) {
        afterGameDelay.set(this, WM_AFTER_GAME, 1000, ending.gameNumber);
        afterGameDelay.startIfIdle();
    }
}

void CVazazoDlg::showBestScores(int tableNumber) {
    if (tableNumber >= 0) {
        hallOfFame->setShownLevel(tableNumber / BestScores::difficultyIndexCount);
        hallOfFame->setShownDifficulty(tableNumber % BestScores::difficultyIndexCount);
    } else {
        const LevelSelection chosen = newGameDlg->levelSelection();
        hallOfFame->setShownLevel(chosen.gameLevel);
        hallOfFame->setShownDifficulty(BestScoreTableSet::difficultyIndex(chosen.difficulty, chosen.oneShot));
    }
    hallOfFame->showCentredOver(this);
}

void CVazazoDlg::finishGame(const GameEvents::Ending& ending, bool showHighScores) {
    answerAfterGame(askPainStiffness());
    const int table = BestScoreTableSet::tableNumber(ending.level, ending.difficultyIndex);
    if (table < 0) {
        return;
    }
    bestScores.offerScore(ending.level, ending.difficultyIndex, ending.score, *playerNameDlg,
                          [this] {
                              if (sounds) {
                                  sounds->play(SoundEffects::applause);
                              }
                          });
    if (showHighScores) {
        postWindowMessage(this, WM_SHOW_BEST_SCORES, table + 1);
    }
}

void CVazazoDlg::onFrameSwapped() {
    if (!texturesLoaded) {
        // After the first frame is on screen, so the context exists, no paint is under way and
        // the window shows before the files are read; the media library alone takes a good part
        // of a start-up to load. No game can start before they are there.
        texturesLoaded = true;
        QTimer::singleShot(0, this, [this] {
            Paddle::program().load(*view_, "paddle_tx.png");
            hitCounter.load(*view_);
            missCounter.load(*view_);
            loadSounds();
        });
    }
    ++fpsMeter.framesSinceSample;
    research->frameShown();
    gameLoop.frameDone();
    if (!paused && gameLoop.framePeriodMs == 0) {
        postWindowMessage(this, WM_TICK);
    }
}

void CVazazoDlg::loadSounds() {
    if (sounds) {
        return;
    }
    sounds = std::make_unique<SoundEffects>(this);
    addListener(*sounds);
    sounds->load(QDir::current(), store, this);
}

void CVazazoDlg::onViewResized(int width, int height) {
    countdown.timerX = width / 2;
    countdown.timerY = 40;
    FieldScale& field = FieldScale::program();
    const bool landscape = (orientation & Orientation::landscapeBit) != 0;
    field.fieldWidthPx = landscape ? width : height;
    field.fieldHeightPx = landscape ? height : width;
}

void CVazazoDlg::mouseMovedOverView(QPointF position) {
    if (paused) {
        return;
    }
    const std::optional<QPoint> recentre =
        Paddle::program().mouseMoved(position.x(), position.y(), view_->width(), view_->height());
    if (recentre) {
        QCursor::setPos(view_->mapToGlobal(*recentre));
    }
}

bool CVazazoDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_ && event->type() == QEvent::Resize) {
        const QSize size = static_cast<QResizeEvent*>(event)->size();
        onViewResized(size.width(), size.height());
    } else if (watched == view_ && event->type() == QEvent::MouseMove) {
        mouseMovedOverView(static_cast<QMouseEvent*>(event)->position());
    } else if (watched == view_ &&
               (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) &&
               static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        // A quick second click arrives as a double click; it is a shot all the same.
        fire();
    } else if (watched == menuBar() && event->type() == QEvent::Enter) {
        showCursor();
    }
    return QMainWindow::eventFilter(watched, event);
}

void CVazazoDlg::keyPressEvent(QKeyEvent* event) {
    // A held key repeats; only the first press acts.
    if (event->isAutoRepeat()) {
        QMainWindow::keyPressEvent(event);
        return;
    }
    const bool keypad = (event->modifiers() & Qt::KeypadModifier) != 0;
    // Alt with a letter opens a menu; it moves nothing in the game.
    if ((event->modifiers() & (Qt::AltModifier | Qt::ControlModifier | Qt::MetaModifier)) != 0 &&
        event->key() != Qt::Key_Alt) {
        QMainWindow::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Escape:
        close();
        return;
    case Qt::Key_P:
        if (paused) {
            resumeNow();
        } else {
            reportPending = false;
            pauseNow();
        }
        break;
    case Qt::Key_Space:
        fire();
        break;
    case Qt::Key_F5:
        toggleWireframe();
        break;
    case Qt::Key_S:
        takeScreenshot();
        break;
    case Qt::Key_N:
        showNewGame();
        break;
    case Qt::Key_L:
        log_->show();
        log_->raise();
        break;
    case Qt::Key_M:
        toggleMaximised();
        break;
    case Qt::Key_Alt:
        showCursor();
        break;
    default:
        if (const int turned = Orientation::forKey(event->key(), keypad); turned != 0) {
            setOrientation(turned);
        }
        break;
    }
    QMainWindow::keyPressEvent(event);
}

void CVazazoDlg::toggleMaximised() {
    if (isMaximized() || isMinimized() || isFullScreen()) {
        showNormal();
    } else {
        showMaximized();
    }
}

void CVazazoDlg::showAbout() {
    runModal([this] { CAboutDlg(this).exec(); });
}

void CVazazoDlg::runModal(const std::function<void()>& window) {
    const bool wasInPlay = !paused;
    pauseNow();
    window();
    if (wasInPlay) {
        resumeNow();
    }
}

void CVazazoDlg::pauseNow() {
    pause(Clock::program().now());
}

void CVazazoDlg::resumeNow() {
    const bool wasPaused = paused;
    resume(Clock::program().now());
    // Play that begins again begins the learning method again, as a new game does.
    if (wasPaused && !paused) {
        applyLearningSettings(false);
    }
}

void CVazazoDlg::onPlayBegins() {
    if (gameLoop.framePeriodMs == 0) {
        postWindowMessage(this, WM_TICK);
    }
}

LevelSelection CVazazoDlg::currentSelection() const {
    return newGameDlg->levelSelection();
}

void CVazazoDlg::showNewGame() {
    pauseNow();
    newGameDlg->show();
    newGameDlg->raise();
    newGameDlg->activateWindow();
}

void CVazazoDlg::showGameSettings() {
    reportPending = false;
    pauseNow();
    if (!settingsDlg->isVisible()) {
        centreOverClientArea(settingsDlg);
    }
    settingsDlg->show();
    settingsDlg->raise();
    settingsDlg->activateWindow();
}

void CVazazoDlg::toggleGameSettings() {
    if (settingsDlg->isVisible()) {
        reportPending = false;
        hideSettingsDialog(settingsDlg);
    } else {
        showGameSettings();
    }
}

void CVazazoDlg::toggleLearningSettings() {
    reportPending = false;
    if (learningDlg->isVisible()) {
        hideSettingsDialog(learningDlg);
        return;
    }
    pauseNow();
    centreOverClientArea(learningDlg);
    learningDlg->show();
    learningDlg->raise();
    learningDlg->activateWindow();
}

void CVazazoDlg::hideSettingsDialog(QWidget* dialog) {
    dialog->hide();
    postWindowMessage(this, WM_DIALOG_CLOSED);
}

void CVazazoDlg::centreOverClientArea(QWidget* dialog) {
    WindowPlacement::centreOver(dialog, QRect(view_->mapToGlobal(QPoint(0, 0)), view_->size()));
}

void CVazazoDlg::dialogClosed() {
    applyLearningSettings(true);
    if (paused && !newGameDlg->settingsOpen()) {
        resumeNow();
    }
    newGameDlg->settingsClosed();
}

void CVazazoDlg::startGameFromDialog() {
    // The last game's after-game step, if still due, belongs to that game: it runs now, before
    // this game is in play, and its High Scores window is skipped.
    if (const std::optional<GameEvents::Ending> ending = takeAnyAfterGame()) {
        finishGame(*ending, false);
    }
    const LevelSelection selection = newGameDlg->levelSelection();
    message.visible = false;
    // Asked before the clock starts, so answering takes no playing time.
    const GameReport::Answers answers = askBeforeGame();
    startGame(selection, Clock::program().now(), answers);
    research->feed().beginGame(learningDlg->dataCollection());
    applyLearningSettings(false);
    appendLog("New game: " + GameLevels::describe(selection));
}

GameReport::Answers CVazazoDlg::askBeforeGame() {
    GameReport::Answers answers;
    if (currentSelection().askObjects) {
        ObjectsDlg objects(store.readInt(SettingKeys::objectsSelectionList), "objects.txt", this);
        if (objects.exec() == QDialog::Accepted) {
            store.writeInt(SettingKeys::objectsSelectionList, objects.selectedIndex);
        }
        answers.objectIndex = objects.selectedIndex;
        answers.objectName = objects.selectedName;
    }
    answers.questionnaire = askPainStiffness();
    return answers;
}

QString CVazazoDlg::askPainStiffness() {
    if (!currentSelection().askPainStiffness) {
        return GameReport::unansweredQuestionnaire();
    }
    return Questionnaire::askPainStiffness(this);
}

void CVazazoDlg::closeEvent(QCloseEvent* event) {
    stopWorkerThreads();
    log_->hide();
    event->accept();
}

void CVazazoDlg::stopWorkerThreads() {
    learning.stop();
    research->collection().shutdown();
    fpsMeter.stopAndWait();
    gameLoop.stopAndWait();
    afterGameDelay.stopAndWait();
}
