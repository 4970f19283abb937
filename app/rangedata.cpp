#include "rangedata.h"
#include "exercise.h"
#include "lanesettings.h"
#include "shotmeasures.h"

#include <clock.h>
#include <fuzzycompare.h>
#include <scorecalculator.h>
#include <serie.h>
#include <session.h>
#include <shot.h>
#include <targetdescriptor.h>
#include <trace.h>

#include <cmath>

using LibHardware::DeviceRef;
using LibHardware::HardwareController;
using LibHardware::UsbImageSensor;

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr double MaxCalibrationTilt = 20.0; // degrees

bool pointDiffers(const QPointF &a, const QPointF &b)
{
    const auto differs = [](double u, double v) {
        return std::isnan(u) || std::isnan(v) || std::fabs(u - v) > 1e-12;
    };
    return differs(a.x(), b.x()) || differs(a.y(), b.y());
}

QPointF rotate(double dx, double dy, double angle)
{
    return QPointF(dx * std::cos(angle) - dy * std::sin(angle),
                   dx * std::sin(angle) + dy * std::cos(angle));
}

// Takes the value into the field; true when it differed.
template<typename T>
bool assign(T &field, T value)
{
    if (value == field)
        return false;
    field = value;
    return true;
}

} // namespace

RangeData::RangeData(quint16 index, LibModel::AbstractStorage *storage, QObject *parent)
    : QObject(parent)
    , m_index(index)
    , m_storage(storage)
    , m_sensor(index)
{
    connect(&m_phases, &PhaseMachine::phaseChanged, this, &RangeData::phaseChanged);
    connect(&m_phases, &PhaseMachine::trialsOver, this, [this] {
        if (m_autoCorrection)
            emit corSig();
    });
    reset();
    m_exercise = new Exercise(this);
    HardwareController *controller = HardwareController::instance();
    connect(controller, &HardwareController::deviceStateChanged, this,
            &RangeData::deviceStateChanged);
    connect(controller, &HardwareController::opticalSensorEvent, this,
            &RangeData::opticalSensorEvent);
    controller->registerLane(index);
    controller->setLaneActive(index, true);

    QString device;
    if (LaneSettings::storedDevice(index, &device))
        setDeviceSerialNumber(device);
}

RangeData::~RangeData() = default;

QString RangeData::deviceSerialNumber() const
{
    return m_sensor.serialNumber();
}

void RangeData::setReady(bool ready)
{
    if (ready == m_ready)
        return;
    m_ready = ready;
    emit readyChanged(ready);
}

void RangeData::reset()
{
    if (m_session)
        m_session->deleteLater();
    if (m_currentTrace) {
        m_currentTrace = nullptr;
        emit currentTraceChanged();
    }
    m_session = new LibModel::Session(m_storage, this);
    connect(m_session, &LibModel::Session::targetDescriptorChanged, this,
            &RangeData::targetParametersChanged);
    connect(m_session, &LibModel::Session::distanceChanged, this,
            &RangeData::targetParametersChanged);
    m_session->setSampleRate(100);
    m_session->setFilterCutoff(0.25);
    emit sessionChanged();
    m_phases.reset(LibMisc::Clock::now());
}

void RangeData::cutCurrTrace()
{
    if (!m_currentTrace)
        return;
    m_currentTrace = nullptr;
    emit currentTraceChanged();
}

void RangeData::setState(RangeDataState value)
{
    if (assign(m_state, value))
        emit stateChanged();
}

void RangeData::setPhase(RangeItemShootingPhase value)
{
    m_phases.setPhase(PhaseMachine::Phase(value));
}

void RangeData::setShootingMode(ShootingMode value)
{
    if (assign(m_shootingMode, value))
        emit shootingModeChanged();
}

void RangeData::setWithCalibration(bool value)
{
    if (assign(m_withCalibration, value))
        emit withCalibrationChanged();
}

void RangeData::setWithJointTime(bool value)
{
    if (assign(m_phases.plan().withJointTime, value))
        emit withJointTimeChanged();
}

void RangeData::setFirstRound(bool value)
{
    if (assign(m_firstRound, value))
        emit firstRoundChanged();
}

