#include "storageschema.h"
#include "sqldialect.h"

#include <QSqlError>
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

// A new server database: the tables, columns and indexes of a new file in
// PostgreSQL's types, the version in a one-row table of its own.
QStringList newServerDatabase()
{
    return {QStringLiteral("CREATE TABLE kavro_schema (version INTEGER NOT NULL);"),
            QStringLiteral("INSERT INTO kavro_schema (version) VALUES (0);"),
            QStringLiteral(
                    "CREATE TABLE persons (person_id BIGINT GENERATED BY DEFAULT AS IDENTITY "
                    "PRIMARY KEY, name TEXT NOT NULL, organization TEXT NOT NULL DEFAULT '', "
                    "group_name TEXT NOT NULL DEFAULT '', name_uppercase TEXT NOT NULL, "
                    "organization_uppercase TEXT NOT NULL DEFAULT '', group_uppercase TEXT NOT "
                    "NULL DEFAULT '', properties BYTEA DEFAULT NULL);"),
            QStringLiteral("CREATE UNIQUE INDEX persons_name_organization_group_ix ON persons "
                           "(name_uppercase, organization_uppercase, group_uppercase);"),
            QStringLiteral(
                    "CREATE TABLE sessions (session_id BIGINT GENERATED BY DEFAULT AS IDENTITY "
                    "PRIMARY KEY, uuid VARCHAR(38) NOT NULL CHECK(LENGTH(uuid)=38), person_id "
                    "BIGINT NOT NULL REFERENCES persons (person_id), target_uuid VARCHAR(38) NOT "
                    "NULL CHECK(LENGTH(target_uuid)=38), distance DOUBLE PRECISION NOT NULL, "
                    "caliber DOUBLE PRECISION NOT NULL, timer BIGINT NOT NULL CHECK(timer>0), "
                    "shot_count INTEGER NOT NULL CHECK(shot_count>=0), sample_rate INTEGER NOT "
                    "NULL CHECK(sample_rate>=50), position INTEGER NOT NULL CHECK(position IN "
                    "(0,1,2,3)), comments TEXT, properties BYTEA NOT NULL, competition_name "
                    "TEXT, is_gto INTEGER DEFAULT 0, result INTEGER);"),
            QStringLiteral("CREATE UNIQUE INDEX sessions_uuid_ix ON sessions (uuid);"),
            QStringLiteral("CREATE INDEX sessions_person_id_ix ON sessions (person_id);"),
            QStringLiteral("CREATE INDEX sessions_timer_ix ON sessions (timer ASC);"),
            QStringLiteral("CREATE INDEX sessions_competition_ix ON sessions (competition_name, "
                           "is_gto);"),
            QStringLiteral(
                    "CREATE TABLE traces (trace_id BIGINT GENERATED BY DEFAULT AS IDENTITY "
                    "PRIMARY KEY, session_id BIGINT NOT NULL REFERENCES sessions (session_id), "
                    "timer BIGINT NOT NULL CHECK(timer>0), data BYTEA NOT NULL, properties "
                    "BYTEA NOT NULL);"),
            // The samples come compressed already: kept out of line as they are.
            QStringLiteral("ALTER TABLE traces ALTER COLUMN data SET STORAGE EXTERNAL;"),
            QStringLiteral("CREATE INDEX traces_timer_ix ON traces (timer ASC);"),
            QStringLiteral("CREATE INDEX traces_session_id_ix ON traces (session_id);"),
            QStringLiteral(
                    "CREATE TABLE shots (shot_id BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY "
                    "KEY, trace_id BIGINT NOT NULL REFERENCES traces (trace_id), timer BIGINT "
                    "NOT NULL CHECK(timer>0), trace_offset BIGINT NOT NULL "
                    "CHECK(trace_offset>=0), phase DOUBLE PRECISION CHECK(phase IS NULL OR "
                    "(phase>=0 AND phase<=1)), serie_index INTEGER NOT NULL "
                    "CHECK(serie_index>=0), missed INTEGER NOT NULL, properties BYTEA NOT "
                    "NULL);"),
            QStringLiteral("CREATE INDEX shots_timer_ix ON shots (timer ASC);"),
            QStringLiteral("CREATE INDEX shots_trace_id_ix ON shots (trace_id);")};
}

// The statements that take a database of `version` one step on, and the
// version they reach; none for a version this engine has no step from.
QStringList stepFrom(const SqlDialect &dialect, const QSqlDatabase &db, int version, int *next)
{
    *next = StorageSchema::CurrentVersion;
    if (dialect.isServer())
        return version == 0 ? newServerDatabase() : QStringList();
    switch (version) {
    case 0:
        return newFile();
    case 1:
        *next = 2;
        return versionOneToTwo(db);
    case 2:
        return sessionsRebuild();
    default:
        return {};
    }
}

} // namespace

int StorageSchema::version(const QSqlDatabase &db, const SqlDialect &dialect)
{
    SqlDialect::Failure failure;
    return dialect.storedVersion(db, &failure);
}

bool StorageSchema::upgrade(QSqlDatabase &db, const SqlDialect &dialect, QString *error)
{
    SqlDialect::Failure failure;
    QString detail;
    int version = dialect.storedVersion(db, &failure, &detail);
    QSqlQuery query(db);
    bool inTransaction = false;
    const auto fail = [&](const QString &why) {
        *error = why;
        if (inTransaction)
            query.exec(QStringLiteral("ROLLBACK;"));
        return false;
    };
    // One committed step at a time; the version is read again inside the
    // step's transaction, as another connection may have taken it meanwhile.
    while (version != CurrentVersion) {
        if (version < 0)
            return fail(failure == SqlDialect::Other
                                ? QStringLiteral("the database's version cannot be read (%1)")
                                          .arg(detail)
                                : dialect.describe(failure, detail));
        if (version > CurrentVersion)
            return fail(QStringLiteral("the database was made by a newer version of the program "
                                       "(its schema version %1; this one knows up to %2): it was "
                                       "left unchanged")
                                .arg(version)
                                .arg(CurrentVersion));
        inTransaction = true;
        if (!SqlDialect::execAll(query, dialect.beginSchemaChange()))
            return fail(dialect.describe(query.lastError()));
        const int seen = dialect.storedVersion(db, &failure, &detail);
        if (seen != version) {
            query.exec(QStringLiteral("COMMIT;"));
            inTransaction = false;
            version = seen;
            continue;
        }
        int next = 0;
        const QStringList statements = stepFrom(dialect, db, version, &next);
        if (statements.isEmpty())
            return fail(QStringLiteral("the database's schema version %1 cannot be brought up to "
                                       "date on this engine")
                                .arg(version));
        if (!SqlDialect::execAll(query, statements)
            || !query.exec(dialect.setVersionStatement(next))
            || !query.exec(QStringLiteral("COMMIT;")))
            return fail(QStringLiteral("the database could not be brought up to date: %1")
                                .arg(dialect.describe(query.lastError())));
        inTransaction = false;
        version = next;
    }
    return true;
}

} // namespace LibModel
