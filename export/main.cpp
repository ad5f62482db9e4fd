// vazazo-export: the games in one or more working folders as CSV files for R and pandas.
#include "records/GameReading.h"
#include "records/TidyExport.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QTextStream>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("vazazo-export");
    QCoreApplication::setApplicationVersion("1.73");
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Writes the games saved in the folders as games.csv, periods.csv, samples.csv, decisions.csv and "
        "frames.csv. Exits with 1 when a file does not match its record's checksum (its rows are written and "
        "flagged), with 2 when the export cannot be written.");
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption({"out", "Write the CSV files into DIR (default: the current folder).", "DIR", "."});
    parser.addPositionalArgument("FOLDER", "A folder with saved games.", "FOLDER...");
    parser.process(app);
    QTextStream err(stderr);
    const QStringList folders = parser.positionalArguments();
    if (folders.isEmpty()) {
        err << "vazazo-export: name at least one folder\n";
        parser.showHelp(2);
    }
    TidyExport exporter{QDir(parser.value("out"))};
    QString error;
    if (!exporter.open(&error)) {
        err << "vazazo-export: " << error << '\n';
        return 2;
    }
    int damaged = 0;
    for (const QString& name : folders) {
        const QDir folder(name);
        if (!folder.exists()) {
            err << "vazazo-export: no folder " << name << '\n';
            ++damaged;
            continue;
        }
        exporter.addFolder(folder, [&](const GameReading::Game& game) {
            for (const QString& problem : game.problems) {
                err << folder.path() << ": " << problem << '\n';
            }
            damaged += game.damaged() ? 1 : 0;
        });
    }
    if (!exporter.finish(&error)) {
        err << "vazazo-export: " << error << '\n';
        return 2;
    }
    QTextStream(stdout) << exporter.games() << " games exported, " << exporter.mismatches()
                        << " with files that do not match their checksums, " << damaged << " with problems (listed above)\n";
    return exporter.mismatches() > 0 ? 1 : 0;
}
