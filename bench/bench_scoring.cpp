// Cost of one score: TargetDescriptor::breachScore on a ring face and on the
// chest figure, for random points across the face and several calibers.
#include <targetdescriptor.h>
#include <targetmanager.h>

#include <QCoreApplication>
#include <QPointF>
#include <QRandomGenerator>

#include "benchmarkmain.h"

#include <vector>

namespace {

LibModel::TargetManager &manager()
{
    static LibModel::TargetManager instance;
    return instance;
}

std::vector<QPointF> pointsAcross(const QRectF &world, int count)
{
    QRandomGenerator random(12345);
    std::vector<QPointF> points;
    points.reserve(size_t(count));
    for (int i = 0; i < count; ++i)
        points.emplace_back(world.left() + random.generateDouble() * world.width(),
                            world.top() + random.generateDouble() * world.height());
    return points;
}

void scoreFace(benchmark::State &state, const char *uuid)
{
    LibModel::TargetDescriptor *face = manager().findByUuid(QLatin1String(uuid));
    const std::vector<QPointF> points = pointsAcross(face->world(), 4096);
    const double calibers[] = {4.5, 5.6, 7.62, 9.0};
    size_t i = 0;
    for (auto _ : state) {
        const QPointF &point = points[i % points.size()];
        benchmark::DoNotOptimize(face->breachScore(point, calibers[i % 4]));
        ++i;
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
}

void BM_ScoreAirRifle(benchmark::State &state)
{
    scoreFace(state, LibModel::TargetManager::AirRifleUuid);
}
BENCHMARK(BM_ScoreAirRifle);

void BM_ScoreSmallBorePistol(benchmark::State &state)
{
    scoreFace(state, LibModel::TargetManager::SmallBorePistolUuid);
}
BENCHMARK(BM_ScoreSmallBorePistol);

void BM_ScoreChestFigure(benchmark::State &state)
{
    scoreFace(state, LibModel::TargetManager::ChestFigureUuid);
}
BENCHMARK(BM_ScoreChestFigure);

} // namespace

int main(int argc, char **argv)
{
    return runBenchmarks<QCoreApplication>(argc, argv);
}
