#include "storage.h"
#include "recordcodec.h"
#include "serie.h"
#include "session.h"
#include "sessioninfomodel.h"
#include "shooterimport.h"
#include "shootermodel.h"
#include "shot.h"
#include "storageschema.h"
#include "targetdescriptor.h"
#include "trace.h"

#include <QDate>
#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QSqlError>
#include <QSqlQuery>

#include <cmath>
#include <memory>

namespace LibModel {

namespace {

const QString AllOrganizations = QStringLiteral("[Все организации]");
const QString AllGroups = QStringLiteral("[Все группы]");
// The columns every session summary is read from, in the order summaries() reads them.
constexpr char SummaryColumns[] = "SELECT session_id, timer, comments, shot_count, person_id, "
                                  "result, properties, is_gto";

bool sameIgnoringCase(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

const ShooterRecord *findIn(const QList<ShooterRecord> &records, const QString &name,
                            const QString &organization, const QString &group)
{
    for (const ShooterRecord &record : records) {
        if (sameIgnoringCase(record.name, name)
            && sameIgnoringCase(record.organization, organization)
            && sameIgnoringCase(record.group, group))
            return &record;
    }
    return nullptr;
}

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

} // namespace

Storage::Storage(QObject *parent)
    : AbstractStorage(parent)
    , m_shooters(new ShooterModel(this))
{ }

Storage::~Storage()
{
    removeConnection();
}

QSqlDatabase Storage::database() const
{
    return QSqlDatabase::database(m_connectionName, false);
}

bool Storage::isOpen() const
{
    return !m_connectionName.isEmpty() && database().isOpen();
}

void Storage::removeConnection()
{
    if (m_connectionName.isEmpty() || !QSqlDatabase::contains(m_connectionName))
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(m_connectionName, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connectionName);
}

bool Storage::open(const QString &path, const QString &connectionName)
{
    return openWith(path, connectionName, QString());
}

bool Storage::openWith(const QString &path, const QString &connectionName, QString options)
{
    removeConnection();
    m_connectionName = connectionName;
    m_path = path;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connectionName);
        db.setDatabaseName(path);
        if (m_busyTimeout >= 0) {
            QStringList kept = options.split(QLatin1Char(';'), Qt::SkipEmptyParts);
            kept.removeIf([](const QString &option) {
                return option.trimmed().startsWith(QLatin1String("QSQLITE_BUSY_TIMEOUT"));
            });
            kept.append(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(m_busyTimeout));
            options = kept.join(QLatin1Char(';'));
        }
        db.setConnectOptions(options);
        if (!db.open()) {
            noteError(db.lastError());
            return false;
        }
        if (!StorageSchema::upgrade(db)) {
            m_lastError = QStringLiteral("the database could not be brought up to date");
            return false;
        }
    }
    // Opened on a read-only file, the connection stays read-only: it is
    // opened again before the first write.
    m_reopenBeforeWrite = QFileInfo(path).exists() && !QFileInfo(path).isWritable();
    return reloadShooters() && reloadOrganizations() && reloadCompetitions();
}

bool Storage::reopen()
{
    if (m_path.isEmpty())
        return false;
    const QString options = database().connectOptions();
    return openWith(m_path, m_connectionName, options);
}

void Storage::setBusyTimeout(int msecs)
{
    m_busyTimeout = msecs;
    if (isOpen() && msecs >= 0) {
        QSqlQuery query(database());
        query.exec(QStringLiteral("PRAGMA busy_timeout=%1;").arg(msecs));
    }
}

bool Storage::failed(const QSqlQuery &query)
{
    noteError(query.lastError());
    return false;
}

void Storage::noteError(const QSqlError &error)
{
    m_lastError = error.text();
    // A read-only connection, an I/O error and a file that cannot be opened
    // may be gone once the connection is made anew; a lock or a full disk
    // pass without that.
    enum { ReadOnly = 8, IoError = 10, CannotOpen = 14 };
    const int code = error.nativeErrorCode().toInt() & 0xff;
    if (code == ReadOnly || code == IoError || code == CannotOpen)
        m_reopenBeforeWrite = true;
}

