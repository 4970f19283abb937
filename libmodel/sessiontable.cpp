#include "sessiontable.h"
#include "recordcodec.h"
#include "session.h"
#include "shot.h"
#include "sqldialect.h"
#include "trace.h"

#include <QHash>
#include <QSqlQuery>
#include <QVariant>

#include <cmath>
#include <memory>

namespace LibModel {

namespace {

// A shot's phase as the database accepts it: a real in [0, 1] or NULL. A
// phase outside that range would make the whole session write fail.
QVariant phaseValue(double phase)
{
    if (std::isnan(phase) || phase < 0.0 || phase > 1.0)
        return QVariant(QMetaType(QMetaType::Double));
    return phase;
}

Session::Position positionFrom(int value)
{
    switch (value) {
    case 1:
        return Session::PositionProne;
    case 2:
        return Session::PositionKneeling;
    case 3:
        return Session::PositionStanding;
    default:
        return Session::PositionUndefined;
    }
}

// A statement prepared on its first use and run for every row after that:
// on a server each preparation is a round trip of its own.
class RowStatement
{
public:
    RowStatement(const QSqlDatabase &db, QString text)
        : m_query(db)
        , m_text(std::move(text))
    { }

    QSqlQuery *bind()
    {
        if (!m_prepared)
            m_prepared = m_query.prepare(m_text);
        return m_prepared ? &m_query : nullptr;
    }
    QSqlError lastError() const { return m_query.lastError(); }

private:
    QSqlQuery m_query;
    QString m_text;
    bool m_prepared = false;
};

// The breach kept with a shot's properties, under names of the storage's
// own: they are stripped again when the shot is read.
const QString BreachXKey = QStringLiteral("storedBreachX");
const QString BreachYKey = QStringLiteral("storedBreachY");

} // namespace

SessionTable::SessionTable(const QSqlDatabase &db, const SqlDialect &dialect)
    : m_db(db)
    , m_dialect(dialect)
{ }

bool SessionTable::writeSessionRow(Session *session)
{
    QSqlQuery query(m_db);
    const bool update = session->id() != 0;
    // An update writes the result and the fitness-norm flag as well, so
    // that a session saved again after more shots ranks by its new result.
    const bool prepared = update
            ? query.prepare(QStringLiteral(
                    "UPDATE sessions SET  uuid=?,  person_id=?,  target_uuid=?,  "
                    "distance=?,  caliber=?,  timer=?,  sample_rate=?,  position=?,  "
                    "comments=?,  shot_count=?,  properties=?,  competition_name=?,  "
                    "result=?,  is_gto=? WHERE session_id=?;"))
            : query.prepare(m_dialect.insertReturningKey(
                    QStringLiteral("INSERT INTO sessions (  uuid,  person_id,  target_uuid,  "
                                   "distance,  caliber,  timer,  sample_rate,  position,  "
                                   "comments,  shot_count,  properties,  competition_name,  "
                                   "result,  is_gto ) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, "
                                   "?, ?, ?)"),
                    "session_id"));
    if (!prepared)
        return failed(query);
    query.addBindValue(session->uuid());
    query.addBindValue(session->shooterId());
    query.addBindValue(session->targetUuid());
    query.addBindValue(session->distance());
    query.addBindValue(session->caliber());
    query.addBindValue(session->timer());
    query.addBindValue(int(session->sampleRate()));
    query.addBindValue(int(session->position()));
    query.addBindValue(session->comments());
    query.addBindValue(qint64(session->shots().size()));
    query.addBindValue(RecordCodec::encodeProperties(session->properties()));
    query.addBindValue(session->competitionName());
    query.addBindValue(session->resultInt());
    query.addBindValue(session->isGto() ? 1 : 0);
    if (update)
        query.addBindValue(session->id());
    if (!query.exec())
        return failed(query);
    if (!update)
        session->setPendingId(m_dialect.insertedId(query));
    return true;
}

bool SessionTable::write(Session *session)
{
    session->setPendingId(session->id());
    if ((session->id() == 0 || session->isDirty()) && !writeSessionRow(session))
        return false;

    RowStatement insertTrace(
            m_db,
            m_dialect.insertReturningKey(QStringLiteral("INSERT INTO traces (  session_id,  "
                                                        "timer,  data,  properties ) VALUES (?, "
                                                        "?, ?, ?)"),
                                         "trace_id"));
    RowStatement updateTrace(m_db,
                             QStringLiteral("UPDATE traces SET  session_id=?,  timer=?,  data=?,  "
                                            "properties=? WHERE trace_id=?"));
    RowStatement insertShot(
            m_db,
            m_dialect.insertReturningKey(
                    QStringLiteral("INSERT INTO shots (  trace_id,  timer,  trace_offset,  "
                                   "phase,  serie_index,  missed,  properties ) VALUES (?, ?, ?, "
                                   "?, ?, ?, ?)"),
                    "shot_id"));
    RowStatement updateShot(m_db,
                            QStringLiteral("UPDATE shots SET  trace_id=?,  timer=?,  "
                                           "trace_offset=?,  phase=?,  serie_index=?,  missed=?,  "
                                           "properties=? WHERE shot_id=?;"));
    for (Trace *trace : session->segments()) {
        // A trace without samples could not be read back: it is not stored.
        if (trace->count() == 0)
            continue;
        trace->setPendingId(trace->id());
        if (trace->id() == 0 || trace->isDirty()) {
            const bool update = trace->id() != 0;
            RowStatement &statement = update ? updateTrace : insertTrace;
            QSqlQuery *query = statement.bind();
            if (!query)
                return failed(statement);
            query->addBindValue(session->pendingId());
            query->addBindValue(trace->timerStart());
            query->addBindValue(trace->encodedSamples());
            query->addBindValue(RecordCodec::encodeProperties(trace->properties()));
            if (update)
                query->addBindValue(trace->id());
            if (!query->exec())
                return failed(*query);
            if (!update)
                trace->setPendingId(m_dialect.insertedId(*query));
        }

        for (Shot *shot : trace->shots()) {
            shot->setPendingId(shot->id());
            if (shot->id() != 0 && !shot->isDirty())
                continue;
            const bool update = shot->id() != 0;
            RowStatement &statement = update ? updateShot : insertShot;
            QSqlQuery *query = statement.bind();
            if (!query)
                return failed(statement);
            query->addBindValue(trace->pendingId());
            query->addBindValue(shot->timer());
            query->addBindValue(shot->offset());
            query->addBindValue(phaseValue(shot->phase()));
            query->addBindValue(int(shot->serieIndex()));
            query->addBindValue(shot->isMissed() ? 1 : 0);
            query->addBindValue(encodeShotProperties(*shot));
            if (update)
                query->addBindValue(shot->id());
            if (!query->exec())
                return failed(*query);
            if (!update)
                shot->setPendingId(m_dialect.insertedId(*query));
        }
    }
    return true;
}

Session *SessionTable::refused()
{
    m_error = QSqlError(QStringLiteral("a stored session cannot be read: it was left as it is"),
                        QString(), QSqlError::StatementError);
    return nullptr;
}

Session *SessionTable::read(uint id, const std::function<ShooterRecord(qint64)> &shooterById,
                            AbstractStorage *storage)
{
    // The ids are numbers written into the statements: on a server each
    // preparation would cost round trips of its own.
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!query.exec(
                QStringLiteral(
                        "SELECT  uuid,  person_id,  target_uuid,  distance,  caliber,  timer,  "
                        "shot_count,  sample_rate,  position,  comments,  properties,  is_gto,  "
                        "competition_name FROM sessions WHERE session_id=%1;")
                        .arg(id))
        || !query.next()) {
        m_error = query.lastError();
        return nullptr;
    }