void RangeData::setCalibrationShotMode(bool value)
{
    if (assign(m_calibrationShotMode, value))
        emit calibrationShotModeChanged();
}

void RangeData::setAutoCorrection(bool value)
{
    if (assign(m_autoCorrection, value))
        emit autoCorrectionChanged();
}

void RangeData::setShotCountLimit(int value)
{
    if (assign(m_phases.plan().shots, qint16(value)))
        emit shotCountLimitChanged();
}

void RangeData::setCalibrationShotsPerSerie(int value)
{
    if (assign(m_phases.plan().trialShots, qint16(value)))
        emit calibrationShotsPerSerieChanged();
}

void RangeData::setCalibrationShotsTime(int value)
{
    if (assign(m_phases.plan().trialTime, value))
        emit calibrationShotsTimeChanged();
}

void RangeData::setShotsTime(int value)
{
    if (assign(m_phases.plan().shotsTime, value))
        emit shotsTimeChanged();
}

void RangeData::setJointTime(int value)
{
    if (assign(m_phases.plan().jointTime, value))
        emit jointTimeChanged();
}

void RangeData::setWithTimeLimits(bool value)
{
    if (assign(m_phases.plan().withTimeLimits, value))
        emit withTimeLimitsChanged();
}

void RangeData::setCaliberVisualisationScale(double value)
{
    if (assign(m_caliberVisualisationScale, value))
        emit caliberVisualisationScaleChanged();
}

void RangeData::setCalibrationAngle(double value)
{
    if (assign(m_calibrationAngle, value))
        emit calibrationAngleChanged();
}

void RangeData::setCalibrationOffset(QPointF value)
{
    if (value.x() == m_calibrationOffset.x() && value.y() == m_calibrationOffset.y())
        return;
    m_calibrationOffset = value;
    emit calibrationOffsetChanged();
}

void RangeData::setStoredOffset(QPointF value)
{
    if (LibMisc::FuzzyCompare::equal(value, m_storedOffset))
        return;
    m_storedOffset = value;
    emit storedOffsetChanged();
}

void RangeData::sendMicrophoneConfiguration()
{
    LaneSensor::sendMicrophone(m_sensor.device(), m_ultraSensitiveTriggerMode, m_shots.threshold());
}

void RangeData::setMicrophoneThreshold(int value)
{
    if (quint16(value) == m_shots.threshold())
        return;
    m_shots.setThreshold(quint16(value));
    sendMicrophoneConfiguration();
    const QString serial = deviceSerialNumber();
    if (!serial.isEmpty())
        LaneSettings::storeThreshold(serial, m_shots.threshold());
    emit microphoneThresholdChanged();
}

void RangeData::setUltraSensitiveTriggerMode(bool value)
{
    if (value == m_ultraSensitiveTriggerMode)
        return;
    m_ultraSensitiveTriggerMode = value;
    sendMicrophoneConfiguration();
    const QString serial = deviceSerialNumber();
    if (!serial.isEmpty())
        LaneSettings::storeUltraSensitive(serial, value);
    emit ultraSensitiveTriggerModeChanged();
}

void RangeData::setDeviceSerialNumber(QString value)
{
    const DeviceRef ref(DeviceRef::OpticalSensor, DeviceRef::SerialNumberId,
                        value.isEmpty() ? QByteArray() : serialBytes(value));
    if (!value.isEmpty()) {
        const LaneSettings::Microphone stored = LaneSettings::storedMicrophone(value);
        if (stored.ultraSensitive != m_ultraSensitiveTriggerMode) {
            m_ultraSensitiveTriggerMode = stored.ultraSensitive;
            sendMicrophoneConfiguration();
            emit ultraSensitiveTriggerModeChanged();
        }
        if (stored.threshold != m_shots.threshold()) {
            m_shots.setThreshold(stored.threshold);
            sendMicrophoneConfiguration();
            emit microphoneThresholdChanged();
        }
    }
    setOpticalSensor(ref);
    LaneSettings::storeDevice(m_index, value);
}

