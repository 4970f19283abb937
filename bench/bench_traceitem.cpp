// Cost of drawing aiming over a face: a trace item's point preparation
// (updatePolish) and geometry fill (updatePaintNode) over ten minutes of
// aiming at 100 samples per second resampled to 1000 (600,000 points) and
// over a 100-sample piece of it, the display-point memory of a lane-hour,
// and one full repaint of each face at 1000 x 1000 pixels into an image.
#include <targetitem.h>
#include <targetpainter.h>
#include <traceitem.h>

#include <session.h>
#include <targetdescriptor.h>
#include <targetmanager.h>
#include <trace.h>

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSGNode>

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include <malloc.h>

namespace {

constexpr int TenMinutes = 60000; // raw samples at 100 per second

LibModel::TargetManager &manager()
{
    static LibModel::TargetManager instance;
    return instance;
}

// Opens the item's polish and scene-graph steps to the benchmark.
class BenchTraceItem : public TraceItem
{
public:
    using TraceItem::TraceItem;
    void prepare() { updatePolish(); }
    QSGNode *fill(QSGNode *node) { return updatePaintNode(node, nullptr); }
};

// Ten minutes of aiming with its display points already made, shown on a
// 1000 x 1000 pixel air rifle view.
struct Scene
{
    std::unique_ptr<LibModel::Session> session;
    std::unique_ptr<TargetItem> target;
    LibModel::Trace *trace = nullptr;

    Scene()
        : session(std::make_unique<LibModel::Session>(nullptr))
        , target(std::make_unique<TargetItem>())
    {
        session->setSampleRate(100);
        session->setResampleRate(1000);
        trace = session->appendTrace(1);
        QVector<LibModel::TraceSample> samples(TenMinutes);
        for (int i = 0; i < TenMinutes; ++i) {
            const double t = i / 100.0;
            samples[i].x = float(3.0 * std::sin(1.7 * t) + 0.4 * std::sin(13.0 * t));
            samples[i].y = float(2.5 * std::cos(1.3 * t) + 0.3 * std::cos(11.0 * t));
        }
        trace->setSamples(samples);
        trace->points();
        target->setSize(QSizeF(1000, 1000));
        target->ensurePolished();
    }
};

// Made in main() after the application object and gone before it.
Scene *theScene = nullptr;

Scene &scene()
{
    return *theScene;
}

// range(0): raw samples drawn, ending at the trace's end.
void configure(BenchTraceItem &item, benchmark::State &state)
{
    Scene &s = scene();
    item.setTargetItem(s.target.get());
    item.setTrace(s.trace);
    item.setFirstIndex(TenMinutes - int(state.range(0)));
    item.setLastIndex(TenMinutes - 1);
}

void BM_TracePrepare(benchmark::State &state)
{
    BenchTraceItem item;
    configure(item, state);
    for (auto _ : state) {
        item.prepare();
        benchmark::DoNotOptimize(item.pointCount());
    }
    state.counters["points"] = item.pointCount();
    state.SetItemsProcessed(int64_t(state.iterations()) * item.pointCount());
}
BENCHMARK(BM_TracePrepare)->Arg(TenMinutes)->Arg(100)->Unit(benchmark::kMicrosecond);

// range(1): the style. The node is reused from frame to frame, as with a
// zoom or a pan.
void BM_TraceFill(benchmark::State &state)
{
    BenchTraceItem item;
    configure(item, state);
    item.setStyle(TraceItem::Style(state.range(1)));
    item.setPenWidth(3.0f);
    item.prepare();
    QSGNode *node = item.fill(nullptr);
    for (auto _ : state) {
        node = item.fill(node);
        benchmark::DoNotOptimize(node);
    }
    delete node;
    state.counters["points"] = item.pointCount();
    state.SetItemsProcessed(int64_t(state.iterations()) * item.pointCount());
}
BENCHMARK(BM_TraceFill)
        ->ArgNames({"samples", "lines"})
        ->Args({TenMinutes, TraceItem::Points})
        ->Args({TenMinutes, TraceItem::Lines})
        ->Args({100, TraceItem::Points})
        ->Args({100, TraceItem::Lines})
        ->Unit(benchmark::kMicrosecond);

// Bytes of the heap in use.
double heapBytes()
{
    const struct mallinfo2 info = mallinfo2();
    return double(info.uordblks + info.hblkhd);
}

// Display-point memory of one lane-hour at 100 samples per second shown at
// 1000 per second, all of it drawn: what the trace holds for its display
// points (with the room kept for growth) and what the item holds besides.
// range(0): 0 the samples read back at once, 1 recorded one by one with the
// points brought up to date after each, as a lane does.
void BM_LaneHourPointMemory(benchmark::State &state)
{
    constexpr int OneHour = 360000;
    constexpr double MB = 1024.0 * 1024.0;
    for (auto _ : state) {
        LibModel::Session session(nullptr);
        session.setSampleRate(100);
        session.setResampleRate(1000);
        LibModel::Trace *trace = session.appendTrace(1);
        QVector<LibModel::TraceSample> samples(OneHour);
        for (int i = 0; i < OneHour; ++i) {
            const double t = i / 100.0;
            samples[i].x = float(3.0 * std::sin(1.7 * t) + 0.4 * std::sin(13.0 * t));
            samples[i].y = float(2.5 * std::cos(1.3 * t) + 0.3 * std::cos(11.0 * t));
        }
        double raw = 0.0;
        if (state.range(0) == 0) {
            trace->setSamples(samples);
            trace->samples();
            raw = heapBytes();
        } else {
            // The raw samples' own growth is left out.
            const double before = heapBytes();
            for (int i = 0; i < OneHour; ++i) {
                trace->appendSample(1 + 10 * i, samples.at(i));
                benchmark::DoNotOptimize(trace->points().size());
            }
            raw = before
                    + double(trace->samples().capacity()) * double(sizeof(LibModel::TraceSample));
        }
        benchmark::DoNotOptimize(trace->points().size());
        const double processed = heapBytes();
        BenchTraceItem item;
        item.setTargetItem(scene().target.get());
        item.setTrace(trace);
        item.setFirstIndex(0);
        item.setLastIndex(OneHour - 1);
        item.prepare();
        const double drawn = heapBytes();
        state.counters["trace_MB"] = (processed - raw) / MB;
        state.counters["item_MB"] = (drawn - processed) / MB;
        state.counters["total_MB"] = (drawn - raw) / MB;
        state.counters["points"] = item.pointCount();
    }
}
BENCHMARK(BM_LaneHourPointMemory)->Arg(0)->Arg(1)->Iterations(1)->Unit(benchmark::kMillisecond);

// range(0): the face's place in the catalogue (0: 10 m air rifle, 4: chest
// figure).
void BM_FacePaint(benchmark::State &state)
{
    const LibModel::TargetDescriptor *face = manager().targets()->at(int(state.range(0)));
    const QRectF world = face->world();
    const double scale = 1000.0 / world.width();
    QImage image(1000, 1000, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing);
        TargetPainter::paint(&painter, face, scale, scale, -world.x(), -world.y());
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetLabel(face->name().toStdString());
}
BENCHMARK(BM_FacePaint)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    manager();
    theScene = new Scene;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    delete theScene;
    return 0;
}
