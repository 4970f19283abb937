#include "lanerig.h"

#include <clock.h>
#include <hardwarecontroller.h>
#include <session.h>

#include <QCoreApplication>
#include <QTest>
#include <QtEndian>

#include <cmath>
#include <cstring>

using namespace LibHardware;
using LibMisc::Clock;

namespace {

void writePose(const LaneRig::Pose &pose, QByteArray &header)
{
    char *p = header.data();
    const auto putFloat = [p, &pose](int at, double value) {
        const float f = float(pose.found ? value : std::nan(""));
        quint32 bits = 0;
        std::memcpy(&bits, &f, sizeof bits);
        qToLittleEndian<quint32>(bits, p + at);
    };
    // Inclination axes are counts around 2048 on a radius of 1000.
    const auto putAxis = [p](int at, double unit) {
        qToLittleEndian<quint16>(quint16(2048 + std::lround(1000.0 * unit)), p + at);
    };
    p[13] = pose.found ? 1 : 0;
    putFloat(16, pose.x);
    putFloat(20, pose.y);
    qToLittleEndian<quint16>(pose.microphone, p + 32);
    putAxis(42, std::sin(pose.cant));
    putAxis(44, -std::cos(pose.cant));
    putAxis(46, std::sin(qDegreesToRadians(pose.tilt)));
}

} // namespace

LaneRig::LaneRig()
    : m_sensor(std::make_unique<SimulatedSensor>(7))
{
    HardwareController::destroyInstance();
    m_sensor->setPacing(SimulatedSensor::Pacing::Driven);
    m_sensor->setDefaultCentre(quint16(CentreX), quint16(CentreY));
    m_sensor->setFocalLength(50.0f);
    m_sensor->setFrameEditor([this](qint64 index, QByteArray &header) {
        writePose(m_script ? m_script(index - m_scriptStart) : pose, header);
    });
    backend()->plug(m_sensor.get());
    Clock::setManual(m_now);
    if (!m_storage.open(m_folder.filePath(QStringLiteral("lane.sqlite")), QStringLiteral("lane")))
        QTest::qFail("cannot open the lane's database", __FILE__, __LINE__);
}

LaneRig::~LaneRig()
{
    HardwareController::destroyInstance();
    backend()->unplug(m_sensor.get());
    Clock::reset();
}

SimulatedBackend *LaneRig::backend()
{
    static SimulatedBackend *installed = [] {
        auto *backend = new SimulatedBackend;
        UsbBackend::setInstance(backend); // owned by the process from here on
        return backend;
    }();
    return installed;
}

void LaneRig::play(const Script &script)
{
    m_scriptStart = m_sensor->frameIndex();
    m_script = script;
}

void LaneRig::frames(int count)
{
    for (int i = 0; i < count; ++i) {
        Clock::setManual(m_now);
        m_sensor->generateFrames(1, m_now);
        m_now += SimulatedSensor::FramePeriod;
        QCoreApplication::processEvents();
    }
}

void LaneRig::burst(int count)
{
    Clock::setManual(m_now + (count - 1) * SimulatedSensor::FramePeriod);
    m_sensor->generateFrames(count, m_now);
    m_now += count * SimulatedSensor::FramePeriod;
    QCoreApplication::processEvents();
}

void LaneRig::shoot()
{
    pose.microphone = Loud;
    frames(1);
    pose.microphone = Quiet;
    frames(110);
}

void LaneRig::shootAt(const QPointF &sensorPoint)
{
    pose.x = sensorPoint.x();
    pose.y = sensorPoint.y();
    frames(30);
    shoot();
}

bool LaneRig::waitForStream() const
{
    // The controller starts it from a timer due at once: no real time passes.
    for (int i = 0; i < 10 && !m_sensor->isStreaming(); ++i)
        QCoreApplication::processEvents();
    return m_sensor->isStreaming();
}

std::unique_ptr<RangeData> LaneRig::boundLane()
{
    auto lane = std::make_unique<RangeData>(0, &m_storage);
    lane->setDeviceSerialNumber(serial());
    if (!waitForStream())
        QTest::qFail("the sensor does not stream", __FILE__, __LINE__);
    return lane;
}

std::unique_ptr<RangeData> LaneRig::aimingLane(const QPointF &offset)
{
    std::unique_ptr<RangeData> lane = boundLane();
    LibModel::Session *session = lane->session();
    session->setTargetDescriptor(
            m_targets.findByUuid(QLatin1String(LibModel::TargetManager::AirRifleUuid)));
    session->setDistance(10.0);
    session->setCaliber(4.5);
    session->setShooter(QStringLiteral("Петров"), QStringLiteral("Динамо"), QString());
    lane->setState(RangeData::ShootingState);
    lane->setCalibrationShotsPerSerie(0);
    lane->setShotCountLimit(10);
    lane->setCalibrationOffset(offset);
    lane->setCalibrationMode(false);
    return lane;
}