void RangeData::setOpticalSensor(DeviceRef ref)
{
    HardwareController::instance()->setLaneDevice(m_index, ref);
    const bool connected = LaneSensor::isConnected(ref);
    if (connected && !m_ready) {
        m_ready = true;
        configureSensor();
        emit readyChanged(true);
    } else if (!connected && m_ready) {
        m_ready = false;
        emit readyChanged(false);
    }
    emit deviceSerialNumberChanged();
}

void RangeData::deviceStateChanged(DeviceRef ref, HardwareController::DeviceState state)
{
    if (ref != m_sensor.ref())
        return;
    m_shots.forgetHolds();
    if (state == HardwareController::Opened)
        configureSensor();
    const bool connected = LaneSensor::isConnected(ref);
    setReady(connected);
    if (!connected && m_calibrationMode) {
        m_calibrationMode = false;
        emit calibrationModeChanged();
    }
}

void RangeData::targetParametersChanged()
{
    if (LaneSensor::isConnected(m_sensor.ref()))
        configureSensor();
}

void RangeData::configureSensor()
{
    UsbImageSensor *device = m_sensor.device();
    if (!device)
        return;
    // While an exercise is shot the sensor goes on aiming at the lane's
    // offset, also when it comes back after a drop-out.
    const bool aiming = m_state == ShootingState && !m_calibrationMode
            && m_phases.phase() != PhaseMachine::NoPhase;
    LaneSensor::begin(device);
    if (!aiming) {
        m_calibrationOffset = LaneSensor::viewCalibration(device);
        emit calibrationOffsetChanged();
    }
    LaneSensor::configure(device, m_ultraSensitiveTriggerMode, m_shots.threshold(), *m_session);
    const LibModel::TargetDescriptor *target = m_session->targetDescriptor();
    m_calculator = target ? target->scoreCalculator() : nullptr;
    if (aiming) {
        LaneSensor::aim(device, m_calibrationOffset);
    } else if (!m_calibrationMode) {
        m_calibrationMode = true;
        emit calibrationModeChanged();
    }
}

void RangeData::setCalibrationMode(bool value)
{
    if (value == m_calibrationMode)
        return;
    m_calibrationMode = value;
    UsbImageSensor *device = m_sensor.device();
    if (device && device->isOpen()) {
        if (value) {
            m_calibrationOffset = LaneSensor::viewCalibration(device);
            emit calibrationOffsetChanged();
        } else {
            LaneSensor::aim(device, m_calibrationOffset);
        }
    }
    emit calibrationModeChanged();
}

void RangeData::changePhase()
{
    m_phases.advance(LibMisc::Clock::now());
}

void RangeData::restartPhases()
{
    m_phases.restart(LibMisc::Clock::now());
}

void RangeData::setTargetVisible(bool visible)
{
    if (visible == m_targetVisible)
        return;
    m_targetVisible = visible;
    emit targetVisibleChanged(visible);
}

void RangeData::updateAimingPoint(const QPointF &point)
{
    if (!pointDiffers(point, m_aimingPoint))
        return;
    m_aimingPoint = point;
    emit aimingPointChanged(point);
}

void RangeData::opticalSensorEvent(const HardwareController::Event &event)
{
    HardwareController *controller = HardwareController::instance();
    if (event.device != controller->deviceOfLane(m_index))
        return;
    UsbImageSensor *device = controller->sensorOf(event.device);
    const UsbImageSensor::Event &sample = event.sample;
    const qint64 time = event.timer;

    if (!sample.found)
        m_shots.restartCantFilter();
    if (m_shots.hearLevel(quint16(sample.microphone)))
        emit microphoneChanged();
    if (m_shots.trackPeak(time))
        emit microphoneSlowChanged();
    if (m_shots.holdTilt(sample.tilt / Pi * 180.0))
        emit tiltChanged(m_shots.tilt());

    const int mode = device && device->isOpen() ? device->sensorMode() : 0;
    if (mode == 1)
        calibrationSample(time, *device, sample);
    else if (mode == 2)
        aimingSample(time, *device, sample);
}

