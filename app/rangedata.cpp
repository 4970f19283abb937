#include "rangedata.h"
#include "exercise.h"

#include <chebfilter.h>
#include <clock.h>
#include <fuzzycompare.h>
#include <scorecalculator.h>
#include <serie.h>
#include <session.h>
#include <shot.h>
#include <targetdescriptor.h>
#include <trace.h>

#include <QSettings>

#include <cmath>

using LibHardware::DeviceRef;
using LibHardware::HardwareController;
using LibHardware::UsbImageSensor;

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr qint64 ShotHoldOff = 1000; // ms between two shots
constexpr double MaxCalibrationTilt = 20.0; // degrees
// How long the recording runs on after the end of an exercise: the shooter's
// follow-through after the last shot.
constexpr qint64 FollowThrough = 1000; // ms

UsbImageSensor::Marker marker(quint8 weight, bool truncate, double x, double y, qint8 biasX,
                              qint8 biasY)
{
    UsbImageSensor::Marker m;
    m.weight = weight;
    m.truncate = truncate;
    m.x = x;
    m.y = y;
    m.biasX = biasX;
    m.biasY = biasY;
    return m;
}

// The toolkit's fuzzy comparison, with a zero old value equal only to zero.
bool fuzzyDiffers(double oldValue, double newValue)
{
    if (std::fabs(oldValue) <= 1e-12)
        return std::fabs(newValue) > 1e-12;
    return !(std::fabs(oldValue - newValue) * 1e12
             <= std::min(std::fabs(oldValue), std::fabs(newValue)));
}

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

// A sensor coordinate as the sensor takes it: rounded, 16 bits.
quint16 sensorWord(double value)
{
    if (!std::isfinite(value))
        return 0;
    return quint16(qint64(std::floor(value + 0.5)) & 0xFFFF);
}

} // namespace

const QVector<RangeData::Frame> &RangeData::frames()
{
    static const QVector<Frame> table = [] {
        QVector<UsbImageSensor::Marker> chest = {marker(1, true, 0, 0, 0, 0)};
        const double corners[8][2] = {{-115, -255}, {115, -255}, {115, -70},  {255, -70},
                                      {255, 255},   {-255, 255}, {-255, -70}, {-115, -70}};
        const qint8 innerBias[8][2]
                = {{2, 2}, {-2, 2}, {-2, 2}, {-2, 2}, {-2, -2}, {2, -2}, {2, 2}, {2, 2}};
        for (int i = 0; i < 8; ++i)
            chest.append(marker(1, true, corners[i][0], corners[i][1], innerBias[i][0],
                                innerBias[i][1]));
        for (int i = 0; i < 8; ++i)
            chest.append(marker(0, false, corners[i][0], corners[i][1], qint8(-innerBias[i][0]),
                                qint8(-innerBias[i][1])));
        return QVector<Frame> {{"{401BEAC6-B6AA-4D42-98C0-6431EA2E0D0F}", chest, 1, NaN, 1.8},
                               {"{EE802967-C378-4ed8-B61A-609EC5061BBD}", {}, 0, 59.5, 0.6},
                               {"{26044802-5B13-48d6-A5F8-BE777C9BED82}", {}, 0, 30.5, 0.3},
                               {"{BF0CCDC6-E68C-4cdb-8095-1DB0B4B168BF}", {}, 0, 200.0, 0.45},
                               {"{4225AED6-4494-4c42-970C-0733074F462A}", {}, 0, 112.4, 0.6},
                               {"{2f172fce-9436-11e5-8a97-542696dbe481}", {}, 0, 61.7, 0.6}};
    }();
    return table;
}

QString RangeData::serialText(const QByteArray &serialNumber)
{
    return QString::fromLatin1(serialNumber.toHex()).toUpper();
}

QByteArray RangeData::serialBytes(const QString &serialText)
{
    return QByteArray::fromHex(serialText.toLatin1());
}

RangeData::RangeData(quint16 index, LibModel::AbstractStorage *storage, QObject *parent)
    : QObject(parent)
    , m_index(index)
    , m_storage(storage)
    , m_cantFilter(new LibMisc::ChebFilter(this, LibMisc::ChebFilter::LowPass, 0.05, 0.5, 2, true))
{
    reset();
    m_exercise = new Exercise(this);
    HardwareController *controller = HardwareController::instance();
    connect(controller, &HardwareController::deviceStateChanged, this,
            &RangeData::deviceStateChanged);
    connect(controller, &HardwareController::opticalSensorEvent, this,
            &RangeData::opticalSensorEvent);
    controller->registerLane(index);
    controller->setLaneActive(index, true);

    const QVariant device = QSettings().value(QStringLiteral("range%1/device").arg(index));
    if (device.canConvert<QString>() && device.isValid())
        setDeviceSerialNumber(device.toString());
}

