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

// The score server setting: where the discovery page is. "host[:port]" or "http://host[:port]"
// fetch it over HTTP (port 80), "https://host[:port]" over HTTPS (port 443).
struct PageAddress {
    static constexpr quint16 httpPort = 80;
    static constexpr quint16 httpsPort = 443;

    ServerAddress address;
    bool https = false;

    static std::optional<PageAddress> parse(const QString& text);
};
