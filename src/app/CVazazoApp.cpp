#include "app/CVazazoApp.h"

#include "app/CVazazoDlg.h"
#include "core/FatalError.h"
#include "core/Clock.h"
#include "settings/SettingsStore.h"

CVazazoApp::CVazazoApp(int& argc, char** argv) : QApplication(argc, argv) {
    setOrganizationName("Ruvuriva");
    setApplicationName("Vazazo");
    setQuitOnLastWindowClosed(true);
}

int CVazazoApp::run() {
    FatalError::installLowMemoryHandler();
    Clock::program();
    SettingsStore store;
    CVazazoDlg window(store);
    window.show();
    return exec();
}
