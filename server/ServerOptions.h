#pragma once

#include "server/ScoreServer.h"

#include <QStringList>

// The command line of vazazo-server. Returns false with a message in error on bad arguments;
// help is set (and true returned) for --help, with the usage text in usage.
bool parseServerOptions(const QStringList& arguments, ServerConfig* config, bool* help, QString* usage,
                        QString* error);
