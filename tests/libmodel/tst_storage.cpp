// The database, each case on a SQLite file and on a database of a private
// PostgreSQL server: its schema and the upgrades of older files, databases
// it must leave alone, sessions written and read back, deletion, the
// person and organisation lists, two processes writing one competition at
// once, and a server that goes away. (Failed writes: tst_outbox; the
// shooter import and the session lists: tst_kavrodb; the competition lists:
// the archive page's test.)
#include <postgresserver.h>
#include <sessionbuilder.h>
#include <sqlfile.h>
#include <testenvironment.h>

#include <recordcodec.h>
#include <sessioninfomodel.h>
#include <sessionoutbox.h>
#include <shootermodel.h>
#include <shot.h>
#include <storage.h>
#include <trace.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QProcess>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <memory>

using namespace LibModel;

namespace {

// Set where no PostgreSQL server can run: the cases run on SQLite only.
constexpr char NoPostgres[] = "KAVRO_TEST_NO_POSTGRES";
// The child writer (this program with these set): see runWriter().
constexpr char WriterDatabase[] = "KAVRO_STORAGE_WRITER";
constexpr char WriterIndex[] = "KAVRO_STORAGE_WRITER_INDEX";
const QString SharedShooter = QStringLiteral("Общий Стрелок");
constexpr int WriterSessions = 4;

// Says "ready", waits for a line, then writes sessions of one competition:
// the first of them of a person the other writer makes at the same moment.
int runWriter(const QString &database, int index)
{
    Storage storage;
    if (!storage.open(database, QStringLiteral("writer")))
        return 2;
    std::puts("ready");
    std::fflush(stdout);
    char go[8];
    if (!std::fgets(go, sizeof go, stdin))
        return 2;
    for (int i = 0; i < WriterSessions; ++i) {
        SessionBuilder builder(&storage, SessionBuilder::Start + 1000 * (10 * index + i));
        builder.shooter(i == 0 ? SharedShooter : QStringLiteral("Стрелок %1.%2").arg(index).arg(i))
                .competition(QStringLiteral("Кубок"))
                .shots({{0.7 * (10 * index + i), 0.0}});
        if (builder.write() == 0) {
            std::fprintf(stderr, "%s\n", qPrintable(storage.lastError()));
            return 3;
        }
    }
    return 0;
}

QByteArray fileHash(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly)
            ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
            : QByteArray();
}

} // namespace

class TestStorage : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<PostgresServer> server;
    int databases = 0;
    bool onServer = false;
    std::unique_ptr<QTemporaryDir> folder;
    std::unique_ptr<Storage> storage;

    QString path() const { return folder->filePath(QStringLiteral("storage.sqlite")); }
    // A new, empty database on the server.
    QString newDatabase(QString *name = nullptr)
    {
        const QString database = QStringLiteral("test%1").arg(++databases);
        if (name)
            *name = database;
        return server->createDatabase(database) ? server->uri(database) : QString();
    }

    // Through the storage's own connection: it sees its temporary triggers
    // and counts its own changes.
    QVariant scalar(const QString &statement) const
    {
        QSqlQuery query(QSqlDatabase::database(storage->connectionName()));
        return query.exec(statement) && query.next() ? query.value(0) : QVariant();
    }
    int rows(const char *table) const
    {
        return scalar(QStringLiteral("SELECT COUNT(*) FROM %1;").arg(QLatin1String(table))).toInt();
    }
    qint64 totalChanges() const
    {
        return onServer ? 0 : scalar(QStringLiteral("SELECT total_changes();")).toLongLong();
    }

    // `traces` traces of `shots` shots each, the shots of trace t in series t.
    std::unique_ptr<Session> makeSession(int traces, int shots,
                                         const QString &name = QStringLiteral("Иванов Иван"))
    {
        SessionBuilder builder(storage.get());
        builder.shooter(name, QStringLiteral("ЦСКА"), QStringLiteral("A"))
                .value(QStringLiteral("medal"), QStringLiteral("gold"));
        for (int t = 0; t < traces; ++t) {
            builder.trace();
            for (int s = 0; s < shots; ++s)
                builder.shot(0.5 * s, -1.0 * t, t);
        }
        return builder.take();
    }

