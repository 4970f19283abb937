#include "storagelocation.h"
#include "sessionoutbox.h"

#include <QDir>
#include <QRegularExpression>
#include <QUrl>
#include <QUrlQuery>

namespace LibModel {

namespace {

bool isUri(const QString &text)
{
    return text.startsWith(QLatin1String("postgresql:"), Qt::CaseInsensitive)
            || text.startsWith(QLatin1String("postgres:"), Qt::CaseInsensitive)
            || text.contains(QLatin1String("://"));
}

// Connect options reach libpq as "key=value" words: a value with a space,
// a quote, a backslash or a semicolon would run into the next one.
bool safeOptionValue(const QString &value)
{
    static const QRegularExpression unsafe(QStringLiteral("[\\s'\"\\\\;]"));
    return !value.contains(unsafe);
}

QString fileNameSafe(QString text)
{
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9._-]"));
    text.replace(unsafe, QStringLiteral("_"));
    return text;
}

} // namespace

StorageLocation StorageLocation::file(const QString &path)
{
    StorageLocation location;
    if (path.trimmed().isEmpty()) {
        location.m_error = QStringLiteral("no database given");
        return location;
    }
    location.m_engine = SQLite;
    location.m_path = path;
    return location;
}

StorageLocation StorageLocation::parse(const QString &text)
{
    if (!isUri(text))
        return file(text);

    StorageLocation location;
    const auto fail = [&location](const QString &why) {
        location = StorageLocation();
        location.m_error = why;
        return location;
    };
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("postgresql") && scheme != QLatin1String("postgres"))
        return fail(QStringLiteral("not a database address: a file path or "
                                   "postgresql://[user@]host[:port]/dbname is expected"));
    if (!url.isValid())
        return fail(QStringLiteral("a malformed database address: %1").arg(url.errorString()));
    if (!url.fragment().isEmpty())
        return fail(QStringLiteral("a malformed database address: '#' has no place in it"));

    location.m_engine = PostgreSQL;
    location.m_host = url.host(QUrl::FullyDecoded);
    location.m_port = url.port(-1);
    location.m_user = url.userName(QUrl::FullyDecoded);
    if (!url.password().isEmpty())
        return fail(QStringLiteral("a password does not belong in the database address: put it "
                                   "in the PostgreSQL password file (~/.pgpass) or PGPASSWORD"));
    QString database = url.path(QUrl::FullyDecoded);
    if (database.startsWith(QLatin1Char('/')))
        database.remove(0, 1);
    location.m_database = database;

    const QUrlQuery query(url);
    for (const auto &[key, value] : query.queryItems(QUrl::FullyDecoded)) {
        if (key == QLatin1String("host")) {
            location.m_host = value;
        } else if (key == QLatin1String("port")) {
            bool ok = false;
            location.m_port = value.toInt(&ok);
            if (!ok || location.m_port <= 0 || location.m_port > 65535)
                return fail(QStringLiteral("a malformed database address: the port %1").arg(value));
        } else if (key == QLatin1String("user")) {
            location.m_user = value;
        } else if (key == QLatin1String("password")) {
            return fail(QStringLiteral("a password does not belong in the database address: put "
                                       "it in the PostgreSQL password file (~/.pgpass) or "
                                       "PGPASSWORD"));
        } else if (key == QLatin1String("dbname")) {
            location.m_database = value;
        } else {
            static const QRegularExpression name(QStringLiteral("^[a-z_]+$"));
            if (!name.match(key).hasMatch() || !safeOptionValue(value))
                return fail(
                        QStringLiteral("a malformed database address: the parameter %1").arg(key));
            location.m_options.append(key + QLatin1Char('=') + value);
        }
    }
    if (location.m_database.isEmpty() || location.m_database.contains(QLatin1Char('/')))
        return fail(QStringLiteral("a malformed database address: no database name"));
    return location;
}

QString StorageLocation::text() const
{
    if (m_engine != PostgreSQL)
        return m_path;
    QUrl url;
    url.setScheme(QStringLiteral("postgresql"));
    // A socket folder goes into the query, as libpq writes it.
    const bool socket = m_host.startsWith(QLatin1Char('/'));
    if (!socket)
        url.setHost(m_host.isEmpty() ? QString() : m_host);
    url.setUserName(m_user);
    if (m_port > 0 && !socket)
        url.setPort(m_port);
    url.setPath(QLatin1Char('/') + m_database);
    QUrlQuery query;
    if (socket) {
        query.addQueryItem(QStringLiteral("host"), m_host);
        if (m_port > 0)
            query.addQueryItem(QStringLiteral("port"), QString::number(m_port));
    }
    for (const QString &option : m_options)
        query.addQueryItem(option.section(QLatin1Char('='), 0, 0),
                           option.section(QLatin1Char('='), 1));
    if (!query.isEmpty())
        url.setQuery(query);
    QString text = url.toString(QUrl::FullyEncoded);
    // QUrl writes "postgresql:/db" for an empty authority; libpq wants "///".
    if (url.authority().isEmpty())
        text.replace(0, QStringLiteral("postgresql:").size(), QStringLiteral("postgresql://"));
    return text;
}

QString StorageLocation::outboxFolder(const QString &dataFolder) const
{
    if (m_engine != PostgreSQL)
        return SessionOutbox::folderFor(m_path);
    const QString host = m_host.isEmpty() ? QStringLiteral("localhost") : m_host;
    return dataFolder + QStringLiteral("/pending-") + fileNameSafe(host) + QLatin1Char('-')
            + fileNameSafe(m_database);
}

bool StorageLocation::operator==(const StorageLocation &other) const
{
    return m_engine == other.m_engine && m_path == other.m_path && m_host == other.m_host
            && m_port == other.m_port && m_user == other.m_user && m_database == other.m_database
            && m_options == other.m_options;
}

} // namespace LibModel
