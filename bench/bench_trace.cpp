// Cost of recording: Trace::appendSample with the processing of the new
// display points (100 samples per second resampled to 1000, filter on), the
// windowed mean score over one second, the memory one hour of aiming takes,
// and reading its display points back as the drawn pieces of a trace do.
#include <session.h>
#include <targetmanager.h>
#include <trace.h>

#include <QCoreApplication>

#include "benchmarkmain.h"

#include <cmath>

namespace {

LibModel::TargetManager &manager()
{
    static LibModel::TargetManager instance;
    return instance;
}

LibModel::TraceSample wobble(int i)
{
    const double t = i / 100.0;
    LibModel::TraceSample sample;
    sample.x = float(3.0 * std::sin(1.7 * t) + 0.4 * std::sin(13.0 * t));
    sample.y = float(2.5 * std::cos(1.3 * t) + 0.3 * std::cos(11.0 * t));
    sample.z = 0.01f;
    return sample;
}

LibModel::Session *newSession(int resampleRate)
{
    auto *session = new LibModel::Session(nullptr);
    session->setTargetDescriptor(
            manager().findByUuid(QLatin1String(LibModel::TargetManager::AirRifleUuid)));
    session->setCaliber(4.5);
    session->setSampleRate(100);
    session->setResampleRate(resampleRate);
    session->setFilterCutoff(0.25);
    return session;
}

void BM_AppendSampleAndProcess(benchmark::State &state)
{
    LibModel::Session *session = newSession(int(state.range(0)));
    LibModel::Trace *trace = session->appendTrace(1);
    int i = 0;
    for (auto _ : state) {
        // Start a new trace every ten minutes of samples, as a long session
        // would, so that memory stays bounded during the run.
        if (i == 60000) {
            state.PauseTiming();
            delete session;
            session = newSession(int(state.range(0)));
            trace = session->appendTrace(1);
            i = 0;
            state.ResumeTiming();
        }
        trace->appendSample(1 + 10 * i, wobble(i));
        benchmark::DoNotOptimize(trace->points().size());
        ++i;
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
    delete session;
}
BENCHMARK(BM_AppendSampleAndProcess)->Arg(100)->Arg(1000);

void BM_WindowedMeanScoreOneSecond(benchmark::State &state)
{
    LibModel::Session *session = newSession(1000);
    LibModel::Trace *trace = session->appendTrace(1);
    for (int i = 0; i < 3000; ++i)
        trace->appendSample(1 + 10 * i, wobble(i));
    trace->points();
    for (auto _ : state)
        benchmark::DoNotOptimize(trace->windowedMeanScore(2800, 100));
    delete session;
}
BENCHMARK(BM_WindowedMeanScoreOneSecond);

void BM_OneHourTraceMemory(benchmark::State &state)
{
    for (auto _ : state) {
        LibModel::Session *session = newSession(int(state.range(0)));
        LibModel::Trace *trace = session->appendTrace(1);
        for (int i = 0; i < 360000; ++i)
            trace->appendSample(1 + 10 * i, wobble(i));
        const auto &points = trace->points();
        state.counters["raw_MB"]
                = double(trace->samples().capacity() * sizeof(LibModel::TraceSample))
                / (1024.0 * 1024.0);
        state.counters["points_MB"] = double(points.bytes()) / (1024.0 * 1024.0);
        state.counters["points"] = double(points.size());
        delete session;
    }
}
BENCHMARK(BM_OneHourTraceMemory)->Arg(100)->Arg(1000)->Iterations(1)->Unit(benchmark::kMillisecond);

// One hour at 1000 points a second read in pieces of 1000 points: range(0)
// the seconds read, ending at the trace's end (30: what recent chunks hold;
// 3600: all of it, older chunks made again).
void BM_ReadPoints(benchmark::State &state)
{
    LibModel::Session *session = newSession(1000);
    LibModel::Trace *trace = session->appendTrace(1);
    for (int i = 0; i < 360000; ++i)
        trace->appendSample(1 + 10 * i, wobble(i));
    const LibModel::TracePoints &points = trace->points();
    const qsizetype first = points.size() - 1000 * state.range(0);
    QVector<LibModel::TracePoints::Point> piece;
    for (auto _ : state) {
        for (qsizetype i = first; i < points.size(); i += 1000) {
            points.read(i, qMin<qsizetype>(1000, points.size() - i), &piece);
            benchmark::DoNotOptimize(piece.constData());
        }
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * (points.size() - first));
    state.counters["points_MB"] = double(points.bytes()) / (1024.0 * 1024.0);
    delete session;
}
BENCHMARK(BM_ReadPoints)->Arg(30)->Arg(3600)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    return runBenchmarks<QCoreApplication>(argc, argv);
}
