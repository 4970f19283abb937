#pragma once

#include "sessionanalysis.h"

#include <QList>
#include <QString>

class QSqlDatabase;
class QSqlQuery;

namespace LibModel {

class Session;
class SqlDialect;
class Storage;

// A shooter's progress: the analysis of each of the person's stored
// sessions, oldest first, without the shots' own values.
//
// Only what the analysis needs is read: a session's target, caliber and
// sample rate, its traces' samples and its shots' places in them (not the
// person, the property maps or the pulse). The samples of one session at a
// time are decoded, so that a long archive is read in little memory.
class ShooterProgress
{
public:
    // Reads and analyses the sessions of the person; false, with the
    // reason in error(), when the person is unknown or a read fails.
    // Without aiming, only the groups are made, and a session whose shots
    // were stored with their breaches is read without its samples.
    bool read(Storage &storage, qint64 personId, bool withAiming = true);

    const QList<SessionAnalysis> &sessions() const { return m_sessions; }
    QString error() const { return m_error; }

private:
    // Adds the traces and shots of the session; false when a query fails or
    // a trace's samples are not whole.
    bool readSessions(const QSqlDatabase &db, const SqlDialect &dialect, qint64 personId,
                      bool withAiming);
    bool readTraces(Session &session, const QSqlDatabase &db, const SqlDialect &dialect,
                    QSqlQuery &shots);
    // Adds the shots with their stored breaches to traces without samples;
    // false (and nothing added) when a shot has no stored breach.
    bool readBreaches(Session &session, QSqlQuery &shots);
    bool fail(const QSqlQuery &query);

    QList<SessionAnalysis> m_sessions;
    QString m_error;
};

} // namespace LibModel
