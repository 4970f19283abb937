#include "storage.h"
#include "archivequeries.h"
#include "persontable.h"
#include "session.h"
#include "sessioninfomodel.h"
#include "sessiontable.h"
#include "shooterimport.h"
#include "shootermodel.h"
#include "shot.h"
#include "storageschema.h"
#include "trace.h"

#include <QDate>
#include <QDateTime>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <atomic>
#include <memory>

namespace LibModel {

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

QString Storage::uniqueConnectionName(const QString &prefix)
{
    static std::atomic<int> connections {0};
    return QStringLiteral("%1-%2").arg(prefix).arg(++connections);
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

bool Storage::open(const QString &pathOrUri, const QString &connectionName)
{
    const StorageLocation location = StorageLocation::parse(pathOrUri);
    const bool opened = open(location, connectionName);
    m_path = pathOrUri;
    return opened;
}

bool Storage::open(const StorageLocation &location, const QString &connectionName)
{
    m_lastError.clear();
    m_lastFailure = SqlDialect::NoFailure;
    m_path = location.text();
    if (!location.isValid()) {
        removeConnection();
        m_connectionName = connectionName;
        m_dialect = SqlDialect(location);
        m_lastError = location.error();
        m_lastFailure = SqlDialect::Other;
        return false;
    }
    return openWith(location, connectionName, QString());
}

bool Storage::openWith(const StorageLocation &location, const QString &connectionName,
                       const QString &options)
{
    removeConnection();
    m_connectionName = connectionName;
    m_dialect = SqlDialect(location);
    m_reopenBeforeWrite = false;
    {
        QSqlDatabase db = m_dialect.addConnection(connectionName, m_busyTimeout, options);
        if (!db.open())
            return noteError(db.lastError());
        if (m_dialect.isServer()) {
            const QSqlError error = m_dialect.applyBusyTimeout(db, m_busyTimeout);
            if (error.isValid())
                return noteError(error);
        }
        QString why;
        if (!StorageSchema::upgrade(db, m_dialect, &why)) {
            m_lastError = why;
            m_lastFailure = SqlDialect::NotOurs;
            // Nothing of the database is used: the lists stay as they were.
            db.close();
            return false;
        }
    }
    // Opened on a read-only file, the connection stays read-only: it is
    // opened again before the first write.
    const QFileInfo file(location.filePath());
    m_reopenBeforeWrite = !m_dialect.isServer() && file.exists() && !file.isWritable();
    return reloadShooters() && reloadOrganizations() && reloadCompetitions();
}

bool Storage::reopen()
{
    if (!m_dialect.location().isValid())
        return false;
    const QString options = m_dialect.isServer() ? QString() : database().connectOptions();
    return openWith(m_dialect.location(), m_connectionName, options);
}

void Storage::setBusyTimeout(int msecs)
{
    m_busyTimeout = msecs;
    if (isOpen()) {
        QSqlDatabase db = database();
        m_dialect.applyBusyTimeout(db, msecs);
    }
}

bool Storage::noteError(const QSqlError &error)
{
    m_lastFailure = m_dialect.classify(error);
    m_lastError = m_dialect.describe(error);
    // A read-only connection, an I/O error, a file that cannot be opened and
    // a lost server may be gone once the connection is made anew; a lock or
    // a full disk pass without that.
    if (SqlDialect::needsReconnect(m_lastFailure))
        m_reopenBeforeWrite = true;
    return false;
}

bool Storage::prepareWrite()
{
    // A connection opened on a read-only file stays read-only, and one whose
    // file was removed writes into nothing: after such a failure, and while
    // the file is gone, the file is opened anew (and never made anew here).
    const QString file = m_dialect.location().filePath();
    const bool local = !m_dialect.isServer() && !file.isEmpty() && file != QLatin1String(":memory:")
            && !file.startsWith(QLatin1String("file:"));
    if (local && !QFileInfo::exists(file)) {
        m_lastError = QStringLiteral("the database file %1 is missing").arg(file);
        m_lastFailure = SqlDialect::ConnectionLost;
        m_reopenBeforeWrite = true;
        return false;
    }
    return !(m_reopenBeforeWrite || !isOpen()) || reopen();
}

bool Storage::readWith(const std::function<bool(const QSqlDatabase &, const SqlDialect &)> &reader)
{
    return prepareRead() && reader(database(), m_dialect);
}

bool Storage::prepareRead()
{
    if (!m_dialect.isServer() || (!m_reopenBeforeWrite && isOpen()))
        return true;
    return reopen();
}

template<typename Attempt>
bool Storage::reconnecting(Attempt attempt)
{
    if (attempt())
        return true;
    // Only a server connection found lost is tried once more: the server
    // may have restarted since the last statement. A transaction cut off
    // there was not committed, or its rows are found by their unique keys.
    if (!m_dialect.isServer() || m_lastFailure != SqlDialect::ConnectionLost)
        return false;
    const QString lost = m_lastError;
    if (!reopen()) {
        if (m_lastError.isEmpty())
            m_lastError = lost;
        return false;
    }
    return attempt();
}

bool Storage::runAll(const QStringList &statements)
{
    QSqlQuery query(database());
    if (SqlDialect::execAll(query, statements))
        return true;
    noteError(query.lastError());
    QSqlQuery(database()).exec(QStringLiteral("ROLLBACK;"));
    return false;
}

bool Storage::hasSession(const QString &uuid, bool *ok)
{
    qint64 count = 0;
    *ok = reconnecting([&] {
        // A file that could not be opened before may be there by now.
        if (!isOpen() && !reopen())
            return false;
        if (!prepareRead())
            return false;
        ArchiveQueries queries(database(), m_dialect);
        return queries.countSessions(uuid, &count) || noteError(queries.error());
    });
    return *ok && count > 0;
}

bool Storage::statistics(Statistics *statistics) const
{
    QSqlDatabase db = database();
    statistics->userVersion = StorageSchema::version(db, m_dialect);
    if (statistics->userVersion < 0)
        return false;
    ArchiveQueries queries(db, m_dialect);
    return queries.countRows("persons", &statistics->persons)
            && queries.countRows("sessions", &statistics->sessions)
            && queries.countRows("traces", &statistics->traces)
            && queries.countRows("shots", &statistics->shots);
}

ShooterRecord Storage::findShooter(const QString &name, const QString &organization,
                                   const QString &group)
{
    if (const ShooterRecord *record = m_shooters->find(name, organization, group))
        return *record;
    if (reloadShooters()) {
        if (const ShooterRecord *record = m_shooters->find(name, organization, group))
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
    if (const ShooterRecord *known = m_shooters->find(name, organization, group))
        return *known;
    // Looking up and adding are one write transaction: connections that add
    // the same person at once make one person, which all of them get.
    if (!prepareWrite() || !runAll(m_dialect.beginPersonCreation()))
        return ShooterRecord();
    ShooterRecord record = findShooter(name, organization, group);
    const bool adding = record.id == 0;
    if (adding) {
        record.setName(name);
        record.setOrganization(organization);
        record.setGroup(group);
        record.setProperties(properties);
        if (!writePerson(record)) {
            QSqlQuery(database()).exec(QStringLiteral("ROLLBACK;"));
            reloadShooters();
            return ShooterRecord();
        }
    }
    // The lists are read again after the lock is given up.
    if (!runAll({QStringLiteral("COMMIT;")}) || (adding && !reloadPersonLists())) {
        reloadShooters();
        return ShooterRecord();
    }
    return record;
}

bool Storage::writeShooter(ShooterRecord &record)
{
    if (record.id != 0 && !record.isDirty)
        return true;
    return prepareWrite() && writePerson(record) && reloadPersonLists();
}

bool Storage::writePerson(ShooterRecord &record)
{
    PersonTable persons(database(), m_dialect);
    if (!persons.write(record))
        return noteError(persons.error());
    record.isDirty = false;
    return true;
}

bool Storage::reloadPersonLists()
{
    const bool reloaded = reloadShooters();
    reloadOrganizations();
    reloadCompetitions();
    return reloaded;
}

bool Storage::reloadShooters()
{
    PersonTable persons(database(), m_dialect);
    QList<ShooterRecord> records;
    if (!persons.load(&records))
        return noteError(persons.error());
    m_shooters->merge(records);
    return true;
}

QStringList Storage::organizations() const
{
    //: First entry of the organisation filter: no filter
    return QStringList(tr("[Все организации]")) + m_organizations;
}

bool Storage::reloadOrganizations()
{
    PersonTable persons(database(), m_dialect);
    QStringList organizations;
    if (!persons.organizations(&organizations))
        return noteError(persons.error());
    if (organizations != m_organizations) {
        m_organizations = organizations;
        emit organizationsChanged();
    }
    return true;
}

bool Storage::reloadCompetitions()
{
    ArchiveQueries queries(database(), m_dialect);
    QStringList competitions, competitionsGto;
    if (!queries.competitionNames(false, &competitions)
        || !queries.competitionNames(true, &competitionsGto))
        return noteError(queries.error());
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
    PersonTable persons(database(), m_dialect);
    //: First entry of the group filter: no filter
    QStringList result = {tr("[Все группы]")};
    if (!persons.groups(organization, &result)) {
        noteError(persons.error());
        return {};
    }
    return result;
}

bool Storage::write(Session *session)
{
    m_lastError.clear();
    m_lastFailure = SqlDialect::NoFailure;
    if (!session || !session->isValid()) {
        m_lastError = QStringLiteral("the session is not complete");
        return false;
    }
    if (!reconnecting([&] { return prepareWrite() && writeSessionWithShooter(session); }))
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
    if (!db.transaction())
        return noteError(db.lastError());
    SessionTable rows(db, m_dialect);
    if (!rows.write(session)) {
        noteError(rows.error());
        db.rollback();
        return false;
    }
    if (!db.commit()) {
        noteError(db.lastError());
        db.rollback();
        return false;
    }
    return true;
}

Session *Storage::readSession(uint id)
{
    if (!prepareRead())
        return nullptr;
    // A person another PC added since the list was loaded is read first.
    const auto shooterById = [this](qint64 personId) {
        ShooterRecord record = findShooterById(personId);
        if (record.id == 0 && reloadShooters())
            record = findShooterById(personId);
        return record;
    };
    SessionTable rows(database(), m_dialect);
    Session *session = rows.read(id, shooterById, this);
    if (!session && rows.error().isValid())
        noteError(rows.error());
    return session;
}

bool Storage::reloadAfterDelete()
{
    return reloadOrganizations() && reloadShooters() && reloadCompetitions();
}

template<typename Deletion>
bool Storage::deleting(Deletion deletion)
{
    if (!prepareWrite())
        return false;
    QSqlDatabase db = database();
    if (!db.transaction())
        return noteError(db.lastError());
    QSqlError error;
    if (!deletion(db, &error) || !db.commit()) {
        noteError(error.isValid() ? error : db.lastError());
        db.rollback();
        return false;
    }
    return reloadAfterDelete();
}

bool Storage::deleteSession(const QString &uuid)
{
    return deleting([&](QSqlDatabase &db, QSqlError *error) {
        SessionTable rows(db, m_dialect);
        qint64 sessionId = 0;
        const bool ok = rows.idOf(uuid, &sessionId) && (sessionId == 0 || rows.remove(sessionId));
        *error = rows.error();
        return ok;
    });
}

bool Storage::deleteShooter(uint personId)
{
    return deleting([&](QSqlDatabase &db, QSqlError *error) {
        SessionTable rows(db, m_dialect);
        QList<qint64> sessionIds;
        bool ok = rows.idsOfPerson(personId, &sessionIds);
        for (qint64 sessionId : std::as_const(sessionIds))
            ok = ok && rows.remove(sessionId);
        *error = rows.error();
        if (!ok)
            return false;
        PersonTable persons(db, m_dialect);
        ok = persons.remove(personId);
        *error = persons.error();
        return ok;
    });
}

SessionInfoModel *Storage::sessions(qlonglong personId)
{
    if (!prepareRead())
        return nullptr;
    ArchiveQueries queries(database(), m_dialect);
    SessionInfoModel *model = queries.sessions(personId);
    if (!model)
        noteError(queries.error());
    return model;
}

SessionInfoModel *Storage::sessions()
{
    return sessions(0);
}

SessionInfoModel *Storage::sessionsByCompetitionName(const QString &competitionName, bool isGto)
{
    if (!prepareRead() || !reloadCompetitions())
        return nullptr;
    ArchiveQueries queries(database(), m_dialect);
    std::unique_ptr<SessionInfoModel> model(
            queries.competition(competitionName, isGto, m_shooters->records()));
    const auto unknownPerson = [](const SessionInfo &row) { return row.person.id == 0; };
    // A person another PC added meanwhile: the persons are read again.
    if (model && std::any_of(model->rows().cbegin(), model->rows().cend(), unknownPerson)
        && reloadShooters())
        model.reset(queries.competition(competitionName, isGto, m_shooters->records()));
    if (!model)
        noteError(queries.error());
    return model.release();
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
    if (from <= 0 || to <= 0 || !prepareRead())
        return {};
    ArchiveQueries queries(database(), m_dialect);
    QStringList names;
    if (!queries.competitionNamesBetween(from, to, &names))
        return {};
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
