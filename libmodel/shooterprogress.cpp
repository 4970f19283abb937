#include "shooterprogress.h"
#include "recordcodec.h"
#include "session.h"
#include "sessiontable.h"
#include "shot.h"
#include "sqldialect.h"
#include "storage.h"
#include "trace.h"

#include <QHash>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <cmath>

namespace LibModel {

bool ShooterProgress::read(Storage &storage, qint64 personId, bool withAiming)
{
    m_sessions.clear();
    m_error.clear();
    if (personId <= 0
        || (storage.findShooterById(personId).id == 0
            && (!storage.reloadShooters() || storage.findShooterById(personId).id == 0))) {
        m_error = QStringLiteral("no person %1").arg(personId);
        return false;
    }

    const bool read = storage.readWith([&](const QSqlDatabase &db, const SqlDialect &dialect) {
        return readSessions(db, dialect, personId, withAiming);
    });
    if (!read && m_error.isEmpty())
        m_error = storage.lastError().isEmpty() ? QStringLiteral("cannot read the sessions")
                                                : storage.lastError();
    return read;
}

bool ShooterProgress::readSessions(const QSqlDatabase &db, const SqlDialect &dialect,
                                   qint64 personId, bool withAiming)
{
    QSqlQuery sessions(db), shots(db), breaches(db);
    sessions.setForwardOnly(true);
    shots.setForwardOnly(true);
    breaches.setForwardOnly(true);
    if (!sessions.prepare(QStringLiteral("SELECT session_id, timer, target_uuid, caliber, "
                                         "sample_rate FROM sessions WHERE person_id=? ORDER BY "
                                         "timer ASC, session_id ASC;")))
        return fail(sessions);
    if (!shots.prepare(QStringLiteral(
                "SELECT trace_id, shot_id, trace_offset, serie_index, missed FROM shots WHERE "
                "trace_id IN (SELECT trace_id FROM traces WHERE session_id=?) ORDER BY "
                "trace_id, timer ASC, shot_id ASC;")))
        return fail(shots);
    if (!withAiming
        && !breaches.prepare(QStringLiteral(
                "SELECT s.trace_id, s.shot_id, s.trace_offset, s.serie_index, s.missed, "
                "s.properties, t.timer FROM shots s JOIN traces t ON t.trace_id=s.trace_id WHERE "
                "t.session_id=? ORDER BY t.timer ASC, s.trace_id, s.timer ASC, s.shot_id ASC;")))
        return fail(breaches);
    sessions.addBindValue(personId);
    if (!sessions.exec())
        return fail(sessions);

    while (sessions.next()) {
        Session session(nullptr);
        session.setId(sessions.value(0).toLongLong());
        session.setTimer(sessions.value(1).toLongLong());
        session.setTargetUuid(sessions.value(2).toString());
        session.setCaliber(sessions.value(3).toDouble());
        session.setSampleRate(ushort(qBound(0, sessions.value(4).toInt(), 0xFFFF)));
        if ((withAiming || !readBreaches(session, breaches))
            && !readTraces(session, db, dialect, shots)) {
            if (m_error.isEmpty())
                m_error = QStringLiteral("cannot read session %1").arg(session.id());
            m_sessions.clear();
            return false;
        }
        m_sessions.append(SessionAnalysis(session, false, withAiming));
    }
    if (sessions.lastError().isValid())
        return fail(sessions);
    return true;
}

bool ShooterProgress::readTraces(Session &session, const QSqlDatabase &db,
                                 const SqlDialect &dialect, QSqlQuery &shots)
{
    // The blobs in binary form from a server; the id written into the
    // statement, as the storage does.
    QList<QVariantList> traces;
    QSqlError error;
    if (!dialect.selectRows(db,
                            QStringLiteral("SELECT trace_id, timer, data FROM traces WHERE "
                                           "session_id=%1 ORDER BY timer ASC, trace_id ASC;")
                                    .arg(session.id()),
                            &traces, &error)) {
        m_error = error.text();
        return false;
    }
    QHash<qint64, Trace *> byId;
    for (const QVariantList &row : std::as_const(traces)) {
        Trace *trace = session.appendTrace(row.value(1).toLongLong());
        const QByteArray blob = row.value(2).toByteArray();
        const qint64 count = RecordCodec::encodedSampleCount(blob);
        if (!trace || count <= 0)
            return false;
        // Decoded when the analysis asks for the samples.
        trace->setEncodedSamples(blob, int(count));
        byId.insert(row.value(0).toLongLong(), trace);
    }

    shots.addBindValue(session.id());
    if (!shots.exec())
        return fail(shots);
    while (shots.next()) {
        Trace *trace = byId.value(shots.value(0).toLongLong());
        const qint64 offset = shots.value(2).toLongLong();
        const qint64 serie = shots.value(3).toLongLong();
        if (!trace || offset < 0 || offset >= trace->count() || serie < 0 || serie > 0xFFFF)
            return false;
        Shot *shot
                = trace->appendShot(ushort(serie), int(offset), shots.value(4).toInt() != 0, 0.0);
        if (!shot)
            return false;
        shot->setId(shots.value(1).toLongLong());
    }
    shots.finish();
    return true;
}

bool ShooterProgress::readBreaches(Session &session, QSqlQuery &breaches)
{
    breaches.addBindValue(session.id());
    if (!breaches.exec())
        return false;
    struct Row
    {
        qint64 trace, id, offset, serie, timer;
        bool missed;
        QPointF breach;
    };
    QList<Row> rows;
    while (breaches.next()) {
        Row row {breaches.value(0).toLongLong(),
                 breaches.value(1).toLongLong(),
                 breaches.value(2).toLongLong(),
                 breaches.value(3).toLongLong(),
                 breaches.value(6).toLongLong(),
                 breaches.value(4).toInt() != 0,
                 QPointF()};
        SessionTable::decodeShotProperties(breaches.value(5).toByteArray(), &row.breach);
        // A shot stored by an earlier version, or one without a sample at
        // its place: the samples must be read.
        if (!std::isfinite(row.breach.x()) || row.offset < 0 || row.serie < 0
            || row.serie > 0xFFFF) {
            breaches.finish();
            return false;
        }
        rows.append(row);
    }
    breaches.finish();
    QHash<qint64, Trace *> traces;
    for (const Row &row : std::as_const(rows)) {
        Trace *&trace = traces[row.trace];
        if (!trace)
            trace = session.appendTrace(row.timer);
        Shot *shot = trace
                ? trace->appendShot(ushort(row.serie), int(row.offset), row.missed, 0.0, row.breach)
                : nullptr;
        if (!shot)
            return false;
        shot->setId(row.id);
    }
    return true;
}

bool ShooterProgress::fail(const QSqlQuery &query)
{
    m_error = query.lastError().text();
    if (m_error.trimmed().isEmpty())
        m_error = QStringLiteral("cannot read the sessions");
    m_sessions.clear();
    return false;
}

} // namespace LibModel
