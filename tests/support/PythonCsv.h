#pragma once

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>
#include <QtDebug>

// The exporter's CSV files as Python's csv module reads them (strict), for tests that check that
// R and pandas users get what was written.
namespace PythonCsv {
// What Python's csv module makes of the export: per file, its header and rows.
inline QJsonObject readWithPython(const QString& folder) {
    const char* script = R"(
import csv, json, sys, os
out = {}
for name in ["games", "periods", "samples", "decisions", "frames"]:
    with open(os.path.join(sys.argv[1], name + ".csv"), newline="", encoding="utf-8") as f:
        rows = list(csv.reader(f, strict=True))
    out[name] = {"header": rows[0], "rows": rows[1:]}
print(json.dumps(out))
)";
    QProcess python;
    python.start("python3", {"-c", script, folder});
    if (!python.waitForFinished(60000) || python.exitCode() != 0) {
        qWarning() << python.readAllStandardError();
        return {};
    }
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

inline QList<QStringList> rowsOf(const QJsonObject& csv, const QString& name) {
    QList<QStringList> rows;
    for (const QJsonValue row : csv[name].toObject()["rows"].toArray()) {
        rows.append(row.toVariant().toStringList());
    }
    return rows;
}

inline int column(const QJsonObject& csv, const QString& name, const QString& header) {
    return csv[name].toObject()["header"].toVariant().toStringList().indexOf(header);
}

// The cell of a row under a header, or a text saying why there is none.
inline QString cell(const QJsonObject& csv, const QString& name, const QStringList& row, const QString& header) {
    const int at = column(csv, name, header);
    return at >= 0 && at < row.size() ? row[at] : QString("<no %1 in %2>").arg(header, name);
}
} // namespace PythonCsv
