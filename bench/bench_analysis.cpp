// Coaching analysis speed: one ten-minute session of 60 shots (6 traces of
// 10,000 samples, 10 s of aiming per shot) analysed in memory, and a
// shooter's progress over 500 sessions read from a SQLite file and analysed:
// training sessions of 10 shots (one trace of 100 s; argument 10) and full
// 60-shot matches (argument 60). Reading the progress is bound by inflating
// the traces' samples, about 0.4 ms per 10,000.
#include <session.h>
#include <sessionanalysis.h>
#include <shooterprogress.h>
#include <storage.h>
#include <targetmanager.h>
#include <trace.h>

#include <QCoreApplication>
#include <QTemporaryDir>

#include "benchmarkmain.h"

#include <cmath>
#include <cstdio>
#include <memory>

namespace {

LibModel::TargetManager &manager()
{
    static LibModel::TargetManager instance;
    return instance;
}

// The aim wanders slowly over a few millimetres and trembles by a tenth of
// one, as a club shooter's does; shots after every 1000 samples less 100.
LibModel::Session *tenMinuteSession(LibModel::Storage *storage, qint64 start, int seed,
                                    int traces = 6)
{
    auto *session = new LibModel::Session(storage);
    session->setTargetDescriptor(
            manager().findByUuid(QLatin1String(LibModel::TargetManager::AirRifleUuid)));
    session->setCaliber(4.5);
    session->setDistance(10);
    session->setSampleRate(100);
    session->setShooter(QStringLiteral("Иванов Иван"), QStringLiteral("ЦСКА"), QStringLiteral("A"));
    quint32 noise = quint32(seed) * 2654435761u + 1;
    const auto tremble = [&noise] {
        noise = noise * 1664525u + 1013904223u;
        return float(int(noise >> 16) % 200 - 100) / 1000.0f;
    };
    qint64 timer = start;
    for (int t = 0; t < traces; ++t) {
        LibModel::Trace *trace = session->appendTrace(timer);
        for (int i = 0; i < 10000; ++i) {
            LibModel::TraceSample sample;
            sample.x = float(3 * std::sin((i + seed) / 57.0)) + tremble();
            sample.y = float(2 * std::cos((i + seed) / 43.0)) + tremble();
            sample.z = 0.02f;
            trace->appendSample(timer + 10 * i, sample);
        }
        for (int s = 0; s < 10; ++s)
            trace->appendShot(ushort(t), 900 + 1000 * s, false, 0.5);
        timer += 100000;
    }
    return session;
}

void BM_AnalyseTenMinuteSession(benchmark::State &state)
{
    const std::unique_ptr<LibModel::Session> session(tenMinuteSession(nullptr, 1700000000000, 1));
    for (auto _ : state) {
        const LibModel::SessionAnalysis analysis(*session);
        benchmark::DoNotOptimize(analysis.group.meanRadius);
        if (analysis.group.n != 60)
            state.SkipWithError("wrong group");
    }
}
BENCHMARK(BM_AnalyseTenMinuteSession)->Unit(benchmark::kMillisecond);

// Made once: 500 sessions of one person, a day apart.
struct ProgressDatabase
{
    QTemporaryDir folder;
    LibModel::Storage storage;
    qint64 personId = 0;

    explicit ProgressDatabase(int traces)
    {
        if (!storage.open(folder.filePath(QStringLiteral("progress.sqlite")),
                          QStringLiteral("progress%1").arg(traces)))
            return;
        for (int i = 0; i < 500; ++i) {
            const std::unique_ptr<LibModel::Session> session(
                    tenMinuteSession(&storage, 1700000000000 + i * 86400000LL, i, traces));
            if (!session->write())
                return;
            personId = session->shooterId();
        }
    }
};

void BM_ShooterProgress(benchmark::State &state)
{
    static ProgressDatabase ten(1), sixty(6);
    ProgressDatabase &database = state.range(0) == 10 ? ten : sixty;
    if (database.personId == 0) {
        state.SkipWithError("no database");
        return;
    }
    for (auto _ : state) {
        LibModel::ShooterProgress progress;
        if (!progress.read(database.storage, database.personId, state.range(1) != 0)
            || progress.sessions().size() != 500
            || progress.sessions().constFirst().group.n != state.range(0))
            state.SkipWithError("read failed");
    }
}
// Second argument: with the aiming values (1), or the groups only (0), as the
// progress chart and page need them.
BENCHMARK(BM_ShooterProgress)
        ->Args({10, 1})
        ->Args({60, 1})
        ->Args({10, 0})
        ->Args({60, 0})
        ->Iterations(3)
        ->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return runBenchmarks<QCoreApplication>(argc, argv);
}