RangeData::~RangeData() = default;

UsbImageSensor *RangeData::sensor() const
{
    HardwareController *controller = HardwareController::instance();
    return controller->sensorOf(controller->deviceOfLane(m_index));
}

bool RangeData::isDeviceConnected(const DeviceRef &ref) const
{
    return HardwareController::instance()->connectedDevices().contains(ref);
}

QString RangeData::deviceSerialNumber() const
{
    const DeviceRef ref = HardwareController::instance()->deviceOfLane(m_index);
    return ref.isOpticalSensor() ? serialText(ref.id) : QString();
}

QString RangeData::settingsDeviceKey(const char *name) const
{
    return QStringLiteral("device_%1/%2").arg(deviceSerialNumber(), QLatin1String(name));
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
    m_phaseStart = LibMisc::Clock::now();
    m_timeToEndOfPhase = 0.0;
    m_closeRecordingAt = -1;
    m_recordingClosed = false;
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
    if (value == m_state)
        return;
    m_state = value;
    emit stateChanged();
}

void RangeData::setPhase(RangeItemShootingPhase value)
{
    if (value == m_phase)
        return;
    m_phase = value;
    emit phaseChanged();
}

void RangeData::setShootingMode(ShootingMode value)
{
    if (value == m_shootingMode)
        return;
    m_shootingMode = value;
    emit shootingModeChanged();
}

void RangeData::setWithCalibration(bool value)
{
    if (value == m_withCalibration)
        return;
    m_withCalibration = value;
    emit withCalibrationChanged();
}

void RangeData::setWithJointTime(bool value)
{
    if (value == m_withJointTime)
        return;
    m_withJointTime = value;
    emit withJointTimeChanged();
}

void RangeData::setFirstRound(bool value)
{
    if (value == m_firstRound)
        return;
    m_firstRound = value;
    emit firstRoundChanged();
}

void RangeData::setCalibrationShotMode(bool value)
{
    if (value == m_calibrationShotMode)
        return;
    m_calibrationShotMode = value;
    emit calibrationShotModeChanged();
}

void RangeData::setAutoCorrection(bool value)
{
    if (value == m_autoCorrection)
        return;
    m_autoCorrection = value;
    emit autoCorrectionChanged();
}

void RangeData::setShotCountLimit(int value)
{
    if (qint16(value) == m_shotCountLimit)
        return;
    m_shotCountLimit = qint16(value);
    emit shotCountLimitChanged();
}

void RangeData::setCalibrationShotsPerSerie(int value)
{
    if (qint16(value) == m_calibrationShotsPerSerie)
        return;
    m_calibrationShotsPerSerie = qint16(value);
    emit calibrationShotsPerSerieChanged();
}

void RangeData::setCalibrationShotsTime(int value)
{
    if (value == m_calibrationShotsTime)
        return;
    m_calibrationShotsTime = value;
    emit calibrationShotsTimeChanged();
}

void RangeData::setShotsTime(int value)
{
    if (value == m_shotsTime)
        return;
    m_shotsTime = value;
    emit shotsTimeChanged();
}

void RangeData::setJointTime(int value)
{
    if (value == m_jointTime)
        return;
    m_jointTime = value;
    emit jointTimeChanged();
}

void RangeData::setWithTimeLimits(bool value)
{
    if (value == m_withTimeLimits)
        return;
    m_withTimeLimits = value;
    emit withTimeLimitsChanged();
}

void RangeData::setCaliberVisualisationScale(double value)
{
    if (value == m_caliberVisualisationScale)
        return;
    m_caliberVisualisationScale = value;
    emit caliberVisualisationScaleChanged();
}

void RangeData::setCalibrationAngle(double value)
{
    if (value == m_calibrationAngle)
        return;
    m_calibrationAngle = value;
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
    UsbImageSensor *device = sensor();
    if (device && device->isOpen())
        device->setMicrophoneParameters(m_ultraSensitiveTriggerMode ? 2 : 1, m_microphoneThreshold);
}

