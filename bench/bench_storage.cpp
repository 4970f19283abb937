// Database speed: writing and reading back a ten-minute session (6 traces,
// 60,000 samples, 60 shots), saving it through the outbox behind a locked
// database and beside a free one, opening a database of 20,000 sessions and
// 2,000 persons, and the archive and competition lists on it. Writing,
// reading and the lists run on a SQLite file (argument 0) and on a database
// of a private PostgreSQL server on a local socket, durable as the file is
// (argument 1).
#include <postgresserver.h>
#include <recordcodec.h>
#include <session.h>
#include <sessiondelivery.h>
#include <sessioninfomodel.h>
#include <sessionoutbox.h>
#include <storage.h>
#include <targetmanager.h>
#include <trace.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTimer>
#include <QUuid>
#include <QVariant>

#include "benchmarkmain.h"
#include "benchsession.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

PostgresServer *server()
{
    static std::unique_ptr<PostgresServer> instance;
    static bool tried = false;
    if (!tried) {
        tried = true;
        PostgresServer::Options options;
        options.durable = true;
        instance = std::make_unique<PostgresServer>(options);
        if (!instance->start()) {
            std::fprintf(stderr, "no PostgreSQL server: %s\n", qPrintable(instance->error()));
            instance.reset();
        }
    }
    return instance.get();
}

// A new database for a benchmark run on the engine of its argument: a file
// in folder or a database on the server; empty when there is no server.
QString newDatabase(const benchmark::State &state, const QTemporaryDir &folder)
{
    static int databases = 0;
    const QString name = QStringLiteral("bench%1").arg(++databases);
    if (state.range(0) == 0)
        return folder.filePath(name + QStringLiteral(".sqlite"));
    return server() && server()->createDatabase(name) ? server()->uri(name) : QString();
}

// Opens the storage on a new database of the run's engine; false (the run
// skipped) when that fails.
bool openNew(benchmark::State &state, const QTemporaryDir &folder, LibModel::Storage &storage,
             const QString &connection)
{
    const QString database = newDatabase(state, folder);
    if (!database.isEmpty() && storage.open(database, connection))
        return true;
    state.SkipWithError("no database");
    return false;
}

void BM_WriteTenMinuteSession(benchmark::State &state)
{
    QTemporaryDir folder;
    LibModel::Storage storage;
    if (!openNew(state, folder, storage, QStringLiteral("write")))
        return;
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<LibModel::Session> session(tenMinuteSession(&storage));
        state.ResumeTiming();
        if (!session->write())
            state.SkipWithError("write failed");
    }
}
BENCHMARK(BM_WriteTenMinuteSession)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ReadTenMinuteSession(benchmark::State &state)
{
    QTemporaryDir folder;
    LibModel::Storage storage;
    if (!openNew(state, folder, storage, QStringLiteral("read")))
        return;
    std::unique_ptr<LibModel::Session> session(tenMinuteSession(&storage));
    session->write();
    for (auto _ : state) {
        std::unique_ptr<LibModel::Session> read(storage.readSession(uint(session->id())));
        if (!read || read->shots().size() != 60)
            state.SkipWithError("read failed");
    }
}
BENCHMARK(BM_ReadTenMinuteSession)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The program's save at the end of an exercise (SessionDelivery::submit; all
// that ApplicationData::saveSession adds is a validity check) while another
// connection holds the write lock for 5 s. A 1 ms timer on the saving thread
// measures the longest gap between its ticks from the save until the session
// is in the database. The lock is given up after 5 s and a delivery asked for
// at once, as on demand, rather than after the back-off. Real time by nature:
// a few fixed iterations; the iteration time runs from the save to the end of
// the delivery.
//   stall_ms   the longest gap of the saving thread's event loop (goal < 16)
//   submit_ms  the longest time the save call itself took
void BM_SaveBehindLock(benchmark::State &state)
{
    constexpr int LockHeld = 5000; // ms
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("bench.sqlite"));
    LibModel::Storage storage; // the saving thread's own connection, as the GUI's
    storage.open(path, QStringLiteral("gui"));
    QSqlDatabase locker
            = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("locker"));
    locker.setDatabaseName(path);
    locker.open();

    qint64 longestStall = 0, longestSubmit = 0;
    {
        SessionDelivery delivery(path);
        QEventLoop loop;
        bool released = true;
        int delivered = 0;
        QObject::connect(&delivery, &SessionDelivery::finished, &loop,
                         [&](int stored, int pending, int) {
                             // The program then reads its lists again on this thread.
                             if (stored > 0) {
                                 storage.reloadShooters();
                                 storage.reloadOrganizations();
                                 storage.reloadCompetitions();
                             }
                             delivered += stored;
                             if (released && pending == 0)
                                 loop.quit();
                         });
        loop.exec(); // the delivery of an empty outbox at start, opening the worker's connection

        for (auto _ : state) {
            std::unique_ptr<LibModel::Session> session(tenMinuteSession(&storage));
            if (!QSqlQuery(locker).exec(QStringLiteral("BEGIN IMMEDIATE;"))) {
                state.SkipWithError("cannot lock the database");
                break;
            }
            released = false;
            delivered = 0;
            QElapsedTimer clock;
            qint64 lastTick = 0, stall = 0;
            QTimer ticker;
            ticker.setTimerType(Qt::PreciseTimer);
            ticker.setInterval(1);
            QObject::connect(&ticker, &QTimer::timeout, [&] {
                const qint64 now = clock.nsecsElapsed();
                stall = std::max(stall, now - lastTick);
                lastTick = now;
            });
            QTimer release;
            release.setSingleShot(true);
            release.setTimerType(Qt::PreciseTimer);
            QObject::connect(&release, &QTimer::timeout, [&] {
                QSqlQuery(locker).exec(QStringLiteral("ROLLBACK;"));
                released = true;
                delivery.deliverPending();
            });
            QTimer giveUp; // a delivery that never comes ends the run, not the machine
            giveUp.setSingleShot(true);
            QObject::connect(&giveUp, &QTimer::timeout, &loop, &QEventLoop::quit);

            clock.start();
            ticker.start();
            release.start(LockHeld);
            giveUp.start(6 * LockHeld);
            delivery.submit(*session);
            longestSubmit = std::max(longestSubmit, clock.nsecsElapsed());
            loop.exec();
            const qint64 now = clock.nsecsElapsed();
            stall = std::max(stall, now - lastTick);
            state.SetIterationTime(double(now) / 1e9);
            longestStall = std::max(longestStall, stall);
            if (!released || delivered != 1 || delivery.pending() != 0) {
                state.SkipWithError("the session was not delivered");
                break;
            }
        }
    }
    locker.close();
    locker = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("locker"));
    state.counters["stall_ms"] = double(longestStall) / 1e6;
    state.counters["submit_ms"] = double(longestSubmit) / 1e6;
}
BENCHMARK(BM_SaveBehindLock)->Iterations(3)->UseManualTime()->Unit(benchmark::kMillisecond);