bool Storage::hasSession(const QString &uuid, bool *ok)
{
    // A file that could not be opened before may be there by now.
    if (!isOpen() && !reopen()) {
        *ok = false;
        return false;
    }
    QSqlQuery query(database());
    *ok = query.prepare(QStringLiteral("SELECT COUNT(*) FROM sessions WHERE uuid=?;"));
    if (*ok) {
        query.addBindValue(uuid);
        *ok = query.exec() && query.next();
    }
    if (!*ok) {
        failed(query);
        return false;
    }
    return query.value(0).toLongLong() > 0;
}

bool Storage::statistics(Statistics *statistics) const
{
    QSqlDatabase db = database();
    statistics->userVersion = StorageSchema::version(db);
    if (statistics->userVersion < 0)
        return false;
    QSqlQuery query(db);
    const auto count = [&](const char *table, qint64 *result) {
        if (!query.exec(QStringLiteral("SELECT COUNT(*) FROM %1;").arg(QLatin1String(table)))
            || !query.next())
            return false;
        *result = query.value(0).toLongLong();
        return true;
    };
    return count("persons", &statistics->persons) && count("sessions", &statistics->sessions)
            && count("traces", &statistics->traces) && count("shots", &statistics->shots);
}

ShooterRecord Storage::findShooter(const QString &name, const QString &organization,
                                   const QString &group)
{
    if (const ShooterRecord *record = findIn(m_shooters->records(), name, organization, group))
        return *record;
    if (reloadShooters()) {
        if (const ShooterRecord *record = findIn(m_shooters->records(), name, organization, group))
            return *record;
    }
    return ShooterRecord();
}

ShooterRecord Storage::findShooterById(qint64 id) const
{
    for (const ShooterRecord &record : m_shooters->records()) {
        if (record.id == id)
            return record;
    }
    return ShooterRecord();
}

uint Storage::lookupShooter(const QString &name, const QString &organization, const QString &group)
{
    return uint(findShooter(name, organization, group).id);
}

ShooterRecord Storage::createShooter(const QString &name, const QString &organization,
                                     const QString &group, const QVariantHash &properties)
{
    if (const ShooterRecord *known = findIn(m_shooters->records(), name, organization, group))
        return *known;
    // Looking up and adding are one write transaction: connections that add
    // the same person at once make one person, which all of them get.
    if (!prepareWrite())
        return ShooterRecord();
    QSqlQuery statement(database());
    if (!statement.exec(QStringLiteral("BEGIN IMMEDIATE;"))) {
        failed(statement);
        return ShooterRecord();
    }
    ShooterRecord record = findShooter(name, organization, group);
    if (record.id == 0) {
        record.setName(name);
        record.setOrganization(organization);
        record.setGroup(group);
        record.setProperties(properties);
        if (!writeShooter(record)) {
            statement.exec(QStringLiteral("ROLLBACK;"));
            reloadShooters();
            return ShooterRecord();
        }
    }
    if (!statement.exec(QStringLiteral("COMMIT;"))) {
        failed(statement);
        QSqlQuery(database()).exec(QStringLiteral("ROLLBACK;"));
        reloadShooters();
        return ShooterRecord();
    }
    return record;
}

bool Storage::prepareWrite()
{
    // A connection opened on a read-only file stays read-only, and one whose
    // file was removed writes into nothing: after such a failure, and while
    // the file is gone, the file is opened anew (and never made anew here).
    const bool local = !m_path.isEmpty() && m_path != QLatin1String(":memory:")
            && !m_path.startsWith(QLatin1String("file:"));
    if (local && !QFileInfo::exists(m_path)) {
        m_lastError = QStringLiteral("the database file %1 is missing").arg(m_path);
        m_reopenBeforeWrite = true;
        return false;
    }
    return !(m_reopenBeforeWrite || !isOpen()) || reopen();
}

