#include "net/ServerAddress.h"

#include <QRegularExpression>

std::optional<ServerAddress> ServerAddress::parse(const QString& text, quint16 defaultPort) {
    static const QRegularExpression form(R"(^\s*(?:\[([0-9A-Fa-f:.]+)\]|([A-Za-z0-9._-]+))(?::(\d{1,5}))?\s*$)");
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    ServerAddress address;
    address.host = match.captured(1).isEmpty() ? match.captured(2) : match.captured(1);
    address.port = defaultPort;
    if (match.hasCaptured(3) && !match.captured(3).isEmpty()) {
        const int port = match.captured(3).toInt();
        if (port < 1 || port > 65535) {
            return std::nullopt;
        }
        address.port = static_cast<quint16>(port);
    }
    return address;
}

QString ServerAddress::toString() const {
    const QString shownHost = host.contains(':') ? "[" + host + "]" : host;
    return shownHost + ":" + QString::number(port);
}

std::optional<PageAddress> PageAddress::parse(const QString& text) {
    static const QRegularExpression scheme(R"(^\s*(https?)://([^/]*)/?\s*$)",
                                           QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = scheme.match(text);
    PageAddress page;
    page.https = match.hasMatch() && match.captured(1).compare("https", Qt::CaseInsensitive) == 0;
    const std::optional<ServerAddress> address =
        ServerAddress::parse(match.hasMatch() ? match.captured(2) : text, page.https ? httpsPort : httpPort);
    if (!address) {
        return std::nullopt;
    }
    page.address = *address;
    return page;
}