// What the outbox adds to a save into a free database: Storage::write of one
// session against SessionOutbox::put and deliver of another, alternating
// which goes first. The iteration time is the outbox's.
//   write_ms, outbox_ms  the mean of each; put_ms the part put() takes
//   overhead_pct         (outbox - write) / write (goal < 20)
void BM_OutboxOverhead(benchmark::State &state)
{
    QTemporaryDir folder;
    LibModel::Storage direct, delivered;
    direct.open(folder.filePath(QStringLiteral("direct.sqlite")), QStringLiteral("direct"));
    const QString path = folder.filePath(QStringLiteral("outbox.sqlite"));
    delivered.open(path, QStringLiteral("outbox"));
    LibModel::SessionOutbox outbox(LibModel::SessionOutbox::folderFor(path));
    qint64 writeTime = 0, putTime = 0, outboxTime = 0, round = 0;
    for (auto _ : state) {
        std::unique_ptr<LibModel::Session> written(tenMinuteSession(&direct));
        std::unique_ptr<LibModel::Session> filed(tenMinuteSession(&delivered));
        QElapsedTimer clock;
        bool ok = true;
        const auto write = [&] {
            clock.start();
            ok = direct.write(written.get()) && ok;
            writeTime += clock.nsecsElapsed();
        };
        qint64 outboxRound = 0;
        const auto putAndDeliver = [&] {
            clock.start();
            ok = outbox.put(*filed) && ok;
            putTime += clock.nsecsElapsed();
            ok = outbox.deliver(&delivered).delivered == 1 && ok;
            outboxRound = clock.nsecsElapsed();
        };
        if (round++ % 2) {
            write();
            putAndDeliver();
        } else {
            putAndDeliver();
            write();
        }
        outboxTime += outboxRound;
        state.SetIterationTime(double(outboxRound) / 1e9);
        if (!ok) {
            state.SkipWithError("a save failed");
            break;
        }
    }
    const double rounds = double(std::max<qint64>(round, 1)) * 1e6;
    state.counters["write_ms"] = double(writeTime) / rounds;
    state.counters["put_ms"] = double(putTime) / rounds;
    state.counters["outbox_ms"] = double(outboxTime) / rounds;
    state.counters["overhead_pct"]
            = writeTime > 0 ? 100.0 * double(outboxTime - writeTime) / double(writeTime) : 0.0;
}
BENCHMARK(BM_OutboxOverhead)->Iterations(20)->UseManualTime()->Unit(benchmark::kMillisecond);