private slots:
    void initTestCase_data()
    {
        QTest::addColumn<bool>("server");
        QTest::newRow("file") << false;
        if (!qEnvironmentVariableIsSet(NoPostgres))
            QTest::newRow("server") << true;
    }

    void initTestCase()
    {
        if (qEnvironmentVariableIsSet(NoPostgres) || server)
            return;
        server = std::make_unique<PostgresServer>();
        QVERIFY2(server->start(), qPrintable(server->error()));
    }

    void init()
    {
        QFETCH_GLOBAL(bool, server);
        onServer = server;
        folder = std::make_unique<QTemporaryDir>();
        storage = std::make_unique<Storage>();
        const QString database = onServer ? newDatabase() : path();
        QVERIFY2(storage->open(database, QStringLiteral("test")), qPrintable(storage->lastError()));
        QCOMPARE(storage->location().isServer(), onServer);
    }

    void cleanup()
    {
        storage.reset();
        folder.reset();
    }

    void newFileMatchesTheSchema()
    {
        if (onServer)
            QSKIP("The file format only.");
        // The schema texts are the file format: compared byte for byte.
        QFile golden(QFINDTESTDATA("data/schema-v3.txt"));
        QVERIFY(golden.open(QIODevice::ReadOnly));
        const QStringList expected
                = QString::fromUtf8(golden.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QStringList actual;
        QSqlQuery query(QSqlDatabase::database(storage->connectionName()));
        QVERIFY(query.exec(QStringLiteral(
                "SELECT type, name, tbl_name, sql FROM sqlite_master ORDER BY rowid;")));
        while (query.next())
            actual << QStringLiteral("%1|%2|%3|%4")
                              .arg(query.value(0).toString(), query.value(1).toString(),
                                   query.value(2).toString(), query.value(3).toString());
        QCOMPARE(actual, expected);
        QCOMPARE(scalar(QStringLiteral("PRAGMA user_version;")).toInt(), 3);
    }

    void upgradesOlderFiles_data()
    {
        QTest::addColumn<int>("version");
        QTest::addColumn<QString>("personColumns"); // beyond those of every version
        QTest::addColumn<QString>("sessionColumns");
        QTest::addColumn<QString>("sessionValues");
        const QString columns = QStringLiteral(", competition_name, result");
        const QString values = QStringLiteral(", 'Кубок', 130");
        QTest::newRow("version 1 before results") << 1 << QString() << QString() << QString();
        QTest::newRow("version 1") << 1 << QString() << columns << values;
        QTest::newRow("version 2") << 2 << QStringLiteral(", properties") << columns << values;
    }

    void upgradesOlderFiles()
    {
        QFETCH(int, version);
        QFETCH(QString, personColumns);
        QFETCH(QString, sessionColumns);
        QFETCH(QString, sessionValues);
        if (onServer)
            QSKIP("A server database starts at the current version.");
        storage.reset();
        const QString old = folder->filePath(QStringLiteral("old.sqlite"));
        const QByteArray properties = RecordCodec::encodeProperties(
                {{QStringLiteral("medal"), QStringLiteral("bronze")}});
        QVERIFY(SqlFile::exec(
                old,
                {QStringLiteral("CREATE TABLE persons (person_id INTEGER PRIMARY KEY, name, "
                                "organization, group_name, name_uppercase, "
                                "organization_uppercase, group_uppercase%1);")
                         .arg(personColumns),
                 QStringLiteral("CREATE TABLE sessions (session_id INTEGER PRIMARY KEY, uuid, "
                                "person_id, target_uuid, distance, caliber, timer, shot_count, "
                                "sample_rate, position, comments, properties%1);")
                         .arg(sessionColumns),
                 QStringLiteral("CREATE TABLE traces (trace_id INTEGER PRIMARY KEY, session_id, "
                                "timer, data, properties);"),
                 QStringLiteral("CREATE TABLE shots (shot_id INTEGER PRIMARY KEY, trace_id);"),
                 QStringLiteral("INSERT INTO persons (person_id, name, organization, group_name, "
                                "name_uppercase, organization_uppercase, group_uppercase) VALUES "
                                "(7, 'Пётр', 'ЦСКА', '', 'ПЁТР', 'ЦСКА', ''), (9, 'Олег', "
                                "'Динамо', '', 'ОЛЕГ', 'ДИНАМО', '');"),
                 QStringLiteral("INSERT INTO sessions (session_id, uuid, person_id, target_uuid, "
                                "distance, caliber, timer, shot_count, sample_rate, position, "
                                "properties%1) VALUES (12, "
                                "'{00000000-0000-0000-0000-000000000012}', 7, "
                                "'{26044802-5B13-48d6-A5F8-BE777C9BED82}', 10.0, 4.5, "
                                "1600000000012, 0, 100, 1, x'%2'%3), (40, "
                                "'{00000000-0000-0000-0000-000000000040}', 7, "
                                "'{26044802-5B13-48d6-A5F8-BE777C9BED82}', 10.0, 4.5, "
                                "1600000000040, 0, 100, 1, x'%2'%3);")
                         .arg(sessionColumns, QLatin1String(properties.toHex()), sessionValues),
                 QStringLiteral("PRAGMA user_version=%1;").arg(version)}));

        storage = std::make_unique<Storage>();
        QVERIFY(storage->open(old, QStringLiteral("test")));
        QCOMPARE(scalar(QStringLiteral("PRAGMA user_version;")).toInt(), 3);
        // The persons, the sessions, their results and records are kept.
        QCOMPARE(storage->findShooterById(9).name, QStringLiteral("Олег"));
        QCOMPARE(storage->competitions().size(), sessionValues.isEmpty() ? 0 : 1);
        const std::unique_ptr<SessionInfoModel> list(storage->sessions(7));
        QCOMPARE(list->rows().size(), 2);
        QCOMPARE(list->rows().at(1).id, 40u);
        QCOMPARE(list->rows().at(1).properties.value(QStringLiteral("medal")).toString(),
                 QStringLiteral("bronze"));
        QCOMPARE(list->rows().at(1).result, sessionValues.isEmpty() ? 0 : 130);
    }

    // Databases of others are left as they are; addresses it cannot use
    // are refused with the reason.
    void refuses_data()
    {
        QTest::addColumn<bool>("forServer");
        QTest::addColumn<QStringList>("statements"); // or the address: "%2" the socket folder
        QTest::addColumn<QString>("why");
        const QString newer = QStringLiteral("CREATE TABLE future (x TEXT);");
        const QString notes = QStringLiteral("CREATE TABLE notes (x TEXT);");
        QTest::newRow("newer file")
                << false << QStringList({newer, QStringLiteral("PRAGMA user_version=4;")})
                << QStringLiteral("newer version");
        QTest::newRow("newer database")
                << true
                << QStringList({newer,
                                QStringLiteral("CREATE TABLE kavro_schema AS SELECT 4 AS "
                                               "version;")})
                << QStringLiteral("newer version");
        for (bool forServer : {false, true})
            QTest::addRow("another program's %s", forServer ? "database" : "file")
                    << forServer << QStringList({notes})
                    << QStringLiteral("not a database of this");
        QTest::newRow("not a database")
                << false << QStringList() << QStringLiteral("not a database");
        QTest::newRow("wrong password")
                << true
                << QStringList({QStringLiteral("postgresql://%1@/postgres?host=%2")
                                        .arg(PostgresServer::passwordRole())})
                << QStringLiteral("password is wrong");
        QTest::newRow("no such database")
                << true << QStringList({QStringLiteral("postgresql:///missing?host=%2")})
                << QStringLiteral("there is no database");
        QTest::newRow("no server")
                << true << QStringList({QStringLiteral("postgresql:///x?host=%2/nothing")})
                << QStringLiteral("does not answer");
    }

    void refuses()
    {
        QFETCH(bool, forServer);
        QFETCH(QStringList, statements);
        QFETCH(QString, why);
        if (forServer != onServer)
            QSKIP("The other engine's case.");
        Storage refusing;
        if (!onServer) {
            const QString file = folder->filePath(QStringLiteral("other"));
            if (statements.isEmpty()) {
                QFile notes(file);
                QVERIFY(notes.open(QIODevice::WriteOnly));
                notes.write(QByteArray("not a database, just some notes\n").repeated(200));
            } else {
                QVERIFY(SqlFile::exec(file, statements));
            }
            const QByteArray before = fileHash(file);
            QVERIFY(!refusing.open(file, QStringLiteral("refusing")));
            refusing.removeConnection();
            QCOMPARE(fileHash(file), before);
        } else if (statements.first().startsWith(QLatin1String("postgresql:"))) {
            qputenv("PGPASSWORD", "wrong");
            const bool opened = refusing.open(
                    statements.first().replace(QStringLiteral("%2"), server->socketFolder()),
                    QStringLiteral("refusing"));
            qunsetenv("PGPASSWORD");
            QVERIFY(!opened);
        } else {
            QString name;
            const QString uri = newDatabase(&name);
            QVERIFY(server->execute(name, statements));
            QVERIFY(!refusing.open(uri, QStringLiteral("refusing")));
            QVERIFY(!server->execute(name,
                                     {QStringLiteral("SELECT 1 FROM persons;")})); // untouched
        }
        QVERIFY2(refusing.lastError().contains(why), qPrintable(refusing.lastError()));
    }

    void writesAndReadsBack()
    {
        // What the tool's export does not show (see tst_kavrodb for the rest).
        SessionBuilder builder(storage.get());
        builder.shooter(QStringLiteral("Иванов"))
                .competition(QStringLiteral("Кубок"), true)
                .shots({{0.1, 0}, {2.6, 0}}, 0)
                .trace()
                .missed(2);
        Session *session = builder.session();
        session->segments().first()->setProperties({{QStringLiteral("note"), 1}});
        QVERIFY(builder.write() > 0);
        QVERIFY(!session->isDirty());
        const std::unique_ptr<Session> read(storage->readSession(uint(session->id())));
        QVERIFY(read);
        QVERIFY(!read->isDirty());
        QCOMPARE(read->uuid(), session->uuid());
        QCOMPARE(read->competitionName(), QStringLiteral("Кубок"));
        QVERIFY(read->isGto());
        QCOMPARE(read->series().size(), 3);
        QCOMPARE(read->result(), session->result());
        QCOMPARE(read->segments().first()->properties().value(QStringLiteral("note")).toInt(), 1);
        QCOMPARE(read->shots().constLast()->id(), session->shots().constLast()->id());
        const std::unique_ptr<SessionInfoModel> list(storage->sessions(session->shooterId()));
        QCOMPARE(list->rows().constFirst().result,
                 session->resultInt()); // the table's result column
        QVERIFY(!storage->readSession(9999));
    }

    void secondWriteIsIncremental()
    {
        std::unique_ptr<Session> session(makeSession(2, 3));
        QVERIFY(session->write());
        const qint64 after = totalChanges();
        QVERIFY(session->write());
        session->setComments(QStringLiteral("ветер слева"));
        QVERIFY(session->write());
        if (!onServer) // SQLite counts the rows it changed: nothing, then the session row
            QCOMPARE(totalChanges(), after + 1);

        // More shots later: the stored count and result follow, and so
        // does the fitness-norm flag.
        Trace *trace = session->segments().last();
        TraceSample sample;
        sample.x = 0.1f;
        sample.y = 0.0f;
        trace->appendSample(0, sample);
        trace->appendShot(1, -1, false, 0.0);
        session->setIsGto(true);
        QVERIFY(session->write());
        QCOMPARE(scalar(QStringLiteral("SELECT result FROM sessions;")).toInt(),
                 session->resultInt());
        QCOMPARE(scalar(QStringLiteral("SELECT shot_count FROM sessions;")).toInt(), 7);
        QCOMPARE(scalar(QStringLiteral("SELECT is_gto FROM sessions;")).toInt(), 1);
        QCOMPARE(rows("shots"), 7);
    }

    void oddSessionsAndRows()
    {
        Session invalid(storage.get());
        QVERIFY(!invalid.write());
        // An empty trace is left out (it could never be read back) and an
        // impossible phase is stored as unknown instead of failing the write.
        std::unique_ptr<Session> session(makeSession(1, 1));
        session->appendTrace(1800000000000);
        session->segments().first()->appendShot(0, 0, false, 7.5);
        QVERIFY(session->write());
        QCOMPARE(rows("traces"), 1);
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM shots WHERE phase IS NULL;")).toInt(),
                 1);
        const std::unique_ptr<Session> read(storage->readSession(uint(session->id())));
        QVERIFY(read);
        QCOMPARE(read->shots().size(), 2);

        // A stored trace without samples makes the session unreadable.
        QSqlQuery query(QSqlDatabase::database(storage->connectionName()));
        query.prepare(QStringLiteral("UPDATE traces SET data=?;"));
        query.addBindValue(RecordCodec::encodeSamples({}));
        QVERIFY(query.exec());
        QVERIFY(!storage->readSession(uint(session->id())));
    }

    void deletesCascade()
    {
        std::unique_ptr<Session> first(makeSession(2, 3));
        std::unique_ptr<Session> second(makeSession(1, 2));
        std::unique_ptr<Session> other(makeSession(1, 1, QStringLiteral("Петров")));
        QVERIFY(first->write() && second->write() && other->write());

        QVERIFY(storage->deleteSession(first->uuid()));
        QCOMPARE(rows("sessions"), 2);
        QCOMPARE(rows("traces"), 2);
        QCOMPARE(rows("shots"), 3);

        QVERIFY(storage->deleteShooter(uint(second->shooterId())));
        QCOMPARE(rows("persons"), 1);
        QCOMPARE(rows("sessions"), 1);
        QCOMPARE(rows("shots"), 1);
        QCOMPARE(storage->shooters()->count(), 1);
        QCOMPARE(storage->shooters()->records().first().name, QStringLiteral("Петров"));
    }

    void personsAndLists()
    {
        QSignalSpy organizations(storage.get(), &Storage::organizationsChanged);
        // Names are stored with their white space cleaned up.
        const ShooterRecord anna
                = storage->createShooter(QStringLiteral("  Анна \t Ли "), QStringLiteral("Динамо"),
                                         QStringLiteral(" A "), {});
        QVERIFY(anna.id > 0);
        QCOMPARE(anna.name, QStringLiteral("Анна Ли"));
        QCOMPARE(anna.group, QStringLiteral("A"));
        QCOMPARE(organizations.count(), 1);
        // The same person in other letter case is found, not created again.
        QCOMPARE(storage->createShooter(QStringLiteral("АННА ЛИ"), QStringLiteral("динамо"),
                                        QStringLiteral("a"), {{QStringLiteral("x"), 1}})
                         .id,
                 anna.id);
        QCOMPARE(storage->lookupShooter(QStringLiteral("анна ли"), QStringLiteral("ДИНАМО"),
                                        QStringLiteral("A")),
                 uint(anna.id));
        storage->createShooter(QStringLiteral("Борис"), QStringLiteral("Динамо"),
                               QStringLiteral("Б"), {});
        storage->createShooter(QStringLiteral("Вера"), QString(), QString(), {});
        QCOMPARE(storage->groups(QStringLiteral("динамо")),
                 QStringList({QStringLiteral("[Все группы]"), QStringLiteral("A"),
                              QStringLiteral("Б")}));

        ShooterRecord changed = anna;
        changed.setProperties({{QStringLiteral("step"), QStringLiteral("5")}});
        QVERIFY(storage->writeShooter(changed));
        QCOMPARE(storage->findShooterById(anna.id).properties.value(QStringLiteral("step")),
                 QVariant(QStringLiteral("5")));
    }

    void twoProcessesWriteOneCompetition()
    {
        std::unique_ptr<QProcess> writers[2];
        for (int index = 0; index < 2; ++index) {
            writers[index] = std::make_unique<QProcess>();
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QLatin1String(WriterDatabase), storage->path());
            environment.insert(QLatin1String(WriterIndex), QString::number(index));
            writers[index]->setProcessEnvironment(environment);
            writers[index]->start(QCoreApplication::applicationFilePath(), {});
            QVERIFY(writers[index]->waitForReadyRead(60000));
            QCOMPARE(writers[index]->readLine().trimmed(), QByteArray("ready"));
        }
        // On the server both wait for this lock and then go at the same moment.
        QSqlQuery hold(QSqlDatabase::database(storage->connectionName()));
        if (onServer)
            QVERIFY(hold.exec(QStringLiteral("BEGIN;"))
                    && hold.exec(QStringLiteral("LOCK TABLE persons IN ACCESS EXCLUSIVE MODE;")));
        for (auto &writer : writers)
            writer->write("go\n");
        if (onServer) {
            QTRY_COMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM pg_locks WHERE NOT granted;"))
                                 .toInt(),
                         2);
            QVERIFY(hold.exec(QStringLiteral("COMMIT;")));
        }
        for (auto &writer : writers) {
            QVERIFY(writer->waitForFinished(60000));
            QVERIFY2(writer->exitCode() == 0, writer->readAllStandardError().constData());
        }
        // One person made by both at once, with both sessions; one table
        // over all sessions, its persons known.
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM sessions JOIN persons ON "
                                       "sessions.person_id = persons.person_id WHERE "
                                       "persons.name = '%1';")
                                .arg(SharedShooter))
                         .toInt(),
                 2);
        QCOMPARE(rows("persons"), 2 * WriterSessions - 1);
        const std::unique_ptr<SessionInfoModel> table(
                storage->sessionsByCompetitionName(QStringLiteral("Кубок"), false));
        QVERIFY(table);
        QCOMPARE(table->rows().size(), 2 * WriterSessions);
        for (const SessionInfo &row : table->rows())
            QVERIFY(row.person.id != 0 && !row.place.isEmpty());
    }

    void serverGoesAwayAndComesBack()
    {
        if (!onServer)
            QSKIP("A file's faults: tst_outbox.");
        std::unique_ptr<Session> first(makeSession(1, 2));
        QVERIFY(first->write());
        std::unique_ptr<Session> second(makeSession(1, 3, QStringLiteral("Петров")));
        SessionOutbox outbox(folder->filePath(QStringLiteral("pending")));
        QVERIFY(outbox.put(*second));
        QVERIFY(server->stop());
        outbox.deliver(storage.get());
        QCOMPARE(outbox.pendingUuids(), QStringList({second->uuid()}));
        QVERIFY2(storage->lastError().contains(QStringLiteral("the database server")),
                 qPrintable(storage->lastError()));
        QVERIFY(server->start());
        // The next delivery connects anew by itself.
        QCOMPARE(outbox.deliver(storage.get()).delivered, 1);
        QCOMPARE(outbox.pendingCount(), 0);
        QCOMPARE(rows("sessions"), 2);
        QCOMPARE(rows("shots"), 5);
        // A restart between two writes: the write itself connects anew.
        std::unique_ptr<Session> third(makeSession(1, 1, QStringLiteral("Петров")));
        QVERIFY(server->stop() && server->start());
        QVERIFY2(third->write(), qPrintable(storage->lastError()));
        QCOMPARE(rows("sessions"), 3);
    }
};

int main(int argc, char *argv[])
{
    TestEnvironment::prepare();
    QCoreApplication app(argc, argv);
    LibMisc::ApplicationIdentity::apply();
    if (qEnvironmentVariableIsSet(WriterDatabase))
        return runWriter(qEnvironmentVariable(WriterDatabase),
                         qEnvironmentVariableIntValue(WriterIndex));
    TestStorage tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}
#include "tst_storage.moc"
