#pragma once

#include <QStringList>

#include <optional>

// vazazo-server --export DIR [--db SPEC]: the stored games as the CSV files vazazo-export writes,
// read by the same library. Nothing when the arguments ask for no export; otherwise the exit code.
std::optional<int> runExportIfAsked(const QStringList& arguments);
