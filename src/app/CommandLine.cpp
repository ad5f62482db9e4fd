#include "app/CommandLine.h"

#include "game/GameReport.h"
#include "net/ServerAddress.h"

#include <QCommandLineParser>
#include <QDir>

namespace {
constexpr int usageError = 2;
} // namespace

CommandLine CommandLine::parse(const QStringList& arguments) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Vazazo: a shooting game that records statistics of play for research.\n"
        "Steer the paddle with the mouse and shoot with the left button or Space; N starts a game.\n"
        "Writes statistics and screenshots to the current folder and reads its data files from there,\n"
        "or from the installed ones when the folder has none.");
    const QCommandLineOption help({"h", "help"}, "Shows this help and exits.");
    const QCommandLineOption version({"v", "version"}, "Shows the version and exits.");
    parser.addOption(help);
    parser.addOption(version);
    const QCommandLineOption server("server",
                                    "Uses the score and collection server whose page HOST serves on PORT "
                                    "(80 when left out; https://HOST[:PORT] over HTTPS, 443), instead of the "
                                    "one in the settings, for this run.",
                                    "HOST[:PORT]");
    parser.addOption(server);
    const QCommandLineOption userFolder("user-folder",
                                        "Works in the folder Vazazo in the home folder, made when missing, "
                                        "instead of the current folder (as the menu entry does).");
    parser.addOption(userFolder);
    const QCommandLineOption results("results",
                                     "Shows only the Results window with the games saved in FOLDER (the current "
                                     "folder when left out).");
    parser.addOption(results);
    parser.addPositionalArgument("FOLDER", "With --results: the folder with saved games.", "[FOLDER]");
    // Qt's own options (-platform offscreen, -style Fusion, ...) are taken by the application object.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const char* name : {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
                             "qwindowicon", "qwindowtitle", "style", "stylesheet", "display", "geometry", "title",
                             "name"}) {
        QCommandLineOption option(name, {}, "value");
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char* name : {"reverse", "nograb", "dograb", "sync", "widgetcount"}) {
        QCommandLineOption option(name);
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }

    CommandLine result;
    const QString program = arguments.isEmpty() ? QString("vazazo") : arguments.first();
    if (!parser.parse(arguments)) {
        result.exitCode = usageError;
        result.output = QString("%1: %2\nTry '%1 --help' for the options.\n").arg(program, parser.errorText());
    } else if (parser.positionalArguments().size() > (parser.isSet(results) ? 1 : 0)) {
        result.exitCode = usageError;
        result.output = QString("%1: unexpected argument '%2'\nTry '%1 --help' for the options.\n")
                            .arg(program, parser.positionalArguments().first());
    } else if (parser.isSet(help)) {
        result.exitCode = 0;
        result.output = QString("Usage: %1 [options]\n%2").arg(program, parser.helpText().section('\n', 1));
    } else if (parser.isSet(version)) {
        result.exitCode = 0;
        result.output = QString("Vazazo %1\n").arg(GameReport::versionText());
    } else if (parser.isSet(results)) {
        result.resultsFolder = parser.positionalArguments().value(0, ".");
    } else if (parser.isSet(server)) {
        result.scoreServer = parser.value(server).trimmed();
        if (!PageAddress::parse(result.scoreServer)) {
            result.exitCode = usageError;
            result.output =
                QString("%1: --server needs HOST[:PORT] or https://HOST[:PORT], not '%2'\nTry '%1 "
                        "--help' for the options.\n")
                    .arg(program, result.scoreServer);
            result.scoreServer.clear();
        }
    }
    result.inUserFolder = !result.exitCode && parser.isSet(userFolder);
    return result;
}

QString CommandLine::userFolder() {
    return QDir::home().filePath("Vazazo");
}

std::optional<QString> CommandLine::enterFolder(const QString& folder) {
    if (!QDir().mkpath(folder) || !QDir::setCurrent(folder)) {
        return QString("Cannot work in the folder %1: it cannot be made or entered.")
            .arg(QDir::toNativeSeparators(folder));
    }
    return std::nullopt;
}
