#pragma once

#include <QString>

#include <optional>

// "host" or "host:port" ("[v6 address]:port" too); a bare host means defaultPort.
struct ServerAddress {
    QString host;
    quint16 port = 0;

    static std::optional<ServerAddress> parse(const QString& text, quint16 defaultPort);
    QString toString() const;
};
