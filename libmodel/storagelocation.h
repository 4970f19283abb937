#pragma once

#include <QString>
#include <QStringList>

namespace LibModel {

// Where the database is: a local SQLite file (any text that is not a URI)
// or a PostgreSQL server given as a libpq connection URI,
// "postgresql://[user@][host][:port]/dbname[?key=value&...]" ("postgres://"
// too; "postgresql:///dbname?host=/socket/dir" for a local socket).
// Passwords come from the PostgreSQL password file or the environment, as
// for every libpq client: an address with a password is refused, so that
// none ends up in the settings, a command line or a log.
class StorageLocation
{
public:
    enum Engine { None, SQLite, PostgreSQL };

    StorageLocation() = default;
    // A file path or a URI; an invalid location (see error()) for a
    // malformed URI or an empty text.
    static StorageLocation parse(const QString &text);
    static StorageLocation file(const QString &path);

    bool isValid() const { return m_engine != None; }
    bool isServer() const { return m_engine == PostgreSQL; }
    // Why the text is not a location; empty for a valid one.
    QString error() const { return m_error; }

    // The location as it can be shown and stored: the file path or the URI.
    QString text() const;

    QString filePath() const { return m_path; }
    QString host() const { return m_host; } // a name, an address or a socket folder; may be empty
    int port() const { return m_port; } // -1: libpq's default
    QString user() const { return m_user; }
    QString databaseName() const { return m_database; }
    // The URI's other parameters as "key=value" pairs, for the driver's
    // connect options (sslmode, connect_timeout, ...).
    QStringList options() const { return m_options; }

    // The outbox folder of sessions waiting for this database: for a file
    // "<file>.pending" beside it, for a server "pending-<host>-<dbname>" in
    // dataFolder, with characters unsafe in a file name replaced.
    QString outboxFolder(const QString &dataFolder) const;

    bool operator==(const StorageLocation &other) const;
    bool operator!=(const StorageLocation &other) const { return !(*this == other); }

private:
    Engine m_engine = None;
    QString m_error;
    QString m_path;
    QString m_host;
    int m_port = -1;
    QString m_user;
    QString m_database;
    QStringList m_options;
};

} // namespace LibModel