// 2,000 persons and 20,000 sessions (one competition of 500), written
// directly with SQL through the storage's connection, on the run's engine.
class LargeDatabase
{
public:
    explicit LargeDatabase(benchmark::State &state)
    {
        LibModel::Storage storage;
        if (!openNew(state, folder, storage, QStringLiteral("create")))
            return;
        location = storage.path();
        QSqlDatabase db = QSqlDatabase::database(storage.connectionName());
        db.transaction();
        QSqlQuery query(db);
        const QByteArray personProperties = LibModel::RecordCodec::encodeProperties(
                {{QStringLiteral("birthDate"), QStringLiteral("2001-02-03")},
                 {QStringLiteral("sex"), QStringLiteral("М")}});
        query.prepare(QStringLiteral(
                "INSERT INTO persons (name, organization, group_name, name_uppercase, "
                "organization_uppercase, group_uppercase, properties) VALUES (?, ?, ?, ?, ?, ?, "
                "?);"));
        for (int p = 1; p <= 2000; ++p) {
            const QString name = QStringLiteral("Стрелок %1").arg(p);
            const QString organization = QStringLiteral("Клуб %1").arg(p % 40);
            const QString group = QStringLiteral("Группа %1").arg(p % 7);
            query.addBindValue(name);
            query.addBindValue(organization);
            query.addBindValue(group);
            query.addBindValue(name.toUpper());
            query.addBindValue(organization.toUpper());
            query.addBindValue(group.toUpper());
            query.addBindValue(personProperties);
            query.exec();
        }
        const QByteArray sessionProperties = LibModel::RecordCodec::encodeProperties(
                {{QStringLiteral("medal"), QStringLiteral("gold")},
                 {QStringLiteral("resultReal"), 98.7}});
        query.prepare(QStringLiteral(
                "INSERT INTO sessions (uuid, person_id, target_uuid, distance, caliber, timer, "
                "sample_rate, position, comments, shot_count, properties, competition_name, "
                "result, is_gto) VALUES (?, ?, ?, 10.0, 4.5, ?, 100, 0, '', 10, ?, ?, ?, 0);"));
        for (int s = 0; s < 20000; ++s) {
            query.addBindValue(QUuid::createUuid().toString());
            query.addBindValue(1 + s % 2000);
            query.addBindValue(QLatin1String(LibModel::TargetManager::AirRifleUuid));
            query.addBindValue(qint64(1600000000000) + qint64(s) * 60000);
            query.addBindValue(sessionProperties);
            query.addBindValue(s < 500 ? QStringLiteral("Кубок города")
                                       : QStringLiteral("Турнир %1").arg(s % 97));
            query.addBindValue(50 + s % 50);
            query.exec();
        }
        query.finish();
        db.commit();
        // The server plans its queries from statistics a file does without.
        QSqlQuery(db).exec(QStringLiteral("ANALYZE;"));
    }

    QTemporaryDir folder;
    QString location; // empty when it could not be made
};

// Made once for each engine.
const QString &large(benchmark::State &state)
{
    static std::unique_ptr<LargeDatabase> databases[2];
    std::unique_ptr<LargeDatabase> &database = databases[state.range(0) == 0 ? 0 : 1];
    if (!database)
        database = std::make_unique<LargeDatabase>(state);
    if (database->location.isEmpty())
        state.SkipWithError("no database");
    return database->location;
}

void BM_OpenLargeDatabase(benchmark::State &state)
{
    const QString path = large(state);
    for (auto _ : state) {
        LibModel::Storage storage;
        if (!storage.open(path, QStringLiteral("open")))
            state.SkipWithError("open failed");
    }
}
BENCHMARK(BM_OpenLargeDatabase)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_SessionsOfPerson(benchmark::State &state)
{
    LibModel::Storage storage;
    storage.open(large(state), QStringLiteral("person"));
    for (auto _ : state) {
        std::unique_ptr<LibModel::SessionInfoModel> model(storage.sessions(qlonglong(777)));
        if (!model || model->rows().size() != 10)
            state.SkipWithError("wrong list");
    }
}
BENCHMARK(BM_SessionsOfPerson)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_CompetitionTable(benchmark::State &state)
{
    LibModel::Storage storage;
    storage.open(large(state), QStringLiteral("competition"));
    for (auto _ : state) {
        std::unique_ptr<LibModel::SessionInfoModel> model(
                storage.sessionsByCompetitionName(QStringLiteral("Кубок города"), false));
        if (!model || model->rows().size() != 500)
            state.SkipWithError("wrong table");
    }
}
BENCHMARK(BM_CompetitionTable)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return runBenchmarks<QCoreApplication>(argc, argv);
}