    const ShooterRecord shooter = shooterById(query.value(1).toLongLong());
    if (shooter.id == 0)
        return refused();
    bool distanceOk = false, caliberOk = false;
    const double distance = query.value(3).toDouble(&distanceOk);
    const double caliber = query.value(4).toDouble(&caliberOk);
    if (!distanceOk || !caliberOk)
        return refused();
    QVariantHash properties;
    if (!RecordCodec::decodeProperties(query.value(10).toByteArray(), &properties))
        return refused();

    auto session = std::make_unique<Session>(storage);
    session->setId(id);
    session->setUuid(query.value(0).toString());
    session->setShooterRecord(shooter);
    session->setTargetUuid(query.value(2).toString());
    session->setDistance(distance);
    session->setCaliber(caliber);
    session->setTimer(query.value(5).toLongLong());
    session->setSampleRate(ushort(qBound(0, query.value(7).toInt(), 0xFFFF)));
    session->setPosition(positionFrom(query.value(8).toInt()));
    session->setComments(query.value(9).toString());
    session->setIsGto(query.value(11).toInt() != 0);
    // Read back so that saving the session again keeps it in its competition.
    session->setCompetitionName(query.value(12).toString());
    session->setProperties(properties);
    session->loadPulseData();
    query.finish();

    QList<QVariantList> traces;
    if (!m_dialect.selectRows(m_db,
                              QStringLiteral("SELECT  trace_id,  timer,  data,  properties FROM "
                                             "traces WHERE session_id=%1 ORDER BY timer ASC;")
                                      .arg(id),
                              &traces, &m_error))
        return nullptr;
    for (const QVariantList &row : std::as_const(traces)) {
        Trace *trace = session->appendTrace(row.at(1).toLongLong());
        if (!trace)
            return refused();
        trace->setId(row.at(0).toLongLong());
        const QByteArray blob = row.at(2).toByteArray();
        QVector<TraceSample> samples;
        if (!RecordCodec::decodeSamples(blob, &samples) || samples.isEmpty())
            return refused();
        if (!session->isTriggerDataAvailable()) {
            for (const TraceSample &sample : std::as_const(samples)) {
                if (sample.trigger >= 0) {
                    session->setTriggerDataAvailable(true);
                    break;
                }
            }
        }
        // The blob goes back as it is when the session is saved again.
        trace->setSamples(samples, blob);
        QVariantHash traceProperties;
        RecordCodec::decodeProperties(row.at(3).toByteArray(), &traceProperties);
        trace->setProperties(traceProperties);
    }

