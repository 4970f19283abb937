#pragma once

#include "shooterrecord.h"

#include <QList>
#include <QSqlDatabase>
#include <QSqlError>
#include <QStringList>

class QSqlQuery;

namespace LibModel {

class SessionInfoModel;
class SqlDialect;

// What the archive and the competition tables read: session summaries of a
// person, of all persons or of a competition, the competition names, the
// names of the competitions of some days, and row counts.
class ArchiveQueries
{
public:
    ArchiveQueries(const QSqlDatabase &db, const SqlDialect &dialect);

    // All sessions (personId 0) or a person's, oldest first; null on failure.
    SessionInfoModel *sessions(qint64 personId);
    // A competition's sessions with their persons and places.
    SessionInfoModel *competition(const QString &name, bool isGto,
                                  const QList<ShooterRecord> &persons);
    bool competitionNames(bool isGto, QStringList *names);
    // The names of the competitions of the sessions that started in [from, to).
    bool competitionNamesBetween(qint64 from, qint64 to, QStringList *names);
    bool countSessions(const QString &uuid, qint64 *count);
    bool countRows(const char *table, qint64 *count);

    QSqlError error() const { return m_error; }

private:
    SessionInfoModel *summaries(QSqlQuery &query, const QList<ShooterRecord> *persons);
    bool failed(const QSqlQuery &query);
    // A stored blob that does not decode.
    bool unreadable();

    QSqlDatabase m_db;
    const SqlDialect &m_dialect;
    QSqlError m_error;
};

} // namespace LibModel
