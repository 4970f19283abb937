#pragma once

#include <QList>
#include <QPointF>
#include <QSqlDatabase>
#include <QSqlError>
#include <QVariantHash>

#include <functional>

namespace LibModel {

class AbstractStorage;
class Session;
class Shot;
class SqlDialect;
class ShooterRecord;

// The rows of one session: its sessions row, its traces and their shots,
// written (new and changed rows only), read back and deleted. The caller
// holds the transaction.
class SessionTable
{
public:
    SessionTable(const QSqlDatabase &db, const SqlDialect &dialect);

    // Writes the rows and keeps the new ids as the pending ids of the
    // session, its traces and shots; they become the ids once the
    // transaction is committed.
    bool write(Session *session);
    // The session with its traces and shots, its shooter found by
    // shooterById; null when it is missing or its rows cannot be shown.
    Session *read(uint id, const std::function<ShooterRecord(qint64)> &shooterById,
                  AbstractStorage *storage);
    // The session's id, 0 when there is none.
    bool idOf(const QString &uuid, qint64 *id);
    bool idsOfPerson(qint64 personId, QList<qint64> *ids);
    // Deletes the session's shots, traces and row.
    bool remove(qint64 sessionId);

    QSqlError error() const { return m_error; }

    // A shot's stored properties: its own, and its breach, so that its
    // score and its group can be had without decoding the trace's samples.
    static QByteArray encodeShotProperties(const Shot &shot);
    // The shot's own properties from stored ones; *breach is the stored
    // breach, NaN when the row has none (rows of earlier versions).
    static QVariantHash decodeShotProperties(const QByteArray &stored, QPointF *breach);

private:
    bool writeSessionRow(Session *session);
    // A row that does not make a whole session: refused with a reason.
    Session *refused();
    bool ids(const QString &statement, const QVariant &key, QList<qint64> *ids);
    template<typename Query>
    bool failed(const Query &query)
    {
        m_error = query.lastError();
        return false;
    }

    QSqlDatabase m_db;
    const SqlDialect &m_dialect;
    QSqlError m_error;
};

} // namespace LibModel