    // All shots at once, then trace by trace in the traces' order.
    struct ShotRow
    {
        qint64 id, offset, serieIndex;
        bool missed;
        QVariant phase;
        QByteArray properties;
    };
    QHash<qint64, QList<ShotRow>> shotRows;
    QSqlQuery shots(m_db);
    shots.setForwardOnly(true);
    if (!shots.exec(QStringLiteral("SELECT  trace_id,  shot_id,  trace_offset,  phase,  "
                                   "serie_index,  missed,  properties FROM shots WHERE trace_id "
                                   "IN (SELECT trace_id FROM traces WHERE session_id=%1) ORDER BY "
                                   "trace_id, timer ASC, shot_id ASC;")
                            .arg(id)))
        return failed(shots), nullptr;
    while (shots.next())
        shotRows[shots.value(0).toLongLong()].append(
                {shots.value(1).toLongLong(), shots.value(2).toLongLong(),
                 shots.value(4).toLongLong(), shots.value(5).toInt() != 0, shots.value(3),
                 shots.value(6).toByteArray()});
    for (Trace *trace : session->segments()) {
        for (const ShotRow &row : std::as_const(shotRows[trace->id()])) {
            // Rows that point outside the trace or past the series numbers
            // the model can hold cannot be shown: the session is refused
            // rather than shown wrong.
            if (row.offset < 0 || row.offset >= trace->count() || row.serieIndex < 0
                || row.serieIndex > 0xFFFF)
                return refused();
            Shot *shot = trace->appendShot(ushort(row.serieIndex), int(row.offset), row.missed,
                                           row.phase.isNull() ? 0.0 : row.phase.toDouble());
            if (!shot)
                return refused();
            shot->setId(row.id);
            QPointF stored;
            shot->setProperties(decodeShotProperties(row.properties, &stored));
        }
        trace->setDirty(false);
    }
    session->clearDirty();
    return session.release();
}

bool SessionTable::ids(const QString &statement, const QVariant &key, QList<qint64> *ids)
{
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!query.prepare(statement))
        return failed(query);
    query.addBindValue(key);
    if (!query.exec())
        return failed(query);
    while (query.next())
        ids->append(query.value(0).toLongLong());
    return true;
}

bool SessionTable::idOf(const QString &uuid, qint64 *id)
{
    QList<qint64> found;
    if (!ids(QStringLiteral("SELECT session_id FROM sessions WHERE uuid=?;"), uuid, &found))
        return false;
    *id = found.isEmpty() ? 0 : found.constLast();
    return true;
}

bool SessionTable::idsOfPerson(qint64 personId, QList<qint64> *found)
{
    return ids(QStringLiteral("SELECT session_id FROM sessions WHERE person_id=?;"), personId,
               found);
}

bool SessionTable::remove(qint64 sessionId)
{
    QSqlQuery query(m_db);
    const auto run = [&](const char *statement) {
        if (!query.prepare(QLatin1String(statement)))
            return false;
        query.addBindValue(sessionId);
        return query.exec();
    };
    if (!run("DELETE FROM shots WHERE trace_id IN (SELECT trace_id FROM traces WHERE "
             "session_id=?);")
        || !run("DELETE FROM traces WHERE session_id=?;")
        || !run("DELETE FROM sessions WHERE session_id=?;"))
        return failed(query);
    return true;
}

QByteArray SessionTable::encodeShotProperties(const Shot &shot)
{
    QVariantHash properties = shot.properties();
    const QPointF breach = shot.breach();
    if (std::isfinite(breach.x()) && std::isfinite(breach.y())) {
        properties.insert(BreachXKey, breach.x());
        properties.insert(BreachYKey, breach.y());
    }
    return RecordCodec::encodeProperties(properties);
}

QVariantHash SessionTable::decodeShotProperties(const QByteArray &stored, QPointF *breach)
{
    QVariantHash properties;
    RecordCodec::decodeProperties(stored, &properties);
    const QVariant x = properties.take(BreachXKey), y = properties.take(BreachYKey);
    bool xOk = false, yOk = false;
    *breach = QPointF(x.toDouble(&xOk), y.toDouble(&yOk));
    if (!xOk || !yOk)
        *breach = QPointF(qQNaN(), qQNaN());
    return properties;
}

} // namespace LibModel
