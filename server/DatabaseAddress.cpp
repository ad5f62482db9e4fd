#include "server/DatabaseAddress.h"

#include <QUrl>
#include <QUrlQuery>

namespace {
// libpq's quoting of a connection option's value.
QString quotedOption(QString value) {
    value.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    value.replace(QLatin1Char('\''), QLatin1String("\\'"));
    return QLatin1Char('\'') + value + QLatin1Char('\'');
}

bool optionName(const QString& key) {
    if (key.isEmpty()) {
        return false;
    }
    for (QChar c : key) {
        if (!(c.isLower() || c == QLatin1Char('_')) || c.unicode() > 127) {
            return false;
        }
    }
    return true;
}
} // namespace

bool isPostgresSpec(const QString& spec) {
    return spec.startsWith(QLatin1String("postgresql://")) || spec.startsWith(QLatin1String("postgres://"));
}

bool parsePostgresAddress(const QString& spec, PostgresAddress* address, QString* error) {
    // The address is never echoed: it may hold a password.
    const QUrl url(spec, QUrl::StrictMode);
    if (!url.isValid() || (url.scheme() != QLatin1String("postgresql") && url.scheme() != QLatin1String("postgres"))) {
        *error = spec.contains(QLatin1String("%2F"), Qt::CaseInsensitive)
                     ? QStringLiteral("The database address is not a valid URL; give a Unix-socket folder as "
                                      "postgresql://user@/dbname?host=/folder.")
                     : QStringLiteral("The database address is not a valid postgresql:// URL.");
        return false;
    }
    *address = PostgresAddress();
    address->user = url.userName(QUrl::FullyDecoded);
    address->password = url.password(QUrl::FullyDecoded);
    address->host = url.host(QUrl::FullyDecoded);
    address->port = url.port(-1);
    address->database = url.path(QUrl::FullyDecoded).mid(1);
    if (address->database.isEmpty() || address->database.contains(QLatin1Char('/'))) {
        *error = QStringLiteral("The database address names no database (postgresql://user@host:port/dbname).");
        return false;
    }
    QStringList options;
    const QUrlQuery query(url);
    for (const auto& [key, value] : query.queryItems(QUrl::FullyDecoded)) {
        if (key == QLatin1String("host")) {
            address->host = value;
        } else if (key == QLatin1String("port") || key == QLatin1String("user") ||
                   key == QLatin1String("dbname")) {
            *error = QStringLiteral("Give %1 in the address itself, not as ?%1=.").arg(key);
            return false;
        } else if (key == QLatin1String("password")) {
            *error = QStringLiteral("Give the database password in --db-password-file, PGPASSWORD or ~/.pgpass, "
                                    "not as ?password=.");
            return false;
        } else if (!optionName(key) || value.contains(QLatin1Char(';'))) {
            *error = QStringLiteral("The database address has an unknown option \"%1\".").arg(key.left(40));
            return false;
        } else {
            options.append(key + QLatin1Char('=') + quotedOption(value));
        }
    }
    if (!query.hasQueryItem(QStringLiteral("connect_timeout"))) {
        // A host that does not answer must not hold the server for the system's TCP time-out.
        options.append(QStringLiteral("connect_timeout=5"));
    }
    address->connectOptions = options.join(QLatin1Char(';'));
    return true;
}

QString displayedDatabase(const QString& spec) {
    if (!isPostgresSpec(spec)) {
        return spec;
    }
    const QUrl url(spec, QUrl::StrictMode);
    return url.isValid() ? url.toString(QUrl::RemovePassword) : QStringLiteral("(an invalid postgresql:// address)");
}
