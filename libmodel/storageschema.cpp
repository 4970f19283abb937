#include "storageschema.h"

#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

namespace LibModel {

namespace {

const char *const SessionsTable
        = "CREATE TABLE sessions (    session_id INTEGER PRIMARY KEY,    uuid VARCHAR(38)        "
          "NOT NULL        CHECK(TYPEOF(uuid)='text' AND LENGTH(uuid)=38),    person_id INTEGER "
          "NOT "
          "NULL,    target_uuid VARCHAR(38)        NOT NULL        "
          "CHECK(TYPEOF(target_uuid)='text' "
          "AND LENGTH(target_uuid)=38),    distance REAL NOT NULL        "
          "CHECK(TYPEOF(distance)='real'),    caliber REAL NOT NULL        "
          "CHECK(TYPEOF(caliber)='real'),    timer INTEGER NOT NULL        "
          "CHECK(TYPEOF(timer)='integer' AND timer>0),    shot_count INTEGER NOT NULL        "
          "CHECK(TYPEOF(shot_count)='integer' AND shot_count>=0),    sample_rate INTEGER NOT NULL  "
          "      CHECK(TYPEOF(sample_rate)='integer' AND sample_rate>=50),    position INTEGER NOT "
          "NULL        CHECK(TYPEOF(position)='integer' AND position in (0,1,2,3)),    comments "
          "TEXT,    properties BLOB NOT NULL,    competition_name TEXT,    is_gto INTEGER DEFAULT "
          "0 "
          "       CHECK(TYPEOF(is_gto)='integer'),    result INTEGER        "
          "CHECK(TYPEOF(result)='integer'),    UNIQUE(uuid),    FOREIGN KEY(person_id) REFERENCES "
          "persons (person_id));";

// The sessions table rebuilt with the current layout, rows and ids kept.
QStringList sessionsRebuild()
{
    return {QStringLiteral("CREATE TEMPORARY TABLE sessions_old AS SELECT * FROM sessions;"),
            QStringLiteral("DROP TABLE sessions;"),
            QLatin1String(SessionsTable),
            QStringLiteral("CREATE UNIQUE INDEX sessions_uuid_ix ON sessions (uuid);"),
            QStringLiteral("CREATE INDEX sessions_person_id_ix ON sessions (person_id);"),
            QStringLiteral("CREATE INDEX sessions_timer_ix ON sessions (timer ASC);"),
            QStringLiteral(
                    "INSERT INTO sessions   (session_id, uuid, person_id, target_uuid, distance, "
                    "caliber, timer, shot_count, sample_rate, position, comments, properties, "
                    "result, competition_name)   SELECT session_id, uuid, person_id, target_uuid, "
                    "distance, caliber, timer, shot_count, sample_rate, position, comments, "
                    "properties, result, competition_name   FROM sessions_old;"),
            QStringLiteral("DROP TABLE sessions_old;")};
}

QStringList newFile()
{
    return {QStringLiteral("PRAGMA legacy_file_format = OFF;"),
            QStringLiteral(
                    "CREATE TABLE persons (     person_id INTEGER PRIMARY KEY,     name TEXT NOT "
                    "NULL         CHECK(TYPEOF(name)='text'),     organization TEXT NOT NULL "
                    "DEFAULT ''         CHECK(TYPEOF(organization)='text'),     group_name TEXT "
                    "NOT NULL DEFAULT ''         CHECK(TYPEOF(group_name)='text'),     "
                    "name_uppercase TEXT NOT NULL         CHECK(TYPEOF(name_uppercase)='text'),   "
                    "  organization_uppercase TEXT NOT NULL DEFAULT ''         "
                    "CHECK(TYPEOF(organization_uppercase)='text'),     group_uppercase TEXT NOT "
                    "NULL DEFAULT ''         CHECK(TYPEOF(group_uppercase)='text'),     "
                    "properties BLOB DEFAULT NULL,    UNIQUE (name_uppercase, "
                    "organization_uppercase, group_uppercase) );"),
            QStringLiteral("CREATE UNIQUE INDEX persons_name_organization_group_ix     ON persons "
                           "(name_uppercase, organization_uppercase, group_uppercase);"),
            QLatin1String(SessionsTable),
            QStringLiteral("CREATE UNIQUE INDEX sessions_uuid_ix ON sessions (uuid);"),
            QStringLiteral("CREATE INDEX sessions_person_id_ix ON sessions (person_id);"),
            QStringLiteral("CREATE INDEX sessions_timer_ix ON sessions (timer ASC);"),
            QStringLiteral("CREATE TABLE traces (     trace_id INTEGER PRIMARY KEY,     "
                           "session_id INTEGER NOT NULL,     timer INTEGER NOT NULL         "
                           "CHECK(TYPEOF(timer)='integer' AND timer>0),     data BLOB NOT NULL,  "
                           "   properties BLOB NOT NULL,     FOREIGN KEY(session_id) REFERENCES "
                           "sessions (session_id) );"),
            QStringLiteral("CREATE INDEX traces_timer_ix ON traces (timer ASC);"),
            QStringLiteral("CREATE INDEX traces_session_id_ix ON traces (session_id);"),
            QStringLiteral(
                    "CREATE TABLE shots (     shot_id INTEGER PRIMARY KEY,     trace_id INTEGER "
                    "NOT NULL,     timer INTEGER NOT NULL         CHECK(TYPEOF(timer)='integer' "
                    "AND timer>0),     trace_offset INTEGER NOT NULL         "
                    "CHECK(TYPEOF(trace_offset)='integer' AND trace_offset>=0),     phase REAL   "
                    "      CHECK(phase ISNULL OR (TYPEOF(phase)='real' and phase >= 0 and phase "
                    "<= 1)),     serie_index INTEGER NOT NULL         "
                    "CHECK(TYPEOF(serie_index)='integer' AND serie_index>=0),     missed INTEGER "
                    "NOT NULL         CHECK(TYPEOF(missed)='integer'),     properties BLOB NOT "
                    "NULL,     FOREIGN KEY(trace_id) REFERENCES traces (trace_id) );"),
            QStringLiteral("CREATE INDEX shots_timer_ix ON shots (timer ASC);"),
            QStringLiteral("CREATE INDEX shots_trace_id_ix ON shots (trace_id);")};
}

// Version 1 files made before the sessions table had a result or a
// competition name lack those columns, which the rebuild copies; they are
// added first (results 0, names empty), so that such files still open.
QStringList missingSessionColumns(const QSqlDatabase &db)
{
    QSqlQuery query(db);
    QStringList columns;
    if (query.exec(QStringLiteral("PRAGMA table_info(sessions);"))) {
        while (query.next())
            columns.append(query.value(1).toString());
    }
    QStringList statements;
    if (!columns.contains(QStringLiteral("result")))
        statements.append(
                QStringLiteral("ALTER TABLE sessions ADD COLUMN result INTEGER DEFAULT 0;"));
    if (!columns.contains(QStringLiteral("competition_name")))
        statements.append(QStringLiteral("ALTER TABLE sessions ADD COLUMN competition_name TEXT;"));
    return statements;
}

QStringList versionOneToTwo(const QSqlDatabase &db)
{
    QStringList statements = {
            QStringLiteral("CREATE TEMPORARY TABLE persons_old AS SELECT * FROM persons;"),
            QStringLiteral("DROP TABLE persons;"),
            QStringLiteral(
                    "CREATE TABLE persons (    person_id INTEGER PRIMARY KEY,    name TEXT NOT "
                    "NULL        CHECK(TYPEOF(name)='text'),    organization TEXT NOT NULL DEFAULT "
                    "''        CHECK(TYPEOF(organization)='text'),    group_name TEXT NOT NULL "
                    "DEFAULT ''        CHECK(TYPEOF(group_name)='text'),    name_uppercase TEXT "
                    "NOT NULL        CHECK(TYPEOF(name_uppercase)='text'),    "
                    "organization_uppercase TEXT NOT NULL DEFAULT ''        "
                    "CHECK(TYPEOF(organization_uppercase)='text'),    group_uppercase TEXT NOT "
                    "NULL DEFAULT ''        CHECK(TYPEOF(group_uppercase)='text'),    properties "
                    "BLOB DEFAULT NULL,    UNIQUE (name_uppercase, organization_uppercase, "
                    "group_uppercase));"),
            QStringLiteral("CREATE UNIQUE INDEX persons_name_organization_group_ix    ON persons "
                           "(name_uppercase, organization_uppercase, group_uppercase);"),
            QStringLiteral("INSERT INTO persons   (person_id, name, organization, group_name, "
                           "name_uppercase, organization_uppercase, group_uppercase)   SELECT "
                           "person_id, name, organization, group_name, name_uppercase, "
                           "organization_uppercase, group_uppercase   FROM persons_old;"),
            QStringLiteral("DROP TABLE persons_old;")};
    return statements + missingSessionColumns(db) + sessionsRebuild();
}

QString setVersion(int version)
{
    return QStringLiteral("PRAGMA user_version=%1;").arg(version);
}

// One committed step: every statement, then the new version, or nothing.
bool runStep(QSqlDatabase &db, QSqlQuery &query, const QStringList &statements, int version)
{
    if (!db.transaction())
        return false;
    for (const QString &statement : statements) {
        if (!query.exec(statement)) {
            db.rollback();
            return false;
        }
    }
    if (!query.exec(setVersion(version))) {
        db.rollback();
        return false;
    }
    if (!db.commit()) {
        db.rollback();
        return false;
    }
    return true;
}

} // namespace

int StorageSchema::version(const QSqlDatabase &db)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("PRAGMA user_version;")) || !query.next())
        return -1;
    return query.value(0).toInt();
}

bool StorageSchema::upgrade(QSqlDatabase &db)
{
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("PRAGMA user_version;")) || !query.next())
        return false;
    int version = query.value(0).toInt();
    query.finish();
    if (version > CurrentVersion || version < 0)
        return false;

    if (version == 0) {
        if (!runStep(db, query, newFile(), CurrentVersion))
            return false;
        version = CurrentVersion;
    }
    if (version == 1) {
        if (!runStep(db, query, versionOneToTwo(db), 2))
            return false;
        version = 2;
    }
    if (version == 2) {
        if (!runStep(db, query, sessionsRebuild(), 3))
            return false;
    }
    return query.exec(QStringLiteral("PRAGMA user_version;")) && query.next();
}

} // namespace LibModel
