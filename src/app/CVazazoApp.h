#pragma once

#include <QApplication>

// The application: opens the settings store, then runs the main window until it closes.
class CVazazoApp : public QApplication {
    Q_OBJECT
public:
    CVazazoApp(int& argc, char** argv);
    // scoreServer overrides the stored score server for this run when not empty.
    int run(const QString& scoreServer = {});
    // Only the Results window for the games in folder.
    int runResults(const QString& folder);
};