bool Storage::writeShooter(ShooterRecord &record)
{
    if (record.id != 0 && !record.isDirty)
        return true;
    if (!prepareWrite())
        return false;
    QSqlQuery query(database());
    const bool update = record.id != 0;
    const bool prepared = update
            ? query.prepare(QStringLiteral(
                    "UPDATE persons SET name=?, organization=?, group_name=?, name_uppercase=?, "
                    "organization_uppercase=?, group_uppercase=?, properties=? WHERE "
                    "person_id=?;"))
            : query.prepare(QStringLiteral(
                    "INSERT INTO persons (name, organization, group_name, name_uppercase, "
                    "organization_uppercase, group_uppercase, properties) VALUES (?, ?, ?, ?, "
                    "?, ?, ?);"));
    if (!prepared)
        return failed(query);
    // The columns are NOT NULL: a null text is stored as an empty one.
    const auto text
            = [](const QString &value) { return value.isNull() ? QLatin1String("") : value; };
    query.addBindValue(text(record.name));
    query.addBindValue(text(record.organization));
    query.addBindValue(text(record.group));
    query.addBindValue(text(record.name.toUpper()));
    query.addBindValue(text(record.organization.toUpper()));
    query.addBindValue(text(record.group.toUpper()));
    query.addBindValue(RecordCodec::encodeProperties(record.properties));
    if (update)
        query.addBindValue(record.id);
    if (!query.exec())
        return failed(query);
    if (!update)
        record.id = query.lastInsertId().toLongLong();
    record.isDirty = false;
    const bool reloaded = reloadShooters();
    reloadOrganizations();
    reloadCompetitions();
    return reloaded;
}

bool Storage::reloadShooters()
{
    QSqlQuery query(database());
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT person_id, name, organization, group_name, properties "
                                   "FROM persons ORDER BY name_uppercase;")))
        return false;
    QList<ShooterRecord> records;
    while (query.next()) {
        ShooterRecord record;
        record.id = query.value(0).toLongLong();
        record.setName(query.value(1).toString());
        record.setOrganization(query.value(2).toString());
        record.setGroup(query.value(3).toString());
        const QVariant blob = query.value(4);
        if (!blob.isNull()
            && !RecordCodec::decodeProperties(blob.toByteArray(), &record.properties))
            return false;
        record.isDirty = false;
        records.append(record);
    }
    m_shooters->merge(records);
    return true;
}

bool Storage::reloadOrganizations()
{
    QSqlQuery query(database());
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral(
                "SELECT DISTINCT organization FROM persons ORDER BY organization_uppercase;")))
        return false;
    QStringList organizations = {AllOrganizations};
    while (query.next()) {
        const QString organization = query.value(0).toString();
        if (!organization.isEmpty())
            organizations.append(organization);
    }
    if (organizations != m_organizations) {
        m_organizations = organizations;
        emit organizationsChanged();
    }
    return true;
}

bool Storage::reloadCompetitions()
{
    QSqlQuery query(database());
    query.setForwardOnly(true);
    const auto load = [&](int isGto, QStringList *names) {
        if (!query.exec(QStringLiteral("SELECT DISTINCT competition_name FROM sessions WHERE "
                                       "is_gto=%1 ORDER BY competition_name;")
                                .arg(isGto)))
            return false;
        names->clear();
        while (query.next()) {
            const QString name = query.value(0).toString();
            if (!name.isEmpty())
                names->append(name);
        }
        return true;
    };
    QStringList competitions, competitionsGto;
    if (!load(0, &competitions) || !load(1, &competitionsGto))
        return false;
    if (competitions != m_competitions) {
        m_competitions = competitions;
        emit competitionsChanged();
    }
    if (competitionsGto != m_competitionsGto) {
        m_competitionsGto = competitionsGto;
        emit competitionsGtoChanged();
    }
    return true;
}

QStringList Storage::groups(const QString &organization)
{
    QSqlQuery query(database());
    if (!query.prepare(QStringLiteral("SELECT DISTINCT group_name FROM persons WHERE "
                                      "organization_uppercase=? ORDER BY group_uppercase;")))
        return {};
    query.addBindValue(organization.toUpper());
    if (!query.exec())
        return {};
    QStringList result = {AllGroups};
    while (query.next()) {
        const QString group = query.value(0).toString();
        if (!group.isEmpty())
            result.append(group);
    }
    return result;
}