void RangeData::setMicrophoneThreshold(int value)
{
    if (quint16(value) == m_microphoneThreshold)
        return;
    m_microphoneThreshold = quint16(value);
    sendMicrophoneConfiguration();
    if (!deviceSerialNumber().isEmpty())
        QSettings().setValue(settingsDeviceKey("microphoneThreshold"), int(m_microphoneThreshold));
    emit microphoneThresholdChanged();
}

void RangeData::setUltraSensitiveTriggerMode(bool value)
{
    if (value == m_ultraSensitiveTriggerMode)
        return;
    m_ultraSensitiveTriggerMode = value;
    sendMicrophoneConfiguration();
    if (!deviceSerialNumber().isEmpty())
        QSettings().setValue(settingsDeviceKey("microphoneMode"), value ? 1 : 0);
    emit ultraSensitiveTriggerModeChanged();
}

void RangeData::setDeviceSerialNumber(QString value)
{
    const DeviceRef ref(DeviceRef::OpticalSensor, DeviceRef::SerialNumberId,
                        value.isEmpty() ? QByteArray() : serialBytes(value));
    if (!value.isEmpty()) {
        // Written under the serial in upper case: read there first, then
        // under the serial as given.
        QSettings settings;
        const auto stored = [&settings, &value](const char *name, const QVariant &fallback) {
            const QString key = QStringLiteral("device_%1/") + QLatin1String(name);
            const QString upper = key.arg(value.toUpper());
            return settings.contains(upper) ? settings.value(upper)
                                            : settings.value(key.arg(value), fallback);
        };
        const bool mode = stored("microphoneMode", 0).toLongLong() != 0;
        if (mode != m_ultraSensitiveTriggerMode) {
            m_ultraSensitiveTriggerMode = mode;
            sendMicrophoneConfiguration();
            emit ultraSensitiveTriggerModeChanged();
        }
        qlonglong threshold = stored("microphoneThreshold", 15).toLongLong();
        if (quint64(threshold) > 4096)
            threshold = 15;
        if (quint16(threshold) != m_microphoneThreshold) {
            m_microphoneThreshold = quint16(threshold);
            sendMicrophoneConfiguration();
            emit microphoneThresholdChanged();
        }
    }
    setOpticalSensor(ref);
    QSettings().setValue(QStringLiteral("range%1/device").arg(m_index), value);
}

void RangeData::setOpticalSensor(DeviceRef ref)
{
    HardwareController::instance()->setLaneDevice(m_index, ref);
    const bool connected = isDeviceConnected(ref);
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
    if (ref != HardwareController::instance()->deviceOfLane(m_index))
        return;
    m_cantHold = NaN;
    m_tiltHold = NaN;
    if (state == HardwareController::Opened)
        configureSensor();
    const bool connected = isDeviceConnected(ref);
    setReady(connected);
    if (!connected && m_calibrationMode) {
        m_calibrationMode = false;
        emit calibrationModeChanged();
    }
}

void RangeData::targetParametersChanged()
{
    if (isDeviceConnected(HardwareController::instance()->deviceOfLane(m_index)))
        configureSensor();
}

