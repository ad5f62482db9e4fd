#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The program's command line: --help, --version, --server, --user-folder, --results, and a clear refusal of
// anything else. Read before the window system is opened, so both work without a display.
struct CommandLine {
    // Set when the program ends at once with this code (0 for help and version, 2 for a usage error).
    std::optional<int> exitCode;
    // What to print: to standard output on success, to standard error on a usage error.
    QString output;
    // --server: "host[:port]" of the score server's page for this run, empty for the stored one.
    QString scoreServer;
    // --user-folder: work in userFolder() instead of the folder the program was started in, as a
    // program started from the desktop menu must.
    bool inUserFolder = false;
    // --results [FOLDER]: only the Results window, for FOLDER or the current folder.
    std::optional<QString> resultsFolder;

    static CommandLine parse(const QStringList& arguments);
    // ~/Vazazo.
    static QString userFolder();
    // Makes folder when missing and makes it the current folder; says why when it cannot.
    static std::optional<QString> enterFolder(const QString& folder);
};
