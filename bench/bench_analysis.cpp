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
#include "benchsession.h"

#include <memory>

namespace {

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
