#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The program's command line: --help, --version, --server, --results, and a clear refusal of anything else. Read
// before the window system is opened, so both work without a display.
struct CommandLine {
    // Set when the program ends at once with this code (0 for help and version, 2 for a usage error).
    std::optional<int> exitCode;
    // What to print: to standard output on success, to standard error on a usage error.
    QString output;
    // --server: "host[:port]" of the score server's page for this run, empty for the stored one.
    QString scoreServer;
    // --results [FOLDER]: only the Results window, for FOLDER or the current folder.
    std::optional<QString> resultsFolder;

    static CommandLine parse(const QStringList& arguments);
};
