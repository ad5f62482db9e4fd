#include "app/CVazazoApp.h"
#include "app/CommandLine.h"
#include "core/FatalError.h"

#include <cstdio>

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    const CommandLine commandLine = CommandLine::parse(arguments);
    if (commandLine.exitCode) {
        std::fputs(commandLine.output.toLocal8Bit().constData(), *commandLine.exitCode == 0 ? stdout : stderr);
        return *commandLine.exitCode;
    }
    CVazazoApp app(argc, argv);
    if (commandLine.inUserFolder) {
        if (const std::optional<QString> error = CommandLine::enterFolder(CommandLine::userFolder())) {
            FatalError::exitWith(*error);
            return 1;
        }
    }
    if (commandLine.resultsFolder) {
        return app.runResults(*commandLine.resultsFolder);
    }
    return app.run(commandLine.scoreServer);
}