bool Storage::write(Session *session)
{
    m_lastError.clear();
    if (!session || !session->isValid()) {
        m_lastError = QStringLiteral("the session is not complete");
        return false;
    }
    if (!prepareWrite() || !writeSessionWithShooter(session))
        return false;

    for (Trace *trace : session->segments()) {
        if (trace->count() == 0)
            continue;
        trace->setDirty(false);
        trace->setId(trace->pendingId());
        for (Shot *shot : trace->shots()) {
            shot->setDirty(false);
            shot->setId(shot->pendingId());
        }
    }
    session->clearDirty();
    session->setId(session->pendingId());
    reloadCompetitions();
    return true;
}

bool Storage::writeSessionWithShooter(Session *session)
{
    // A person chosen while the database refused writes is found or made now.
    ShooterRecord shooter = session->shooter();
    if (shooter.id == 0) {
        shooter = createShooter(shooter.name, shooter.organization, shooter.group,
                                shooter.properties);
        if (shooter.id == 0)
            return false;
    } else if (!writeShooter(shooter)) {
        return false;
    }
    if (shooter != session->shooter())
        session->setShooterRecord(shooter);

    QSqlDatabase db = database();
    if (!db.transaction()) {
        noteError(db.lastError());
        return false;
    }
    if (!writeSessionRows(db, session) || !db.commit()) {
        if (m_lastError.isEmpty())
            noteError(db.lastError());
        db.rollback();
        return false;
    }
    return true;
}

bool Storage::writeSessionRows(QSqlDatabase &db, Session *session)
{
    QSqlQuery query(db);
    session->setPendingId(session->id());
    if (session->id() == 0 || session->isDirty()) {
        const bool update = session->id() != 0;
        // An update writes the result and the fitness-norm flag as well, so
        // that a session saved again after more shots ranks by its new result.
        const bool prepared = update
                ? query.prepare(QStringLiteral(
                        "UPDATE sessions SET  uuid=?,  person_id=?,  target_uuid=?,  "
                        "distance=?,  caliber=?,  timer=?,  sample_rate=?,  position=?,  "
                        "comments=?,  shot_count=?,  properties=?,  competition_name=?,  "
                        "result=?,  is_gto=? WHERE session_id=?;"))
                : query.prepare(QStringLiteral(
                        "INSERT INTO sessions (  uuid,  person_id,  target_uuid,  distance,  "
                        "caliber,  timer,  sample_rate,  position,  comments,  shot_count,  "
                        "properties,  competition_name,  result,  is_gto ) VALUES (?, ?, ?, ?, "
                        "?, ?, ?, ?, ?, ?, ?, ?, ?, ?);"));
        if (!prepared)
            return failed(query);
        query.addBindValue(session->uuid());
        query.addBindValue(session->shooterId());
        query.addBindValue(session->targetUuid());
        query.addBindValue(session->distance());
        query.addBindValue(session->caliber());
        query.addBindValue(session->timer());
        query.addBindValue(session->sampleRate());
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
            session->setPendingId(query.lastInsertId().toLongLong());
    }

    for (Trace *trace : session->segments()) {
        // A trace without samples could not be read back: it is not stored.
        if (trace->count() == 0)
            continue;
        trace->setPendingId(trace->id());
        if (trace->id() == 0 || trace->isDirty()) {
            const bool update = trace->id() != 0;
            const bool prepared = update
                    ? query.prepare(QStringLiteral("UPDATE traces SET  session_id=?,  timer=?,  "
                                                   "data=?,  properties=? WHERE trace_id=?"))
                    : query.prepare(QStringLiteral("INSERT INTO traces (  session_id,  timer,  "
                                                   "data,  properties ) VALUES (?, ?, ?, ?);"));
            if (!prepared)
                return failed(query);
            query.addBindValue(session->pendingId());
            query.addBindValue(trace->timerStart());
            query.addBindValue(trace->encodedSamples());
            query.addBindValue(RecordCodec::encodeProperties(trace->properties()));
            if (update)
                query.addBindValue(trace->id());
            if (!query.exec())
                return failed(query);
            if (!update)
                trace->setPendingId(query.lastInsertId().toLongLong());
        }

        for (Shot *shot : trace->shots()) {
            shot->setPendingId(shot->id());
            if (shot->id() != 0 && !shot->isDirty())
                continue;
            const bool update = shot->id() != 0;
            const bool prepared = update
                    ? query.prepare(QStringLiteral(
                            "UPDATE shots SET  trace_id=?,  timer=?,  trace_offset=?,  "
                            "phase=?,  serie_index=?,  missed=?,  properties=? WHERE "
                            "shot_id=?;"))
                    : query.prepare(QStringLiteral(
                            "INSERT INTO shots (  trace_id,  timer,  trace_offset,  phase,  "
                            "serie_index,  missed,  properties ) VALUES (?, ?, ?, ?, ?, ?, "
                            "?);"));
            if (!prepared)
                return failed(query);
            query.addBindValue(trace->pendingId());
            query.addBindValue(shot->timer());
            query.addBindValue(shot->offset());
            query.addBindValue(phaseValue(shot->phase()));
            query.addBindValue(shot->serieIndex());
            query.addBindValue(shot->isMissed() ? 1 : 0);
            query.addBindValue(RecordCodec::encodeProperties(shot->properties()));
            if (update)
                query.addBindValue(shot->id());
            if (!query.exec())
                return failed(query);
            if (!update)
                shot->setPendingId(query.lastInsertId().toLongLong());
        }
    }
    return true;
}

