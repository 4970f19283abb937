// The whole path of one sensor frame, synchronously: a USB read's bytes
// through the decoder, the controller and a lane in aiming mode into the
// recorded trace and its display points.
#include <rangedata.h>

#include <clock.h>
#include <hardwarecontroller.h>
#include <session.h>
#include <simulatedbackend.h>
#include <simulatedsensor.h>
#include <targetmanager.h>
#include <trace.h>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QtEndian>

#include "benchmarkmain.h"

#include <memory>

namespace {

QByteArray framedRecord(const QByteArray &payload)
{
    QByteArray record(5, '\0');
    record[0] = char(0x88);
    qToLittleEndian<qint32>(qint32(payload.size()), record.data() + 1);
    return record + payload;
}

void BM_FrameThroughLane(benchmark::State &state)
{
    LibModel::TargetManager targets;
    auto *backend = new LibHardware::SimulatedBackend;
    LibHardware::UsbBackend::setInstance(backend);
    LibHardware::SimulatedSensor simulated(9);
    simulated.setPacing(LibHardware::SimulatedSensor::Pacing::Driven);
    backend->plug(&simulated);

    auto lane = std::make_unique<RangeData>(0, nullptr);
    lane->setDeviceSerialNumber(RangeData::serialText(simulated.serialNumber()));
    lane->session()->setTargetDescriptor(
            targets.findByUuid(QLatin1String(LibModel::TargetManager::AirRifleUuid)));
    lane->session()->setDistance(10.0);
    lane->session()->setCaliber(4.5);
    lane->setCalibrationOffset(QPointF(376, 240));
    lane->setCalibrationMode(false);
    LibHardware::HardwareController *controller = LibHardware::HardwareController::instance();
    LibHardware::UsbImageSensor *sensor = controller->sensorOf(controller->deviceOfLane(0));
    while (!sensor->isPolling())
        QCoreApplication::processEvents();

    // Ten minutes of frames, framed as the reader hands them over.
    LibHardware::SimulatedSensor::Scene scene = simulated.scene();
    scene.shotPeriod = 0;
    std::vector<QByteArray> reads;
    for (int i = 0; i < 60000; ++i)
        reads.push_back(framedRecord(LibHardware::SimulatedSensor::renderFrame(scene, i)));

    qint64 timer = 1700000000000;
    size_t i = 0;
    for (auto _ : state) {
        if (i == reads.size()) {
            state.PauseTiming();
            lane->cutCurrTrace();
            lane->reset();
            i = 0;
            state.ResumeTiming();
        }
        LibMisc::Clock::setManual(timer);
        sensor->onData(timer, reads[i++]);
        if (LibModel::Trace *trace = lane->currentTrace())
            benchmark::DoNotOptimize(trace->points().size());
        timer += 10;
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
    lane.reset();
    LibHardware::HardwareController::destroyInstance();
    backend->unplug(&simulated);
}
BENCHMARK(BM_FrameThroughLane);

} // namespace

int main(int argc, char **argv)
{
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
    return runBenchmarks<QCoreApplication>(argc, argv);
}
