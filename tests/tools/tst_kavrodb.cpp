// The tool's database commands in a separate process, on a database built
// through the model classes: counts, export as JSON and CSV, session lists,
// shooter import and listing, the outbox of a locked database, copying
// archives into one (a file or a server), refusals.
#include <kavrorun.h>
#include <postgresserver.h>
#include <sessionbuilder.h>
#include <sqlfile.h>
#include <testenvironment.h>

#include <shot.h>
#include <storage.h>
#include <trace.h>

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <limits>

using namespace LibModel;

namespace {

constexpr qint64 Start = SessionBuilder::Start;
constexpr qint64 PulseBeat = 4102444800123; // beyond 32 bits
constexpr float NaNf = std::numeric_limits<float>::quiet_NaN();

QString oneDecimal(const QJsonValue &value)
{
    return QString::number(value.toDouble(), 'f', 1);
}

// True when every key occurs in the text after the previous one, i.e. the
// object was written with its keys in that order.
bool keysInOrder(const QByteArray &text, const QList<QByteArray> &keys)
{
    qsizetype position = 0;
    for (const QByteArray &key : keys) {
        position = text.indexOf('"' + key + "\":", position);
        if (position++ < 0)
            return false;
    }
    return true;
}

QJsonObject parse(const QByteArray &line)
{
    return QJsonDocument::fromJson(line).object();
}

// The value without the database's ids, which differ from one database to
// another.
QJsonValue withoutIds(const QJsonValue &value)
{
    if (value.isArray()) {
        QJsonArray array;
        for (const QJsonValue &item : value.toArray())
            array.append(withoutIds(item));
        return array;
    }
    if (!value.isObject())
        return value;
    QJsonObject object = value.toObject();
    object.remove(QStringLiteral("id"));
    for (auto it = object.begin(); it != object.end(); ++it)
        it.value() = withoutIds(it.value());
    return object;
}

} // namespace

