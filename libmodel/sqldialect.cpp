#include "sqldialect.h"

#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariant>
#include <QtEndian>

#include <libpq-fe.h>

#include <algorithm>
#include <cstring>

namespace LibModel {

namespace {

constexpr int DefaultBusyTimeout = 5000; // ms, as SQLite's driver waits
constexpr int DefaultConnectTimeout = 5; // s: an address nobody answers at fails soon
// Any number of the program's own: the key of the lock held while the
// schema is made or upgraded.
constexpr qint64 SchemaLockKey = 0x4b56524f;

QString optionName(const QString &option)
{
    return option.section(QLatin1Char('='), 0, 0).trimmed();
}

bool containsAny(const QString &text, std::initializer_list<const char *> parts)
{
    for (const char *part : parts) {
        if (text.contains(QLatin1String(part), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

SqlDialect::Failure classifySqlite(const QSqlError &error)
{
    enum {
        BusyCode = 5,
        LockedCode = 6,
        ReadOnlyCode = 8,
        IoErrorCode = 10,
        FullCode = 13,
        CannotOpenCode = 14,
        ConstraintCode = 19,
        NotADatabaseCode = 26
    };
    const int extended = error.nativeErrorCode().toInt();
    switch (extended & 0xff) {
    case BusyCode:
    case LockedCode:
        return SqlDialect::Busy;
    case ReadOnlyCode:
        return SqlDialect::ReadOnly;
    case FullCode:
        return SqlDialect::Full;
    case IoErrorCode:
    case CannotOpenCode:
        return SqlDialect::ConnectionLost;
    case ConstraintCode:
        // Unique and primary key violations; other constraints are plain failures.
        return extended == 2067 || extended == 1555 ? SqlDialect::Duplicate : SqlDialect::Other;
    case NotADatabaseCode:
        return SqlDialect::NotOurs;
    default:
        return SqlDialect::Other;
    }
}

SqlDialect::Failure classifyPostgres(const QSqlError &error)
{
    const QString state = error.nativeErrorCode();
    if (state == QLatin1String("28P01") || state == QLatin1String("28000"))
        return SqlDialect::AuthenticationFailed;
    if (state == QLatin1String("3D000"))
        return SqlDialect::NoDatabase;
    if (state.startsWith(QLatin1String("08")) || state.startsWith(QLatin1String("57P")))
        return SqlDialect::ConnectionLost;
    if (state == QLatin1String("55P03") || state == QLatin1String("40P01")
        || state == QLatin1String("40001"))
        return SqlDialect::Busy;
    if (state == QLatin1String("25006"))
        return SqlDialect::ReadOnly;
    if (state == QLatin1String("53100"))
        return SqlDialect::Full;
    if (state == QLatin1String("23505"))
        return SqlDialect::Duplicate;
    if (state == QLatin1String("42501"))
        return SqlDialect::NoPrivilege;
    if (!state.isEmpty())
        return SqlDialect::Other;

    // Failures of the connection itself come without a state: libpq's words.
    const QString text = error.databaseText() + QLatin1Char(' ') + error.driverText();
    if (containsAny(text,
                    {"password authentication failed", "no password supplied",
                     "authentication failed"}))
        return SqlDialect::AuthenticationFailed;
    if (containsAny(text,
                    {"could not translate host name", "Name or service not known",
                     "nodename nor servname"}))
        return SqlDialect::UnknownHost;
    if (text.contains(QLatin1String("database \""))
        && text.contains(QLatin1String("does not exist")))
        return SqlDialect::NoDatabase;
    if (containsAny(text,
                    {"server closed the connection", "no connection to the server",
                     "terminating connection", "connection to server was lost",
                     "could not send data to server", "could not receive data"}))
        return SqlDialect::ConnectionLost;
    if (containsAny(text,
                    {"Connection refused", "No such file or directory", "timeout expired",
                     "could not connect", "Unable to connect", "No route to host"}))
        return SqlDialect::Unreachable;
    return SqlDialect::Other;
}

} // namespace

SqlDialect::SqlDialect(const StorageLocation &location)
    : m_location(location)
{ }

QSqlDatabase SqlDialect::addConnection(const QString &name, int busyTimeout,
                                       const QString &extraOptions) const
{
    if (!isServer()) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(m_location.filePath());
        QStringList options = extraOptions.split(QLatin1Char(';'), Qt::SkipEmptyParts);
        if (busyTimeout >= 0) {
            options.removeIf([](const QString &option) {
                return optionName(option) == QLatin1String("QSQLITE_BUSY_TIMEOUT");
            });
            options.append(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(busyTimeout));
        }
        db.setConnectOptions(options.join(QLatin1Char(';')));
        return db;
    }

    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    db.setHostName(m_location.host());
    if (m_location.port() > 0)
        db.setPort(m_location.port());
    db.setUserName(m_location.user());
    db.setDatabaseName(m_location.databaseName());
    QStringList options = m_location.options();
    const bool timeoutGiven = std::any_of(options.cbegin(), options.cend(), [](const QString &o) {
        return optionName(o) == QLatin1String("connect_timeout");
    });
    if (!timeoutGiven)
        options.append(QStringLiteral("connect_timeout=%1").arg(DefaultConnectTimeout));
    db.setConnectOptions(options.join(QLatin1Char(';')));
    return db;
}

bool SqlDialect::execAll(QSqlQuery &query, const QStringList &statements)
{
    for (const QString &statement : statements) {
        if (!query.exec(statement))
            return false;
    }
    return true;
}

QSqlError SqlDialect::applyBusyTimeout(QSqlDatabase &db, int busyTimeout) const
{
    QSqlQuery query(db);
    bool applied = true;
    if (!isServer()) {
        applied = busyTimeout < 0
                || query.exec(QStringLiteral("PRAGMA busy_timeout=%1;").arg(busyTimeout));
    } else {
        // PostgreSQL reads 0 as "wait for ever": no wait at all is the shortest one.
        const int msecs = busyTimeout < 0 ? DefaultBusyTimeout : qMax(1, busyTimeout);
        applied = query.exec(QStringLiteral("SET lock_timeout = %1;").arg(msecs));
    }
    return applied ? QSqlError() : query.lastError();
}

int SqlDialect::storedVersion(const QSqlDatabase &db, Failure *failure, QString *detail) const
{
    *failure = NoFailure;
    QSqlQuery query(db);
    const auto scalar = [&](const QString &statement) -> QVariant {
        if (!query.exec(statement) || !query.next()) {
            *failure = classify(query.lastError());
            if (*failure == NoFailure)
                *failure = Other;
            if (detail)
                *detail = query.lastError().text().trimmed();
            return QVariant();
        }
        return query.value(0);
    };
    QVariant version;
    QVariant tables;
    if (!isServer()) {
        version = scalar(QStringLiteral("PRAGMA user_version;"));
        if (version.isValid() && version.toInt() == 0)
            tables = scalar(QStringLiteral("SELECT COUNT(*) FROM sqlite_master WHERE type='table' "
                                           "AND name NOT LIKE 'sqlite!_%' ESCAPE '!';"));
    } else {
        const QVariant ours
                = scalar(QStringLiteral("SELECT to_regclass('kavro_schema') IS NOT NULL;"));
        if (ours.isValid() && ours.toBool()) {
            version = scalar(QStringLiteral("SELECT MAX(version) FROM kavro_schema;"));
            if (version.isValid() && version.isNull()) {
                *failure = NotOurs;
                return -1;
            }
        } else if (ours.isValid()) {
            version = 0;
            tables = scalar(QStringLiteral(
                    "SELECT COUNT(*) FROM pg_catalog.pg_tables WHERE schemaname NOT IN "
                    "('pg_catalog', 'information_schema');"));
        }
    }
    if (*failure != NoFailure)
        return -1;
    if (tables.isValid() && tables.toLongLong() > 0) {
        *failure = NotOurs;
        return -1;
    }
    return version.toInt();
}

QString SqlDialect::setVersionStatement(int version) const
{
    return isServer() ? QStringLiteral("UPDATE kavro_schema SET version=%1;").arg(version)
                      : QStringLiteral("PRAGMA user_version=%1;").arg(version);
}

QStringList SqlDialect::beginSchemaChange() const
{
    if (!isServer())
        return {QStringLiteral("BEGIN IMMEDIATE;")};
    return {QStringLiteral("BEGIN;"),
            QStringLiteral("SELECT pg_advisory_xact_lock(%1);").arg(SchemaLockKey)};
}

QStringList SqlDialect::beginPersonCreation() const
{
    if (!isServer())
        return {QStringLiteral("BEGIN IMMEDIATE;")};
    // Readers go on; a second writer of persons waits until the first commits.
    return {QStringLiteral("BEGIN;"),
            QStringLiteral("LOCK TABLE persons IN SHARE ROW EXCLUSIVE MODE;")};
}

QString SqlDialect::insertReturningKey(const QString &insert, const char *key) const
{
    if (!isServer())
        return insert;
    return insert + QStringLiteral(" RETURNING ") + QLatin1String(key);
}

qint64 SqlDialect::insertedId(QSqlQuery &query) const
{
    if (!isServer())
        return query.lastInsertId().toLongLong();
    return query.next() ? query.value(0).toLongLong() : 0;
}

QString SqlDialect::byCharacters(const char *column) const
{
    return isServer() ? QLatin1String(column) + QStringLiteral(" COLLATE \"C\"")
                      : QLatin1String(column);
}

bool SqlDialect::selectRows(const QSqlDatabase &db, const QString &statement,
                            QList<QVariantList> *rows, QSqlError *error) const
{
    rows->clear();
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    // The driver names the handle's type after the struct behind PGconn.
    const bool binary = isServer()
            && (qstrcmp(handle.typeName(), "PGconn*") == 0
                || qstrcmp(handle.typeName(), "pg_conn*") == 0);
    if (!binary) {
        QSqlQuery query(db);
        query.setForwardOnly(true);
        if (!query.exec(statement)) {
            *error = query.lastError();
            return false;
        }
        const int columns = query.record().count();
        while (query.next()) {
            QVariantList row;
            for (int c = 0; c < columns; ++c)
                row.append(query.value(c));
            rows->append(row);
        }
        return true;
    }

    // The type oids of the server's built-in types.
    enum {
        ByteaOid = 17,
        Int8Oid = 20,
        Int2Oid = 21,
        Int4Oid = 23,
        TextOid = 25,
        Float8Oid = 701,
        VarcharOid = 1043
    };
    PGconn *connection = *static_cast<PGconn *const *>(handle.constData());
    PGresult *result = PQexecParams(connection, statement.toUtf8().constData(), 0, nullptr, nullptr,
                                    nullptr, nullptr, 1);
    const auto fail = [&](const QString &text) {
        // With the state the server gave, so that it is classified as the
        // driver's errors are; a broken connection reads as one.
        const bool lost = PQstatus(connection) != CONNECTION_OK;
        *error = QSqlError(QStringLiteral("cannot read"), text,
                           lost ? QSqlError::ConnectionError : QSqlError::StatementError,
                           QString::fromLatin1(PQresultErrorField(result, PG_DIAG_SQLSTATE)));
        PQclear(result);
        return false;
    };
    if (PQresultStatus(result) != PGRES_TUPLES_OK)
        return fail(QString::fromUtf8(PQresultErrorMessage(result)).trimmed());
    const int columns = PQnfields(result);
    for (int r = 0, count = PQntuples(result); r < count; ++r) {
        QVariantList row;
        for (int c = 0; c < columns; ++c) {
            if (PQgetisnull(result, r, c)) {
                row.append(QVariant());
                continue;
            }
            const char *value = PQgetvalue(result, r, c);
            const int length = PQgetlength(result, r, c);
            switch (PQftype(result, c)) {
            case ByteaOid:
                row.append(QByteArray(value, length));
                break;
            case TextOid:
            case VarcharOid:
                row.append(QString::fromUtf8(value, length));
                break;
            case Int8Oid:
            case Int4Oid:
            case Int2Oid:
                if (length != 8 && length != 4 && length != 2)
                    return fail(QStringLiteral("an integer of %1 bytes").arg(length));
                row.append(length == 8           ? qFromBigEndian<qint64>(value)
                                   : length == 4 ? qint64(qFromBigEndian<qint32>(value))
                                                 : qint64(qFromBigEndian<qint16>(value)));
                break;
            case Float8Oid: {
                if (length != 8)
                    return fail(QStringLiteral("a real of %1 bytes").arg(length));
                const quint64 bits = qFromBigEndian<quint64>(value);
                double number = 0;
                std::memcpy(&number, &bits, sizeof number);
                row.append(number);
                break;
            }
            default:
                return fail(QStringLiteral("a column of type %1 in binary form")
                                    .arg(PQftype(result, c)));
            }
        }
        rows->append(row);
    }
    PQclear(result);
    return true;
}

SqlDialect::Failure SqlDialect::classify(const QSqlError &error) const
{
    if (error.type() == QSqlError::NoError)
        return NoFailure;
    return isServer() ? classifyPostgres(error) : classifySqlite(error);
}

bool SqlDialect::needsReconnect(Failure failure)
{
    return failure == ReadOnly || failure == ConnectionLost || failure == Unreachable;
}

QString SqlDialect::serverName() const
{
    QString host = m_location.host();
    if (host.isEmpty())
        host = QStringLiteral("localhost");
    if (m_location.port() > 0 && !host.startsWith(QLatin1Char('/')))
        host += QLatin1Char(':') + QString::number(m_location.port());
    return host;
}

QString SqlDialect::describe(const QSqlError &error) const
{
    // The server's own words, on one line; the driver's are only a fallback
    // ("Unable to connect" says nothing more).
    const QString detail
            = error.databaseText().isEmpty() ? error.driverText() : error.databaseText();
    return describe(classify(error), detail.simplified());
}

QString SqlDialect::describe(Failure failure, const QString &detail) const
{
    QString what;
    switch (failure) {
    case NoFailure:
        return QString();
    case Busy:
        what = QStringLiteral("the database is busy with another connection's write; try again");
        break;
    case ReadOnly:
        what = QStringLiteral("the database cannot be written: it is read-only");
        break;
    case Full:
        what = QStringLiteral("the disk that holds the database is full");
        break;
    case ConnectionLost:
        what = isServer() ? QStringLiteral("the connection to the database server %1 was lost")
                                    .arg(serverName())
                          : QStringLiteral("the database file %1 cannot be read or written")
                                    .arg(m_location.filePath());
        break;
    case Unreachable:
        what = QStringLiteral("the database server %1 does not answer").arg(serverName());
        break;
    case UnknownHost:
        what = QStringLiteral("the database server %1 is not known: check the address")
                       .arg(serverName());
        break;
    case AuthenticationFailed:
        what = QStringLiteral("the database server %1 refused the user%2: the password is wrong "
                              "or missing (it comes from ~/.pgpass or PGPASSWORD)")
                       .arg(serverName(),
                            m_location.user().isEmpty() ? QString()
                                                        : QLatin1Char(' ') + m_location.user());
        break;
    case NoDatabase:
        what = QStringLiteral("there is no database %1 on the server %2")
                       .arg(m_location.databaseName(), serverName());
        break;
    case NoPrivilege:
        what = QStringLiteral("the database server %1 does not allow the user%2 to do this (the "
                              "tables are made and brought up to date by the database's owner)")
                       .arg(serverName(),
                            m_location.user().isEmpty() ? QString()
                                                        : QLatin1Char(' ') + m_location.user());
        break;
    case Duplicate:
        what = QStringLiteral("a row with the same key is stored already");
        break;
    case NotOurs:
        what = QStringLiteral("%1 is not a database of this program: it was left unchanged")
                       .arg(m_location.text());
        break;
    case Other:
        return detail;
    }
    return detail.isEmpty() ? what : what + QStringLiteral(" (") + detail + QLatin1Char(')');
}

} // namespace LibModel