Session *Storage::readSession(uint id)
{
    QSqlQuery query(database());
    query.setForwardOnly(true);
    if (!query.prepare(QStringLiteral(
                "SELECT  uuid,  person_id,  target_uuid,  distance,  caliber,  timer,  "
                "shot_count,  sample_rate,  position,  comments,  properties,  is_gto,  "
                "competition_name FROM sessions WHERE session_id=?;")))
        return nullptr;
    query.addBindValue(id);
    if (!query.exec() || !query.next())
        return nullptr;

    const ShooterRecord shooter = findShooterById(query.value(1).toLongLong());
    if (shooter.id == 0)
        return nullptr;
    bool distanceOk = false, caliberOk = false;
    const double distance = query.value(3).toDouble(&distanceOk);
    const double caliber = query.value(4).toDouble(&caliberOk);
    if (!distanceOk || !caliberOk)
        return nullptr;
    QVariantHash properties;
    if (!RecordCodec::decodeProperties(query.value(10).toByteArray(), &properties))
        return nullptr;

    auto session = std::make_unique<Session>(this);
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

    QSqlQuery traces(database());
    traces.setForwardOnly(true);
    if (!traces.prepare(QStringLiteral("SELECT  trace_id,  timer,  data,  properties FROM traces "
                                       "WHERE session_id=? ORDER BY timer ASC;")))
        return nullptr;
    traces.addBindValue(id);
    if (!traces.exec())
        return nullptr;
    while (traces.next()) {
        Trace *trace = session->appendTrace(traces.value(1).toLongLong());
        if (!trace)
            return nullptr;
        trace->setId(traces.value(0).toLongLong());
        QVector<TraceSample> samples;
        if (!RecordCodec::decodeSamples(traces.value(2).toByteArray(), &samples)
            || samples.isEmpty())
            return nullptr;
        if (!session->isTriggerDataAvailable()) {
            for (const TraceSample &sample : std::as_const(samples)) {
                if (sample.trigger >= 0) {
                    session->setTriggerDataAvailable(true);
                    break;
                }
            }
        }
        trace->setSamples(samples);
        QVariantHash traceProperties;
        RecordCodec::decodeProperties(traces.value(3).toByteArray(), &traceProperties);
        trace->setProperties(traceProperties);
    }
    traces.finish();

    QSqlQuery shots(database());
    shots.setForwardOnly(true);
    for (Trace *trace : session->segments()) {
        if (!shots.prepare(QStringLiteral(
                    "SELECT  shot_id,  timer,  trace_offset,  phase,  serie_index,  missed,  "
                    "properties FROM shots WHERE trace_id=? ORDER BY timer ASC;")))
            return nullptr;
        shots.addBindValue(trace->id());
        if (!shots.exec())
            return nullptr;
        while (shots.next()) {
            const qint64 offset = shots.value(2).toLongLong();
            const qint64 serieIndex = shots.value(4).toLongLong();
            // Rows that point outside the trace or past the series numbers
            // the model can hold cannot be shown: the session is refused
            // rather than shown wrong.
            if (offset < 0 || offset >= trace->count() || serieIndex < 0 || serieIndex > 0xFFFF)
                return nullptr;
            Shot *shot = trace->appendShot(
                    ushort(serieIndex), int(offset), shots.value(5).toInt() != 0,
                    shots.value(3).isNull() ? 0.0 : shots.value(3).toDouble());
            if (!shot)
                return nullptr;
            shot->setId(shots.value(0).toLongLong());
            QVariantHash shotProperties;
            RecordCodec::decodeProperties(shots.value(6).toByteArray(), &shotProperties);
            shot->setProperties(shotProperties);
        }
        trace->setDirty(false);
    }
    session->clearDirty();
    return session.release();
}