void RangeData::configureSensor()
{
    UsbImageSensor *device = sensor();
    if (!device)
        return;
    // While an exercise is shot the sensor goes on aiming at the lane's
    // offset, also when it comes back after a drop-out.
    const bool aiming = m_state == ShootingState && !m_calibrationMode && m_phase != NoPhase;
    device->sendSetting(UsbImageSensor::Setting9D, 0);
    if (!aiming) {
        m_calibrationOffset = QPointF(device->settingsWord4(), device->settingsWord6());
        device->selectModeOne();
        emit calibrationOffsetChanged();
    }
    device->sendSetting(UsbImageSensor::Setting84, 0);
    device->sendSetting(UsbImageSensor::Setting92, 1);
    device->sendSetting(UsbImageSensor::Setting9E, 1);
    device->sendSetting(UsbImageSensor::Setting9F, 1);
    device->sendSetting(UsbImageSensor::Shutter, 30);
    device->sendSetting(UsbImageSensor::EchoSetting, 64);
    device->setParameter(4, 0);
    device->setMicrophoneParameters(m_ultraSensitiveTriggerMode ? 2 : 1, m_microphoneThreshold);
    device->setParameter(1, 200);
    device->setParameter(2, 255);

    const LibModel::TargetDescriptor *target = m_session->targetDescriptor();
    m_calculator = target ? target->scoreCalculator() : nullptr;
    const QString uuid = m_session->targetUuid();
    for (const Frame &frame : frames()) {
        if (uuid != QLatin1String(frame.targetUuid))
            continue;
        if (!std::isnan(frame.aimMarkDiameter))
            device->setAimMarkDiameter(frame.aimMarkDiameter);
        else if (!frame.markers.isEmpty())
            device->setMarkers(frame.tag, frame.markers);
        if (!std::isnan(m_session->distance()))
            device->setTargetDistance(m_session->distance());
        device->setSizeParameter(frame.sizeParameter);
        break;
    }
    if (aiming) {
        device->sendSetting(UsbImageSensor::Setting84, 0);
        device->selectModeTwo(sensorWord(m_calibrationOffset.x()),
                              sensorWord(m_calibrationOffset.y()));
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
    UsbImageSensor *device = sensor();
    if (device && device->isOpen()) {
        if (value) {
            m_calibrationOffset = QPointF(device->settingsWord4(), device->settingsWord6());
            device->selectModeOne();
            emit calibrationOffsetChanged();
        } else {
            device->sendSetting(UsbImageSensor::Setting84, 0);
            device->selectModeTwo(sensorWord(m_calibrationOffset.x()),
                                  sensorWord(m_calibrationOffset.y()));
        }
    }
    emit calibrationModeChanged();
}

void RangeData::changePhase()
{
    advancePhase(LibMisc::Clock::now());
}

void RangeData::restartPhases()
{
    m_phase = NoPhase;
    changePhase();
}

void RangeData::advancePhase(qint64 now)
{
    switch (m_phase) {
    case NoPhase:
        m_closeRecordingAt = -1;
        m_recordingClosed = false;
        m_remainingShots
                = m_calibrationShotsPerSerie != 0 ? m_calibrationShotsPerSerie : m_shotCountLimit;
        if (m_withTimeLimits) {
            const int seconds = m_withJointTime       ? m_jointTime
                    : m_calibrationShotsPerSerie != 0 ? m_calibrationShotsTime
                                                      : m_shotsTime;
            m_phaseDuration = 1000LL * seconds;
        }
        m_phase = BeginningPhase;
        m_phaseStart = now;
        emit phaseChanged();
        break;
    case BeginningPhase:
        m_phase = m_calibrationShotsPerSerie != 0 ? CalibrationPhase : ShootingPhase;
        m_phaseStart = now;
        // Shooting straight away: the first shot's interval counts from here.
        if (m_phase == ShootingPhase)
            m_lastShotTime = now;
        emit phaseChanged();
        break;
    case CalibrationPhase:
        if (m_remainingShots != 0)
            break;
        m_remainingShots = m_shotCountLimit;
        m_lastShotTime = now;
        if (!m_withJointTime) {
            m_phaseStart = now;
            m_phaseDuration = 1000LL * m_shotsTime;
        }
        if (m_autoCorrection)
            emit corSig();
        m_phase = ShootingPhase;
        emit phaseChanged();
        break;
    case ShootingPhase:
        if (m_remainingShots != 0)
            break;
        m_phase = NoPhase;
        m_closeRecordingAt = now + FollowThrough;
        emit phaseChanged();
        m_phaseStart = now;
        break;
    }
}

void RangeData::closeRecording(qint64 time)
{
    if (m_closeRecordingAt < 0 || time < m_closeRecordingAt)
        return;
    m_closeRecordingAt = -1;
    m_recordingClosed = true;
    cutCurrTrace();
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
        m_cantFilter->reset();

    const quint16 level = quint16(sample.microphone);
    if (level != m_microphone) {
        m_microphone = level;
        emit microphoneChanged();
    }
    m_microphoneHistory.append({time, level});
    while (m_microphoneHistory.size() > 1
           && std::llabs(time - m_microphoneHistory.first().first) > 1000)
        m_microphoneHistory.removeFirst();
    int peak = 0;
    for (const auto &entry : std::as_const(m_microphoneHistory))
        peak = qMax(peak, entry.second);
    if (peak != m_microphoneSlow) {
        m_microphoneSlow = peak;
        emit microphoneSlowChanged();
    }

    const double sampleTilt = sample.tilt / Pi * 180.0;
    double tilt = sampleTilt;
    if (level < m_microphoneThreshold)
        m_tiltHold = tilt;
    else if (!std::isnan(m_tiltHold))
        tilt = m_tiltHold;
    if (fuzzyDiffers(m_tilt, tilt)) {
        m_tilt = tilt;
        emit tiltChanged(tilt);
    }

    const bool shotSound = level >= m_microphoneThreshold;
    const int mode = device && device->isOpen() ? device->sensorMode() : 0;
    const QPointF hwPoint(sample.x, sample.y);

    if (mode == 1) {
        // The lane's tilt: held at its value from before the shot noise.
        const bool visible = sample.found && std::fabs(m_tilt) <= MaxCalibrationTilt;
        setTargetVisible(visible);
        double c = NaN;
        QPointF point(NaN, NaN);
        if (visible) {
            c = m_cantFilter->filter(sample.cant);
            const double dx = device->settingsWord4() - sample.x;
            const double dy = device->settingsWord6() - sample.y;
            point = rotate(dx, dy, c);
        }
        updateAimingPoint(point);
        if (shotSound && visible && time >= m_shotHoldOff) {
            m_shotHoldOff = time + ShotHoldOff;
            emit calibrationShot(m_aimingPoint, hwPoint, c);
        }
        return;
    }
    if (mode != 2)
        return;

    if (m_withTimeLimits && (m_phase == CalibrationPhase || m_phase == ShootingPhase)) {
        if (time - m_phaseStart > m_phaseDuration) {
            m_remainingShots = 0;
            advancePhase(time);
        }
        if (m_phase == CalibrationPhase || m_phase == ShootingPhase) {
            m_timeToEndOfPhase = double(m_phaseDuration - (time - m_phaseStart)) / 1000.0;
            emit timeToEndOfPhaseChanged();
        }
    }

    if (!sample.valid) {
        setTargetVisible(false);
        if (m_currentTrace)
            emit currentTraceChanged();
        return;
    }

    closeRecording(time);
    if (!m_currentTrace && !m_recordingClosed) {
        m_currentTrace = m_session->appendTrace(time);
        m_cantFilter->reset();
        m_cantHold = NaN;
        emit currentTraceChanged();
    }

    double cant = sample.cant;
    if (level < m_microphoneThreshold)
        m_cantHold = cant;
    else if (!std::isnan(m_cantHold))
        cant = m_cantHold;
    const double c = m_cantFilter->filter(cant);

    const double s = device->millimetresPerPixel();
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

    if (!shotSound || time < m_shotHoldOff)
        return;
    if (m_phase == BeginningPhase) {
        advancePhase(time);
        if (m_state != ShootingState)
            return;
    }
    const auto score = [&](const QPointF &p) {
        return m_calculator ? m_calculator->calc(p, m_session->caliber()) : NaN;
    };
    switch (m_phase) {
    case CalibrationPhase:
        m_shotHoldOff = time + ShotHoldOff;
        emit calibrationShotMy(point, hwPoint, m_angle, score(point));
        --m_remainingShots;
        break;
    case ShootingPhase:
        m_shotHoldOff = time + ShotHoldOff;
        scoredShot(time, point, hwPoint);
        break;
    default:
        return;
    }
    if (m_phase != NoPhase)
        advancePhase(time);
}

double RangeData::pathLength(int from, int to)
{
    const QVector<QPointF> &points = m_currentTrace->points();
    if (from < 0 || to > points.size() || to - from < 2)
        return 0.0;
    double length = 0.0;
    for (int i = from; i + 1 < to; ++i) {
        const QPointF &a = points.at(i);
        const QPointF &b = points.at(i + 1);
        if (std::isnan(a.x()) || std::isnan(a.y()) || std::isnan(b.x()) || std::isnan(b.y()))
            return 0.0;
        length += std::hypot(b.x() - a.x(), b.y() - a.y());
    }
    return length;
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
    const qint64 o = shot->offset();
    const qint64 S = m_session->sampleRate();
    const qint64 R = qMax<qint64>(S, m_session->storedResampleRate());
    const auto index = [&](qint64 raw) { return S > 0 ? int(raw * R / S) : 0; };
    const double stab = pathLength(index(qMax<qint64>(0, o - 2 * S)), index(o));
    const double trigStab = pathLength(index(qMax<qint64>(0, o - S)), index(o));
    const double area = m_currentTrace->windowedMeanScore(int(qMax<qint64>(0, o - 2 * S)), int(S));
    const double result = m_calculator ? m_calculator->calc(point, m_session->caliber()) : NaN;
    m_timeSincePreviousShot = double(time - m_lastShotTime) / 1000.0;
    m_lastShotTime = time;
    emit timeSincePreviousShotChanged();
    emit newShot(shot, hwPoint, stab, trigStab, result, area, m_angle);
    --m_remainingShots;
}
