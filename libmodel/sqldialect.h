#pragma once

#include "storagelocation.h"

#include <QString>
#include <QStringList>

class QSqlDatabase;
class QSqlError;
class QSqlQuery;

namespace LibModel {

// Everything in which the two engines the storage runs on differ: making
// the connection (a SQLite file, or a PostgreSQL server through libpq),
// the wait on another connection's lock, where the schema version is kept,
// how a new row's id comes back, the transaction that makes a person, the
// ordering of texts, and what a driver's error means for a person and for
// the connection. The queries themselves are written once, in SQL both
// engines read the same way.
class SqlDialect
{
public:
    enum Failure {
        NoFailure,
        Busy, // another connection holds a lock
        ReadOnly,
        Full,
        ConnectionLost, // the file or the server went away: connect anew
        Unreachable, // no server answers at that address
        UnknownHost,
        AuthenticationFailed,
        NoDatabase,
        NoPrivilege, // the server's role may not do that
        Duplicate, // a unique key is taken
        NotOurs, // not a database, or one of another program
        Other,
    };

    explicit SqlDialect(const StorageLocation &location = StorageLocation());

    const StorageLocation &location() const { return m_location; }
    bool isServer() const { return m_location.isServer(); }

    // Adds the named connection (not opened yet) for the location. A busy
    // timeout below zero leaves the engine's default (5 s); extraOptions are
    // driver connect options kept from an earlier connection.
    QSqlDatabase addConnection(const QString &name, int busyTimeout,
                               const QString &extraOptions = QString()) const;
    // Runs the statements in order; false at the first that fails (its
    // error is the query's).
    static bool execAll(QSqlQuery &query, const QStringList &statements);
    // Applies the busy timeout to an open connection; the error when it
    // cannot (none: invalid).
    QSqlError applyBusyTimeout(QSqlDatabase &db, int busyTimeout) const;

    // The stored schema version: 0 for an empty database, -1 when it cannot
    // be read (*failure tells why: NotOurs for another program's database;
    // *detail gives the driver's words).
    int storedVersion(const QSqlDatabase &db, Failure *failure, QString *detail = nullptr) const;
    QString setVersionStatement(int version) const;
    // Opens a write transaction in which the schema is read and changed by
    // one connection at a time.
    QStringList beginSchemaChange() const;
    // Opens a write transaction in which a person is looked up and added
    // by one connection at a time, so that two connections adding the same
    // person at once make one.
    QStringList beginPersonCreation() const;

    // An INSERT statement (without a trailing ';') that gives the new row's
    // key column back; insertedId() reads it after exec().
    QString insertReturningKey(const QString &insert, const char *key) const;
    qint64 insertedId(QSqlQuery &query) const;
    // A column in an ORDER BY, compared as plain characters on both engines.
    QString byCharacters(const char *column) const;

    // Runs a SELECT and gives its rows (NULL as an invalid QVariant, BIGINT
    // and INTEGER as qint64, blobs as QByteArray, texts as QString). On a
    // server the rows come in the protocol's binary form: the driver's text
    // form sends every blob as hex, encoded by the server and decoded here,
    // which doubles the time to read a session. False with the driver's
    // words in *error when it fails.
    bool selectRows(const QSqlDatabase &db, const QString &statement, QList<QVariantList> *rows,
                    QSqlError *error) const;

    Failure classify(const QSqlError &error) const;
    // The error as a person can act on it, with the driver's own words.
    QString describe(const QSqlError &error) const;
    QString describe(Failure failure, const QString &detail) const;
    // Whether the connection must be made anew before it is used again.
    static bool needsReconnect(Failure failure);

private:
    QString serverName() const;

    StorageLocation m_location;
};

} // namespace LibModel