bool Storage::deleteSessionRows(QSqlQuery &query, qint64 sessionId)
{
    if (!query.prepare(QStringLiteral("SELECT trace_id FROM traces WHERE session_id=?;")))
        return false;
    query.addBindValue(sessionId);
    if (!query.exec())
        return false;
    QList<qint64> traces;
    while (query.next())
        traces.append(query.value(0).toLongLong());
    for (qint64 trace : std::as_const(traces)) {
        if (!query.prepare(QStringLiteral("DELETE FROM shots WHERE trace_id=?;")))
            return false;
        query.addBindValue(trace);
        if (!query.exec())
            return false;
    }
    if (!query.prepare(QStringLiteral("DELETE FROM traces WHERE session_id=?;")))
        return false;
    query.addBindValue(sessionId);
    if (!query.exec())
        return false;
    if (!query.prepare(QStringLiteral("DELETE FROM sessions WHERE session_id=?;")))
        return false;
    query.addBindValue(sessionId);
    return query.exec();
}

bool Storage::reloadAfterDelete()
{
    return reloadOrganizations() && reloadShooters() && reloadCompetitions();
}

bool Storage::deleteSession(const QString &uuid)
{
    if (!prepareWrite())
        return false;
    QSqlDatabase db = database();
    if (!db.transaction()) {
        noteError(db.lastError());
        return false;
    }
    QSqlQuery query(db);
    qint64 sessionId = 0;
    bool ok = query.prepare(QStringLiteral("SELECT session_id FROM sessions WHERE uuid=?;"));
    if (ok) {
        query.addBindValue(uuid);
        ok = query.exec();
        while (ok && query.next())
            sessionId = query.value(0).toLongLong();
    }
    ok = ok && deleteSessionRows(query, sessionId);
    query.finish();
    if (!ok || !db.commit()) {
        noteError(ok ? db.lastError() : query.lastError());
        db.rollback();
        return false;
    }
    return reloadAfterDelete();
}

bool Storage::deleteShooter(uint personId)
{
    if (!prepareWrite())
        return false;
    QSqlDatabase db = database();
    if (!db.transaction()) {
        noteError(db.lastError());
        return false;
    }
    QSqlQuery query(db);
    QList<qint64> sessionIds;
    bool ok = query.prepare(QStringLiteral("SELECT session_id FROM sessions WHERE person_id=?;"));
    if (ok) {
        query.addBindValue(personId);
        ok = query.exec();
        while (ok && query.next())
            sessionIds.append(query.value(0).toLongLong());
    }
    for (qint64 sessionId : std::as_const(sessionIds))
        ok = ok && deleteSessionRows(query, sessionId);
    if (ok) {
        ok = query.prepare(QStringLiteral("DELETE FROM persons WHERE person_id=?;"));
        if (ok) {
            query.addBindValue(personId);
            ok = query.exec();
        }
    }
    query.finish();
    if (!ok || !db.commit()) {
        noteError(ok ? db.lastError() : query.lastError());
        db.rollback();
        return false;
    }
    return reloadAfterDelete();
}