void RangeData::calibrationSample(qint64 time, const UsbImageSensor &device,
                                  const UsbImageSensor::Event &sample)
{
    const bool shotSound = m_shots.loud();
    // The lane's tilt: held at its value from before the shot noise.
    const bool visible = sample.found && std::fabs(m_shots.tilt()) <= MaxCalibrationTilt;
    setTargetVisible(visible);
    double c = NaN;
    QPointF point(NaN, NaN);
    if (visible) {
        c = m_shots.filteredCant(sample.cant);
        const double dx = device.settingsWord4() - sample.x;
        const double dy = device.settingsWord6() - sample.y;
        point = rotate(dx, dy, c);
    }
    updateAimingPoint(point);
    if (shotSound && visible && m_shots.holdOffOver(time)) {
        m_shots.shotAt(time);
        emit calibrationShot(m_aimingPoint, QPointF(sample.x, sample.y), c);
    }
}

void RangeData::aimingSample(qint64 time, const UsbImageSensor &device,
                             const UsbImageSensor::Event &sample)
{
    const bool shotSound = m_shots.loud();
    if (m_phases.countDown(time))
        emit timeToEndOfPhaseChanged();

    if (!sample.valid) {
        setTargetVisible(false);
        if (m_currentTrace)
            emit currentTraceChanged();
        return;
    }

    if (m_phases.recordingEnds(time))
        cutCurrTrace();
    if (!m_currentTrace && !m_phases.recordingClosed()) {
        m_currentTrace = m_session->appendTrace(time);
        m_shots.restartCant();
        emit currentTraceChanged();
    }

    const double c = m_shots.heldCant(sample.cant);
    const double s = device.millimetresPerPixel();
    const QPointF point = rotate((m_calibrationOffset.x() - sample.x) * s,
                                 (m_calibrationOffset.y() - sample.y) * s, c);
    setTargetVisible(true);
    updateAimingPoint(point);
    const double angle = c - m_calibrationAngle;
    if (!(angle == m_angle)) {
        m_angle = angle;
        emit angleChanged(angle);
    }
    if (m_currentTrace) {
        LibModel::TraceSample traceSample;
        traceSample.x = float(point.x());
        traceSample.y = float(point.y());
        traceSample.z = float(m_angle);
        traceSample.trigger = -1;
        m_currentTrace->appendSample(time, traceSample);
    }

    if (!shotSound || !m_shots.holdOffOver(time))
        return;
    if (m_phases.phase() == PhaseMachine::BeginningPhase) {
        m_phases.advance(time);
        if (m_state != ShootingState)
            return;
    }
    const QPointF hwPoint(sample.x, sample.y);
    switch (m_phases.phase()) {
    case PhaseMachine::CalibrationPhase:
        m_shots.shotAt(time);
        emit calibrationShotMy(point, hwPoint, m_angle,
                               m_calculator ? m_calculator->calc(point, m_session->caliber())
                                            : NaN);
        m_phases.countShot();
        break;
    case PhaseMachine::ShootingPhase:
        m_shots.shotAt(time);
        scoredShot(time, point, hwPoint);
        break;
    default:
        return;
    }
    if (m_phases.phase() != PhaseMachine::NoPhase)
        m_phases.advance(time);
}

void RangeData::scoredShot(qint64 time, const QPointF &point, const QPointF &hwPoint)
{
    const QList<LibModel::Serie *> &series = m_session->series();
    int serieIndex = 0;
    if (!series.isEmpty()) {
        serieIndex = int(series.size()) - 1;
        if (series.last()->shots().size() == 10)
            serieIndex = int(series.size());
    }
    LibModel::Shot *shot = m_currentTrace ? m_currentTrace->appendShot(
                                   ushort(serieIndex), m_currentTrace->count() - 1, false, 0.0)
                                          : nullptr;
    if (!shot)
        return;
    const ShotMeasures measures = ShotMeasures::of(*shot, *m_currentTrace, *m_session);
    const double result = m_calculator ? m_calculator->calc(point, m_session->caliber()) : NaN;
    m_timeSincePreviousShot = m_phases.shotInterval(time);
    emit timeSincePreviousShotChanged();
    emit newShot(shot, hwPoint, measures.stab, measures.trigStab, result, measures.area, m_angle);
    m_phases.countShot();
}