class TestKavroDb : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir folder;
    QString database;
    qint64 sessionId = 0;
    qint64 personId = 0;
    QList<qint64> traceIds;
    QList<qint64> shotIds;

    QString file(const char *name) const { return folder.filePath(QLatin1String(name)); }

    KavroRun onDatabase(const QStringList &command, const QStringList &options = {})
    {
        return KavroRun(command + QStringList {QStringLiteral("--db"), database} + options);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(folder.isValid());
        database = file("export.sqlite");
        Storage storage;
        QVERIFY(storage.open(database, QStringLiteral("tst_kavrodb")));
        SessionBuilder builder(&storage);
        builder.shooter(QStringLiteral("Test Shooter"), QStringLiteral("Club"), QStringLiteral("A"))
                .competition(QStringLiteral("Cup"))
                .value(QStringLiteral("resultReal"),
                       QVariant(std::numeric_limits<double>::quiet_NaN()))
                .value(QStringLiteral("_pulse_samples"), QVariantList {QVariant(PulseBeat)});
        Session *session = builder.session();
        session->setPosition(Session::PositionStanding);
        session->setComments(QStringLiteral("Wind, \"gusty\""));
        // Two traces: a shot at 9.9, one at 10.8, one at 5.8 and a missed
        // one on a sample without a position.
        Trace *first = builder.trace().currentTrace();
        first->appendSample(Start, TraceSample {10.0f, 10.0f, 0.0f, -1});
        first->appendSample(Start + 10, TraceSample {2.6f, 0.0f, 0.5f, 7});
        first->appendSample(Start + 20, TraceSample {0.3f, 0.2f, 0.0f, 300});
        first->appendShot(0, 1, false, 0.25);
        first->appendShot(0, 2, false, 1.0);
        Trace *second = builder.trace().currentTrace();
        second->appendSample(Start + 60000, TraceSample {12.0f, 5.0f, 0.0f, -1});
        second->appendSample(Start + 60010, TraceSample {NaNf, NaNf, NaNf, -1});
        second->appendShot(0, 0, false, 0.5);
        second->appendShot(1, 1, true, 0.0);
        sessionId = builder.write();
        QVERIFY(sessionId > 0);
        personId = session->shooterId();
        for (const Trace *trace : session->segments()) {
            traceIds << trace->id();
            for (const Shot *shot : trace->shots())
                shotIds << shot->id();
        }
    }

    void exportsTheSession()
    {
        const KavroRun info = onDatabase({QStringLiteral("db"), QStringLiteral("info")});
        QVERIFY(info.exited(0));
        QCOMPARE(info.output,
                 QByteArray(R"({"user_version":3,"persons":1,"sessions":1,)"
                            R"("traces":2,"shots":4,"pending":0,"rejected":0})"
                            "\n"));

        const KavroRun run = onDatabase({QStringLiteral("export")},
                                        {QStringLiteral("--session"), QString::number(sessionId)});
        QVERIFY(run.exited(0));
        QCOMPARE(run.lines().size(), 1);
        QVERIFY(keysInOrder(run.output,
                            QByteArray("id uuid targetUuid distance caliber timer sampleRate "
                                       "position comments competitionName isGto result "
                                       "resultInt shooter properties traces")
                                    .split(' ')));
        const QJsonObject session = parse(run.output);
        QCOMPARE(session.value("comments").toString(), QStringLiteral("Wind, \"gusty\""));
        QCOMPARE(oneDecimal(session.value("result")), QStringLiteral("26.5"));
        QCOMPARE(session.value("resultInt").toInt(), 24);
        QCOMPARE(session.value("shooter").toObject().value("id").toInteger(), personId);
        // NaN properties as null, 64-bit integers exactly.
        const QJsonObject properties = session.value("properties").toObject();
        QVERIFY(properties.contains("resultReal") && properties.value("resultReal").isNull());
        QCOMPARE(properties.value("_pulse_samples").toArray().at(0).toInteger(), PulseBeat);

        const QJsonArray traces = session.value("traces").toArray();
        QCOMPARE(traces.size(), 2);
        QCOMPARE(traces.at(0).toObject().value("timerEnd").toInteger(), Start + 30);
        // Single-precision samples in their shortest form (2.6f reads as
        // 2.6), unknown values as null.
        QVERIFY(run.output.contains("[2.6,0,0.5,7]"));
        QVERIFY(run.output.contains("[null,null,null,-1]"));
        const QJsonObject missed
                = traces.at(1).toObject().value("shots").toArray().at(1).toObject();
        QCOMPARE(missed.value("breach").toArray(), (QJsonArray {QJsonValue(), QJsonValue()}));
        QVERIFY(missed.contains("result") && missed.value("result").isNull());

        // The shots as CSV.
        const KavroRun csv = onDatabase({QStringLiteral("export")},
                                        {QStringLiteral("--session"), QString::number(sessionId),
                                         QStringLiteral("--format=csv")});
        QVERIFY(csv.exited(0));
        const QList<QByteArray> rows = csv.lines();
        QCOMPARE(rows.size(), 5);
        QCOMPARE(rows.at(0),
                 QByteArray("session_id,trace_id,shot_id,serie_index,offset,timer,phase,missed,"
                            "breach_x,breach_y,result"));
        const auto row = [&](int trace, int shot, const char *rest) {
            return QByteArray::number(sessionId) + ',' + QByteArray::number(traceIds.at(trace))
                    + ',' + QByteArray::number(shotIds.at(shot)) + ',' + rest;
        };
        QCOMPARE(rows.at(1), row(0, 0, "0,1,1700000000010,0.25,0,2.6,0,9.9"));
        QCOMPARE(rows.at(2), row(0, 1, "0,2,1700000000020,1,0,0.3,0.2,10.8"));
        QCOMPARE(rows.at(3), row(1, 2, "0,0,1700000060000,0.5,0,12,5,5.8"));
        // NaN breach and score: empty fields.
        QCOMPARE(rows.at(4), row(1, 3, "1,1,1700000060010,0,1,,,"));
    }

    void listsTheSessions()
    {
        const KavroRun all = onDatabase({QStringLiteral("sessions")});
        QVERIFY(all.exited(0));
        QCOMPARE(all.lines().size(), 1);
        const QList<QByteArray> keys
                = QByteArray("id timer comments shotCount shooterName shooterOrganization "
                             "shooterGroup step result place placeReal competitionName "
                             "competitionType medal gtoUuid birthDate sex pectoralNumber "
                             "athleticRank resultReal")
                          .split(' ');
        QVERIFY(keysInOrder(all.output, keys));
        const QJsonObject row = parse(all.output);
        QCOMPARE(row.size(), keys.size());
        QCOMPARE(row.value("id").toInteger(), sessionId);
        QCOMPARE(row.value("shotCount").toInt(), 4);
        // Absent and NaN values are null.
        QVERIFY(row.value("competitionType").isNull() && row.value("resultReal").isNull());
        // The competition table's places: copiesArchivesIntoOne.
    }

    // The figures themselves: tst_analysis.
    void analyzesTheSession()
    {
        const KavroRun run = onDatabase({QStringLiteral("analyze"), QStringLiteral("--session"),
                                         QString::number(sessionId)});
        QVERIFY(run.exited(0));
        QVERIFY(keysInOrder(run.output,
                            {"session",    "n",          "mpiX",     "mpiY",      "extremeSpread",
                             "meanRadius", "sdX",        "sdY",      "meanScore", "holdRadius",
                             "aimShift",   "tenShare",   "speed250", "shots",     "id",
                             "result",     "holdRadius", "aimShift", "tenShare",  "speed250"}));
        const QJsonObject object = parse(run.output);
        QCOMPARE(object.value(QStringLiteral("n")).toInt(), 3);
        const QJsonArray shots = object.value(QStringLiteral("shots")).toArray();
        QCOMPARE(shots.size(), 4);
        QCOMPARE(shots.at(0).toObject().value(QStringLiteral("id")).toInteger(), shotIds.at(0));
        QVERIFY(shots.at(3).toObject().value(QStringLiteral("result")).isNull());

        const KavroRun person = onDatabase(
                {QStringLiteral("analyze"), QStringLiteral("--person"), QString::number(personId)});
        QVERIFY(person.exited(0));
        QCOMPARE(person.output, run.output.left(run.output.indexOf(",\"shots\"")) + "}\n");
    }

    // Two valid persons, one with fitness-norm data (all of it text). A text
    // flag, a number among the norm data, a missing group and elements that
    // are no person are skipped.
    void importsAndListsShooters()
    {
        const QStringList onNewFile = {QStringLiteral("--db"), file("new.sqlite")};
        const QByteArray shooters
                = R"({"id":1,"name":"Ivanov Ivan","organization":"Club","group":"A","properties":{}})"
                  "\n"
                  R"({"id":2,"name":"Петрова Анна","organization":"School 5","group":"7B",)"
                  R"("properties":{"athleticRank":"I","birthDate":"2010-04-01",)"
                  R"("gtoUuid":"{5b1c2a3e-0d4f-4a6b-9c8d-7e6f5a4b3c2d}","pectoralNumber":"17",)"
                  R"("sex":"Ж","step":"3"}})"
                  "\n";
        const KavroRun imported(
                QStringList {QStringLiteral("import-shooters"), QFINDTESTDATA("data/shooters.json")}
                + onNewFile);
        QVERIFY(imported.exited(0));
        QCOMPARE(imported.output, QByteArray("0\n"));
        const KavroRun listed(QStringList {QStringLiteral("shooters")} + onNewFile);
        QVERIFY(listed.exited(0));
        QCOMPARE(listed.output, shooters);
    }

    void keepsSessionsWhileTheDatabaseIsLocked()
    {
        const QString capture = file("replay.cap"), path = file("locked.sqlite");
        QVERIFY(KavroRun({QStringLiteral("simulate"), QStringLiteral("--out"), capture}).exited(0));
        const auto run = [&](const char *command) {
            return KavroRun(
                    QString::fromUtf8(command).replace(QLatin1String("%1"), capture).split(' ')
                    + QStringList {QStringLiteral("--db"), path});
        };
        QVERIFY(run("db info").exited(0));
        // A writer leaves the file readable, an exclusive lock does not;
        // every command returns while the lock is held.
        QSqlDatabase other
                = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("lock"));
        other.setDatabaseName(path);
        QSqlQuery lock(other);
        for (const char *begin : {"BEGIN IMMEDIATE;", "BEGIN EXCLUSIVE;"}) {
            QVERIFY(other.open() && lock.exec(QLatin1String(begin)));
            const KavroRun kept = run("replay %1 --target=№8 --distance=10 --caliber=4.5 "
                                      "--shots=3 --shooter=New");
            QVERIFY(kept.exited(0) && kept.output.endsWith("\"saved\":\"pending\",\"id\":0}\n"));
            QVERIFY(run("db deliver").exited(1) && lock.exec(QStringLiteral("ROLLBACK;")));
        }
        QVERIFY(run("db info").output.endsWith("\"shots\":0,\"pending\":2,\"rejected\":0}\n"));
        // Delivered once the lock is gone, with the new shooter (damaged
        // files: tst_outbox).
        const KavroRun delivered = run("db deliver");
        QCOMPARE(delivered.output, QByteArray("{\"delivered\":2,\"pending\":0,\"rejected\":0}\n"));
        QVERIFY(run("db info").output.endsWith("\"persons\":1,\"sessions\":2,\"traces\":2,"
                                               "\"shots\":6,\"pending\":0,\"rejected\":0}\n"));
    }

    void copiesArchivesIntoOne_data()
    {
        QTest::addColumn<bool>("server");
        QTest::newRow("into a file") << false;
        QTest::newRow("into a server") << true;
    }

    // Two PCs' files with sessions of one competition, copied twice into one
    // database: one person per name, every session once, the places over
    // both, the sessions as they were stored.
    void copiesArchivesIntoOne()
    {
        QFETCH(bool, server);
        std::unique_ptr<PostgresServer> postgres;
        QString club = file("club.sqlite");
        if (server) {
            QString why;
            if (!PostgresServer::available(&why))
                QSKIP(qPrintable(why));
            // Set up as the README tells a club: the script makes the
            // database and its roles, the owner's first start the tables,
            // and the range PCs' role copies the archives.
            postgres = std::make_unique<PostgresServer>();
            QVERIFY2(postgres->start()
                             && postgres->runScript(QStringLiteral(KAVRO_SOURCE_DIR
                                                                   "/packaging/club-database.sql")),
                     qPrintable(postgres->error()));
            const KavroRun created(
                    {QStringLiteral("db"), QStringLiteral("info"), QStringLiteral("--db"),
                     postgres->uri(QStringLiteral("kavro"), QStringLiteral("kavro_owner"))});
            QVERIFY2(created.exited(0), created.errors.constData());
            club = postgres->uri(QStringLiteral("kavro"), QStringLiteral("kavro"));
        }
        const QString first = file("pc1.sqlite"), second = file("pc2.sqlite");
        const QString cup = QStringLiteral("Copy Cup"), ivanov = QStringLiteral("Ivanov");
        if (!QFile::exists(first)) {
            Storage one, two;
            QVERIFY(one.open(first, QStringLiteral("pc1"))
                    && two.open(second, QStringLiteral("pc2")));
            QVERIFY(SessionBuilder(&one)
                            .shooter(ivanov, "Club", "A")
                            .competition(cup)
                            .shots({{0.1, 0}, {2.6, 0}})
                            .write()
                    > 0);
            QVERIFY(SessionBuilder(&one, Start + 3600000)
                            .shooter("Petrov", "Club", "A")
                            .competition(cup)
                            .shots({{5, 0}})
                            .write()
                    > 0);
            QVERIFY(SessionBuilder(&two, Start + 7200000)
                            .shooter(ivanov, "Club", "A")
                            .competition(cup)
                            .shots({{0.2, 0}, {0, 0.3}})
                            .write()
                    > 0);
            QVERIFY(one.createShooter("Sidorov", "Club", "C", {}).id > 0);
        }

        const auto copy = [&](const QString &from) {
            const KavroRun run({QStringLiteral("db"), QStringLiteral("copy"),
                                QStringLiteral("--from"), from, QStringLiteral("--to"), club});
            return run.exited(0) ? run.output : run.errors;
        };
        for (int round = 0; round < 2; ++round) {
            QCOMPARE(copy(first),
                     round ? QByteArray("{\"persons\":0,\"sessions\":0,\"skipped\":2}\n")
                           : QByteArray("{\"persons\":3,\"sessions\":2,\"skipped\":0}\n"));
            QCOMPARE(copy(second),
                     round ? QByteArray("{\"persons\":0,\"sessions\":0,\"skipped\":1}\n")
                           : QByteArray("{\"persons\":0,\"sessions\":1,\"skipped\":0}\n"));
        }

        const KavroRun table({QStringLiteral("sessions"), QStringLiteral("--db"), club,
                              QStringLiteral("--competition"), cup});
        QVERIFY(table.exited(0));
        QStringList ranking;
        for (const QByteArray &line : table.lines()) {
            const QJsonObject row = parse(line);
            ranking << row.value("shooterName").toString() + QLatin1Char(' ')
                            + row.value("place").toString();
        }
        ranking.sort();
        QCOMPARE(ranking, (QStringList {"Ivanov 1", "Ivanov 2", "Petrov 3"}));
        const KavroRun shooters({QStringLiteral("shooters"), QStringLiteral("--db"), club});
        QVERIFY(shooters.exited(0));
        QCOMPARE(shooters.lines().size(), 3);

        const auto exported = [](const QString &database, const QByteArray &id) {
            const KavroRun run({QStringLiteral("export"), QStringLiteral("--db"), database,
                                QStringLiteral("--session"), QString::fromLatin1(id)});
            return run.exited(0) ? withoutIds(parse(run.output)) : QJsonValue();
        };
        const QByteArray original = QByteArray::number(
                SqlFile::value(second, QStringLiteral("SELECT MIN(session_id) FROM sessions;"))
                        .toLongLong());
        const QJsonValue copied = exported(second, original);
        QVERIFY(copied.isObject());
        bool found = false;
        for (const QByteArray &line : table.lines())
            found = found
                    || exported(club, QByteArray::number(parse(line).value("id").toInteger()))
                            == copied;
        QVERIFY(found);
    }

    void refusals_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("output");
        for (const auto &[name, contents] : {std::pair {"text.sqlite", "just text\n"},
                                             {"text.json", "no json"},
                                             {"object.json", "{}"},
                                             {"empty.json", "[]"}}) {
            QFile out(file(name));
            QVERIFY(out.open(QIODevice::WriteOnly) && out.write(contents) > 0);
        }
        // %1 is the folder of the files.
        const auto row = [this](const char *name, const char *arguments, int exitCode,
                                const char *output = "") {
            QTest::newRow(name) << QString::fromLatin1(arguments)
                                           .replace(QLatin1String("%1"), folder.path())
                                           .split(' ')
                                << exitCode << QByteArray(output);
        };
        row("unknown command", "frobnicate", 1);
        row("db without a sub-command", "db --db=%1/refusals.sqlite", 1);
        row("a file that is no database", "db info --db=%1/text.sqlite", 1);
        // Reading commands do not create a missing file.
        row("shooters without a file", "shooters --db=%1/missing.sqlite", 1);
        row("delivery without a file", "db deliver --db=%1/missing.sqlite", 1);
        // The import's result codes, printed and returned.
        row("import of a missing file", "import-shooters --db=%1/r.sqlite %1/none.json", 1, "1\n");
        row("import of text", "import-shooters --db=%1/r.sqlite %1/text.json", 2, "2\n");
        row("import of an object", "import-shooters --db=%1/r.sqlite %1/object.json", 3, "3\n");
        row("import of an empty array", "import-shooters --db=%1/r.sqlite %1/empty.json", 4, "4\n");
        row("a bad person id", "sessions --db=%1/r.sqlite --person one", 1);
        row("--gto alone", "sessions --db=%1/r.sqlite --gto", 1);
        row("person and competition", "sessions --db=%1/r.sqlite --person=1 --competition=Cup", 1);
        row("an unknown session", "export --db=%1/r.sqlite --session=42", 1);
        row("analyze without --session or --person", "analyze --db=%1/r.sqlite", 1);
        row("analyze of an unknown session", "analyze --db=%1/r.sqlite --session=42", 1);
        row("analyze without a database", "analyze --session=1", 1);
        row("an unknown format", "export --db=%1/r.sqlite --session=1 --format=xml", 1);
        // Database addresses: malformed, with a password, a server not there.
        row("a malformed address", "db info --db=postgresql://host:99999/club", 1);
        row("no server", "db deliver --db=postgresql:///club?host=%1/nowhere", 1);
        row("copy of a missing file", "db copy --from=%1/missing.sqlite --to=%1/r2.sqlite", 1);
        row("copy into itself", "db copy --from=%1/r.sqlite --to=%1/./r.sqlite", 1);
    }

    void refusals()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, output);
        const KavroRun run(arguments);
        QVERIFY(run.exited(exitCode));
        QCOMPARE(run.output, output);
        QVERIFY(!QFile::exists(file("missing.sqlite")));
    }
};

KAVRO_TEST_MAIN(TestKavroDb, QCoreApplication)
#include "tst_kavrodb.moc"
