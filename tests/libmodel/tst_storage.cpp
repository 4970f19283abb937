// The database file: its schema and the upgrades of older files, sessions
// written and read back, deletion, and the person, organisation and
// competition lists. (Failed writes: tst_storagefaults; the shooter import
// and the session lists: tst_kavrodb.)
#include <sessionbuilder.h>
#include <sqlfile.h>
#include <testenvironment.h>

#include <recordcodec.h>
#include <sessioninfomodel.h>
#include <shootermodel.h>
#include <shot.h>
#include <storage.h>
#include <trace.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <memory>

using namespace LibModel;

namespace {

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
    std::unique_ptr<QTemporaryDir> folder;
    std::unique_ptr<Storage> storage;

    QString path() const { return folder->filePath(QStringLiteral("storage.sqlite")); }

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
        return scalar(QStringLiteral("SELECT total_changes();")).toLongLong();
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
    void init()
    {
        folder = std::make_unique<QTemporaryDir>();
        storage = std::make_unique<Storage>();
        QVERIFY(storage->open(path(), QStringLiteral("test")));
    }

    void cleanup()
    {
        storage.reset();
        folder.reset();
    }

    void newFileMatchesTheSchema()
    {
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
        QCOMPARE(storage->organizations(),
                 QStringList({QStringLiteral("[Все организации]"), QStringLiteral("Динамо"),
                              QStringLiteral("ЦСКА")}));
        QCOMPARE(scalar(QStringLiteral("SELECT SUM(result) FROM sessions WHERE is_gto=0;")).toInt(),
                 sessionValues.isEmpty() ? 0 : 260);
        QCOMPARE(storage->competitions().size(), sessionValues.isEmpty() ? 0 : 1);
        const std::unique_ptr<SessionInfoModel> list(storage->sessions(7));
        QVERIFY(list);
        QCOMPARE(list->rows().size(), 2);
        QCOMPARE(list->rows().at(1).id, 40u);
        QCOMPARE(list->rows().at(1).properties.value(QStringLiteral("medal")).toString(),
                 QStringLiteral("bronze"));
        QCOMPARE(list->rows().at(1).result, sessionValues.isEmpty() ? 0 : 130);
    }

    void refusesNewerAndForeignFiles()
    {
        const QString newer = folder->filePath(QStringLiteral("v4.sqlite"));
        QVERIFY(SqlFile::exec(newer,
                              {QStringLiteral("CREATE TABLE future (x);"),
                               QStringLiteral("PRAGMA user_version=4;")}));
        const QString text = folder->filePath(QStringLiteral("notes.txt"));
        QFile notes(text);
        QVERIFY(notes.open(QIODevice::WriteOnly));
        notes.write(QByteArray("not a database, just some notes\n").repeated(200));
        notes.close();
        for (const QString &file : {newer, text}) {
            const QByteArray before = fileHash(file);
            Storage refusing;
            QVERIFY(!refusing.open(file, QStringLiteral("refusing")));
            refusing.removeConnection();
            QCOMPARE(fileHash(file), before);
        }
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
        QCOMPARE(totalChanges(), after); // nothing was executed

        session->setComments(QStringLiteral("ветер слева"));
        QVERIFY(session->write());
        QCOMPARE(totalChanges(), after + 1); // the session row only

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
        QVERIFY(storage->deleteSession(QStringLiteral("{no-such-session}")));

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
        QCOMPARE(storage->lookupShooter(QStringLiteral("Борис"), QString(), QString()), 0u);
        storage->createShooter(QStringLiteral("Борис"), QStringLiteral("Динамо"),
                               QStringLiteral("Б"), {});
        storage->createShooter(QStringLiteral("Вера"), QString(), QString(), {});
        QCOMPARE(storage->groups(QStringLiteral("динамо")),
                 QStringList({QStringLiteral("[Все группы]"), QStringLiteral("A"),
                              QStringLiteral("Б")}));
        QCOMPARE(storage->organizations(),
                 QStringList({QStringLiteral("[Все организации]"), QStringLiteral("Динамо")}));
        QCOMPARE(storage->shooters()->count(), 3);

        ShooterRecord changed = anna;
        changed.setProperties({{QStringLiteral("step"), QStringLiteral("5")}});
        QVERIFY(storage->writeShooter(changed));
        QCOMPARE(storage->findShooterById(anna.id).properties.value(QStringLiteral("step")),
                 QVariant(QStringLiteral("5")));
    }

    void competitionLists()
    {
        // The tool's session lists show the rest (tst_kavrodb).
        std::unique_ptr<Session> cup(makeSession(1, 1));
        cup->setCompetitionName(QStringLiteral("Кубок"));
        std::unique_ptr<Session> gto(makeSession(1, 1, QStringLiteral("Петров")));
        gto->setCompetitionName(QStringLiteral("Норматив"));
        gto->setIsGto(true);
        QVERIFY(cup->write() && gto->write());
        QCOMPARE(storage->competitions(), QStringList({QStringLiteral("Кубок")}));
        QCOMPARE(storage->competitionsGto(), QStringList({QStringLiteral("Норматив")}));
    }
};

KAVRO_TEST_MAIN(TestStorage, QCoreApplication)
#include "tst_storage.moc"
