// Database speed: writing and reading back a ten-minute session (6 traces,
// 60,000 samples, 60 shots), opening a database of 20,000 sessions and 2,000
// persons, and the archive and competition lists on it.
#include <recordcodec.h>
#include <session.h>
#include <sessioninfomodel.h>
#include <storage.h>
#include <targetmanager.h>
#include <trace.h>

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>
#include <QVariant>

#include "benchmarkmain.h"

#include <cmath>
#include <memory>

namespace {

LibModel::TargetManager &manager()
{
    static LibModel::TargetManager instance;
    return instance;
}

LibModel::Session *tenMinuteSession(LibModel::Storage *storage)
{
    auto *session = new LibModel::Session(storage);
    session->setTargetDescriptor(
            manager().findByUuid(QLatin1String(LibModel::TargetManager::AirRifleUuid)));
    session->setCaliber(4.5);
    session->setDistance(10);
    session->setSampleRate(100);
    session->setShooter(QStringLiteral("Иванов Иван"), QStringLiteral("ЦСКА"), QStringLiteral("A"));
    qint64 timer = 1700000000000;
    for (int t = 0; t < 6; ++t) {
        LibModel::Trace *trace = session->appendTrace(timer);
        for (int i = 0; i < 10000; ++i) {
            LibModel::TraceSample sample;
            sample.x = float(3 * std::sin(i / 57.0));
            sample.y = float(2 * std::cos(i / 43.0));
            sample.z = 0.02f;
            trace->appendSample(timer + 10 * i, sample);
        }
        for (int s = 0; s < 10; ++s)
            trace->appendShot(ushort(t), 900 + 1000 * s, false, 0.5);
        timer += 100000;
    }
    return session;
}

void BM_WriteTenMinuteSession(benchmark::State &state)
{
    QTemporaryDir folder;
    LibModel::Storage storage;
    storage.open(folder.filePath(QStringLiteral("bench.sqlite")), QStringLiteral("write"));
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<LibModel::Session> session(tenMinuteSession(&storage));
        state.ResumeTiming();
        if (!session->write())
            state.SkipWithError("write failed");
    }
}
BENCHMARK(BM_WriteTenMinuteSession)->Unit(benchmark::kMillisecond);

void BM_ReadTenMinuteSession(benchmark::State &state)
{
    QTemporaryDir folder;
    LibModel::Storage storage;
    storage.open(folder.filePath(QStringLiteral("bench.sqlite")), QStringLiteral("read"));
    std::unique_ptr<LibModel::Session> session(tenMinuteSession(&storage));
    session->write();
    for (auto _ : state) {
        std::unique_ptr<LibModel::Session> read(storage.readSession(uint(session->id())));
        if (!read || read->shots().size() != 60)
            state.SkipWithError("read failed");
    }
}
BENCHMARK(BM_ReadTenMinuteSession)->Unit(benchmark::kMillisecond);

// 2,000 persons and 20,000 sessions (one competition of 500), written
// directly with SQL.
class LargeDatabase
{
public:
    LargeDatabase()
    {
        path = folder.filePath(QStringLiteral("large.sqlite"));
        {
            LibModel::Storage storage;
            storage.open(path, QStringLiteral("create"));
        }
        QSqlDatabase db
                = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fill"));
        db.setDatabaseName(path);
        db.open();
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
        db.commit();
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(QStringLiteral("fill"));
    }

    QTemporaryDir folder;
    QString path;
};

LargeDatabase &large()
{
    static LargeDatabase database;
    return database;
}

void BM_OpenLargeDatabase(benchmark::State &state)
{
    const QString path = large().path;
    for (auto _ : state) {
        LibModel::Storage storage;
        if (!storage.open(path, QStringLiteral("open")))
            state.SkipWithError("open failed");
    }
}
BENCHMARK(BM_OpenLargeDatabase)->Unit(benchmark::kMillisecond);

void BM_SessionsOfPerson(benchmark::State &state)
{
    LibModel::Storage storage;
    storage.open(large().path, QStringLiteral("person"));
    for (auto _ : state) {
        std::unique_ptr<LibModel::SessionInfoModel> model(storage.sessions(qlonglong(777)));
        if (!model || model->rows().size() != 10)
            state.SkipWithError("wrong list");
    }
}
BENCHMARK(BM_SessionsOfPerson)->Unit(benchmark::kMillisecond);

void BM_CompetitionTable(benchmark::State &state)
{
    LibModel::Storage storage;
    storage.open(large().path, QStringLiteral("competition"));
    for (auto _ : state) {
        std::unique_ptr<LibModel::SessionInfoModel> model(
                storage.sessionsByCompetitionName(QStringLiteral("Кубок города"), false));
        if (!model || model->rows().size() != 500)
            state.SkipWithError("wrong table");
    }
}
BENCHMARK(BM_CompetitionTable)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return runBenchmarks<QCoreApplication>(argc, argv);
}