SessionInfoModel *Storage::summaries(QSqlQuery &query, bool withPerson)
{
    auto model = std::make_unique<SessionInfoModel>();
    QHash<qint64, ShooterRecord> persons;
    if (withPerson) {
        for (const ShooterRecord &record : m_shooters->records())
            persons.insert(record.id, record);
    }
    while (query.next()) {
        SessionInfo info;
        info.id = query.value(0).toUInt();
        info.timer = query.value(1).toLongLong();
        info.comments = query.value(2).toString();
        info.shotCount = query.value(3).toInt();
        if (withPerson)
            info.person = persons.value(query.value(4).toLongLong());
        info.result = query.value(5).toInt(); // NULL in files from before results: 0
        if (!RecordCodec::decodeProperties(query.value(6).toByteArray(), &info.properties))
            return nullptr;
        info.isGto = query.value(7).toInt() != 0;
        model->append(info);
    }
    return model.release();
}

SessionInfoModel *Storage::sessions(qlonglong personId)
{
    QSqlQuery query(database());
    query.setForwardOnly(true);
    QString statement = QString::fromLatin1(SummaryColumns) + QStringLiteral(" FROM sessions ");
    if (personId > 0)
        statement += QStringLiteral("WHERE person_id=? ");
    if (!query.prepare(statement + QStringLiteral("ORDER BY timer ASC;")))
        return nullptr;
    if (personId > 0)
        query.addBindValue(personId);
    if (!query.exec())
        return nullptr;
    return summaries(query, false);
}

SessionInfoModel *Storage::sessions()
{
    return sessions(0);
}

SessionInfoModel *Storage::sessionsByCompetitionName(const QString &competitionName, bool isGto)
{
    if (!reloadCompetitions())
        return nullptr;
    QSqlQuery query(database());
    query.setForwardOnly(true);
    if (!query.prepare(QString::fromLatin1(SummaryColumns)
                       + QStringLiteral(" FROM sessions WHERE competition_name=? AND is_gto=? "
                                        "ORDER BY timer ASC;")))
        return nullptr;
    query.addBindValue(competitionName);
    query.addBindValue(isGto ? 1 : 0);
    if (!query.exec())
        return nullptr;
    SessionInfoModel *model = summaries(query, true);
    if (model)
        model->computePlaces();
    return model;
}

SessionInfoModel *Storage::sessionsByDate(int, int, int, const QString &)
{
    return nullptr;
}

SessionInfoModel *Storage::sessionsByDate(int, int, int)
{
    return nullptr;
}

SessionInfoModel *Storage::sessionsByDate(int, int)
{
    return nullptr;
}

SessionInfoModel *Storage::sessionsByDate(int)
{
    return nullptr;
}

SessionInfoModel *Storage::sessionsByDate()
{
    return nullptr;
}

QStringList Storage::sessionsByDateName(int year, int month, int day)
{
    const QDate date(year, month, day);
    if (!date.isValid())
        return {};
    const qint64 from = date.startOfDay().toMSecsSinceEpoch();
    const qint64 to = date.addDays(2).startOfDay().toMSecsSinceEpoch();
    if (from <= 0 || to <= 0)
        return {};
    QSqlQuery query(database());
    query.setForwardOnly(true);
    if (!query.prepare(QStringLiteral("SELECT session_id, timer, properties FROM sessions WHERE "
                                      "timer >= ? AND timer < ?;")))
        return {};
    query.addBindValue(from);
    query.addBindValue(to);
    if (!query.exec())
        return {};
    QStringList names;
    while (query.next()) {
        QVariantHash properties;
        if (!RecordCodec::decodeProperties(query.value(2).toByteArray(), &properties))
            return {};
        const QString name = properties.value(QStringLiteral("competitionName")).toString();
        if (!names.contains(name))
            names.append(name);
    }
    return names;
}

QStringList Storage::sessionsByDateName(int year, int month)
{
    return sessionsByDateName(year, month, 0);
}

QStringList Storage::sessionsByDateName(int year)
{
    return sessionsByDateName(year, 0, 0);
}

QStringList Storage::sessionsByDateName()
{
    return sessionsByDateName(0, 0, 0);
}

int Storage::addShootersFromJSON(const QString &filename)
{
    return ShooterImport::importFile(filename, this);
}

} // namespace LibModel
