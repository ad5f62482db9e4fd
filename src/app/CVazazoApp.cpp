#include "app/CVazazoApp.h"

#include "app/CVazazoDlg.h"
#include "app/OpenGLProbe.h"
#include "core/FatalError.h"
#include "core/Clock.h"
#include "results/ResultsDlg.h"
#include "settings/SettingsStore.h"

CVazazoApp::CVazazoApp(int& argc, char** argv) : QApplication(argc, argv) {
    setOrganizationName("Ruvuriva");
    setApplicationName("Vazazo");
    setQuitOnLastWindowClosed(true);
}

int CVazazoApp::run(const QString& scoreServer) {
    FatalError::installLowMemoryHandler();
    Clock::program();
    // Without OpenGL the view cannot draw, and some window systems crash trying.
    if (!openGLAvailable()) {
        FatalError::exitWith("Cannot create an OpenGL context: Vazazo needs OpenGL to draw the game.");
        return 1;
    }
    SettingsStore store;
    CVazazoDlg window(store);
    window.setScoreServerOverride(scoreServer);
    window.show();
    return exec();
}

int CVazazoApp::runResults(const QString& folder) {
    FatalError::installLowMemoryHandler();
    ResultsDlg::showFor(QDir(folder));
    return exec();
}
