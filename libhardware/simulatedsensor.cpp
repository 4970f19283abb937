#include "simulatedsensor.h"
#include "simulatedframe.h"
#include "usbhandle.h"
#include "usbimagesensor.h"

#include <clock.h>

#include <QtEndian>

#include <algorithm>
#include <chrono>

namespace LibHardware {

SimulatedSensor::SimulatedSensor(quint32 seed, QObject *parent)
    : QObject(parent)
{
    // The serial number carries the seed, so that sensors made with
    // different seeds are told apart by the host.
    QByteArray serial(8, '\0');
    qToBigEndian<quint32>(seed, serial.data() + 4);
    m_device.setSerialNumber(serial);
    m_scene.seed = seed;
    std::lock_guard lock(m_mutex);
    resetVolatileStateLocked();
}

SimulatedSensor::~SimulatedSensor()
{
    stopReading();
}

QByteArray SimulatedSensor::renderFrame(const Scene &scene, qint64 index)
{
    return SimulatedFrame::render(scene, index);
}

QByteArray SimulatedSensor::startMarker()
{
    return SimulatedFrame::startMarker();
}

QByteArray SimulatedSensor::stopMarker()
{
    return SimulatedFrame::stopMarker();
}

QByteArray SimulatedSensor::defaultSettingsBlock()
{
    return EmulatedSensor::defaultSettingsBlock();
}

// Identity and settings block ------------------------------------------------

QByteArray SimulatedSensor::serialNumber() const
{
    std::lock_guard lock(m_mutex);
    return m_device.serialNumber();
}

bool SimulatedSensor::setSerialNumber(const QByteArray &serial)
{
    if (serial.size() != 8)
        return false;
    std::lock_guard lock(m_mutex);
    m_device.setSerialNumber(serial);
    return true;
}

// Members that read or set the emulated sensor's state under the lock.
#define KAVRO_DEVICE_GETTER(Type, getter)                                                          \
    Type SimulatedSensor::getter() const                                                           \
    {                                                                                              \
        std::lock_guard lock(m_mutex);                                                             \
        return m_device.getter();                                                                  \
    }
#define KAVRO_DEVICE_PROPERTY(Type, getter, setter)                                                \
    KAVRO_DEVICE_GETTER(Type, getter)                                                              \
    void SimulatedSensor::setter(Type value)                                                       \
    {                                                                                              \
        std::lock_guard lock(m_mutex);                                                             \
        m_device.setter(value);                                                                    \
    }
KAVRO_DEVICE_PROPERTY(quint16, hardwareVersion, setHardwareVersion)
KAVRO_DEVICE_PROPERTY(quint16, firmwareVersion, setFirmwareVersion)
KAVRO_DEVICE_PROPERTY(quint16, protocolVersion, setProtocolVersion)
KAVRO_DEVICE_PROPERTY(quint16, protocolRevision, setProtocolRevision)
KAVRO_DEVICE_PROPERTY(quint16, extraWord, setExtraWord)
KAVRO_DEVICE_GETTER(QByteArray, settingsBlock)
KAVRO_DEVICE_GETTER(int, mode)
KAVRO_DEVICE_GETTER(quint16, modeValue)
KAVRO_DEVICE_GETTER(quint16, modeIndex)
KAVRO_DEVICE_GETTER(std::vector<SimulatedSensor::KernelEntry>, kernel)
KAVRO_DEVICE_GETTER(quint16, kernelTag)
KAVRO_DEVICE_GETTER(bool, isStreaming)
KAVRO_DEVICE_GETTER(QVector<ControlRequest>, requests)
#undef KAVRO_DEVICE_PROPERTY
#undef KAVRO_DEVICE_GETTER

bool SimulatedSensor::setSettingsBlock(const QByteArray &block)
{
    if (block.size() != SettingsSize)
        return false;
    std::lock_guard lock(m_mutex);
    m_device.setSettingsBlock(block);
    updateSceneLocked();
    return true;
}

quint16 SimulatedSensor::defaultCentreX() const
{
    std::lock_guard lock(m_mutex);
    return m_device.settingsWord(4);
}

quint16 SimulatedSensor::defaultCentreY() const
{
    std::lock_guard lock(m_mutex);
    return m_device.settingsWord(6);
}

void SimulatedSensor::setDefaultCentre(quint16 x, quint16 y)
{
    std::lock_guard lock(m_mutex);
    m_device.setSettingsWord(4, x);
    m_device.setSettingsWord(6, y);
    updateSceneLocked();
}

float SimulatedSensor::focalLength() const
{
    std::lock_guard lock(m_mutex);
    return m_device.settingsFloat(12);
}

void SimulatedSensor::setFocalLength(float millimetres)
{
    std::lock_guard lock(m_mutex);
    m_device.setSettingsFloat(12, millimetres);
}

quint16 SimulatedSensor::hardwareTypeCode() const
{
    std::lock_guard lock(m_mutex);
    return m_device.settingsWord(24);
}

void SimulatedSensor::setHardwareTypeCode(quint16 code)
{
    std::lock_guard lock(m_mutex);
    m_device.setSettingsWord(24, code);
}

// Request state -------------------------------------------------------------

quint16 SimulatedSensor::settingValue(quint8 request) const
{
    std::lock_guard lock(m_mutex);
    return m_device.settingValue(request);
}

quint16 SimulatedSensor::parameter(quint16 number) const
{
    std::lock_guard lock(m_mutex);
    return m_device.parameter(number);
}

// Control transfers ---------------------------------------------------------

int SimulatedSensor::controlTransfer(quint8 requestType, quint8 request, quint16 value,
                                     quint16 index, char *data, quint16 length)
{
    std::lock_guard lock(m_mutex);
    const int result = m_device.controlTransfer(requestType, request, value, index, data, length);
    if (result < 0 || requestType != UsbHandle::VendorOut)
        return result;
    if (request == UsbImageSensor::StartStream)
        queueMarkerLocked(startMarker());
    else if (request == UsbImageSensor::StopStream)
        queueMarkerLocked(stopMarker());
    updateSceneLocked();
    return result;
}

void SimulatedSensor::clearRequests()
{
    std::lock_guard lock(m_mutex);
    m_device.clearRequests();
}

// Failure injection ---------------------------------------------------------

void SimulatedSensor::failRequest(quint8 request, int times)
{
    std::lock_guard lock(m_mutex);
    m_device.failRequest(request, times);
}

void SimulatedSensor::clearFailures()
{
    std::lock_guard lock(m_mutex);
    m_device.clearFailures();
}

void SimulatedSensor::setReportedSettingsSize(int size)
{
    std::lock_guard lock(m_mutex);
    m_device.setReportedSettingsSize(size);
}

void SimulatedSensor::unplugAfterFrames(int frames)
{
    std::lock_guard lock(m_mutex);
    m_unplugCountdown = std::max(frames, -1);
}

// Connection ----------------------------------------------------------------

bool SimulatedSensor::isConnected() const
{
    std::lock_guard lock(m_mutex);
    return m_device.isConnected();
}

void SimulatedSensor::setConnected(bool connected)
{
    bool staleReader = false;
    {
        std::lock_guard lock(m_mutex);
        if (m_device.isConnected() == connected)
            return;
        m_device.setConnected(connected);
        staleReader = m_pump.sinkLocked() != nullptr;
        if (connected) {
            // Powered up again: the settings sent by the last host are gone,
            // and handles opened before the unplug stay dead.
            resetVolatileStateLocked();
            ++m_connection;
        } else {
            unplugLocked();
        }
    }
    m_wake.notify_all();
    // The reader of the previous host ends with the connection.
    if (staleReader)
        stopReading();
    emit connectedChanged(connected);
}

quint64 SimulatedSensor::connectionNumber() const
{
    std::lock_guard lock(m_mutex);
    return m_connection;
}

bool SimulatedSensor::open()
{
    std::lock_guard lock(m_mutex);
    if (!m_device.isConnected() || m_open)
        return false;
    m_open = true;
    return true;
}

void SimulatedSensor::close()
{
    stopReading();
    std::lock_guard lock(m_mutex);
    m_open = false;
}

bool SimulatedSensor::isOpen() const
{
    std::lock_guard lock(m_mutex);
    return m_open;
}

void SimulatedSensor::resetVolatileStateLocked()
{
    m_device.resetVolatileState();
    m_pendingMarkers.clear();
    updateSceneLocked();
}

void SimulatedSensor::updateSceneLocked()
{
    m_scene.shutter = m_device.settingValue(UsbImageSensor::Shutter);
    m_scene.echo = quint8(m_device.settingValue(UsbImageSensor::EchoSetting));
    m_scene.centreX = m_device.settingsWord(4);
    m_scene.centreY = m_device.settingsWord(6);
}

// Reading -------------------------------------------------------------------

SimulatedSensor::Pacing SimulatedSensor::pacing() const
{
    std::lock_guard lock(m_mutex);
    return m_pacing;
}

void SimulatedSensor::setPacing(Pacing pacing)
{
    std::lock_guard lock(m_mutex);
    m_pacing = pacing;
}

bool SimulatedSensor::startReading(UsbReadSink *sink)
{
    std::lock_guard lock(m_mutex);
    if (!m_device.isConnected() || !m_pump.startLocked(sink))
        return false;
    m_readerActive = true;
    m_pendingMarkers.clear();
    if (m_pacing == Pacing::RealTime)
        m_pump.runLocked([this] { readerLoop(); });
    return true;
}

void SimulatedSensor::stopReading()
{
    m_pump.stop([this] {
        m_readerActive = false;
        m_pendingMarkers.clear();
    });
}

bool SimulatedSensor::isReading() const
{
    std::lock_guard lock(m_mutex);
    return m_readerActive;
}

void SimulatedSensor::queueMarkerLocked(const QByteArray &marker)
{
    // Only a host that is reading gets the marker, as on the real pipe.
    if (!m_readerActive)
        return;
    m_pendingMarkers.push_back(marker);
    m_wake.notify_all();
}

void SimulatedSensor::unplugLocked()
{
    // The stream, the reader's claim and the host's claim end with the
    // connection.
    m_device.setStreaming(false);
    m_readerActive = false;
    m_open = false;
    m_pendingMarkers.clear();
}

SimulatedSensor::FrameResult SimulatedSensor::nextFrameLocked(QByteArray *frame)
{
    if (m_unplugCountdown == 0) {
        m_unplugCountdown = -1;
        m_device.setConnected(false);
        unplugLocked();
        return FrameResult::Unplugged;
    }
    if (m_unplugCountdown > 0)
        --m_unplugCountdown;
    *frame = renderFrame(m_scene, m_frame);
    if (m_frameEditor)
        m_frameEditor(m_frame, *frame);
    ++m_frame;
    return FrameResult::Frame;
}

void SimulatedSensor::setFrameEditor(const FrameEditor &editor)
{
    std::lock_guard lock(m_mutex);
    m_frameEditor = editor;
}

int SimulatedSensor::generateFrames(int count, qint64 startTimer)
{
    std::unique_lock lock(m_mutex);
    if (m_pacing != Pacing::Driven || !m_readerActive)
        return 0;
    UsbReadSink *sink = m_pump.sinkLocked();
    int produced = 0;
    for (;;) {
        QByteArray bytes;
        const qint64 timer = startTimer + qint64(produced) * FramePeriod;
        if (!m_pendingMarkers.empty()) {
            bytes = m_pendingMarkers.front();
            m_pendingMarkers.pop_front();
        } else if (produced < count && m_device.isStreaming()) {
            if (nextFrameLocked(&bytes) == FrameResult::Unplugged) {
                lock.unlock();
                emit connectedChanged(false);
                return produced;
            }
            ++produced;
        } else {
            break;
        }
        lock.unlock();
        sink->readCompleted(timer, bytes);
        lock.lock();
        if (!m_readerActive)
            break;
    }
    return produced;
}

void SimulatedSensor::readerLoop()
{
    using SteadyClock = std::chrono::steady_clock;
    const auto period = std::chrono::milliseconds(FramePeriod);
    std::unique_lock lock(m_mutex);
    UsbReadSink *sink = m_pump.sinkLocked();
    SteadyClock::time_point due;
    bool wasStreaming = false;
    bool unplugged = false;
    while (!m_pump.stoppingLocked() && m_readerActive) {
        QByteArray bytes;
        if (!m_pendingMarkers.empty()) {
            bytes = m_pendingMarkers.front();
            m_pendingMarkers.pop_front();
        } else if (!m_device.isStreaming()) {
            wasStreaming = false;
            m_wake.wait(lock);
            continue;
        } else {
            const auto now = SteadyClock::now();
            if (!wasStreaming) {
                // The first frame comes one period after the stream starts.
                due = now + period;
                wasStreaming = true;
            }
            if (now < due) {
                m_wake.wait_until(lock, due);
                continue;
            }
            due += period;
            // After a long stall (a suspended process) resume the rhythm
            // rather than delivering a burst of stale frames.
            if (now - due > 10 * period)
                due = now + period;
            if (nextFrameLocked(&bytes) == FrameResult::Unplugged) {
                unplugged = true;
                break;
            }
        }
        lock.unlock();
        sink->readCompleted(LibMisc::Clock::now(), bytes);
        lock.lock();
    }
    lock.unlock();
    if (unplugged)
        emit connectedChanged(false);
}

// Shooter -------------------------------------------------------------------

qint64 SimulatedSensor::frameIndex() const
{
    std::lock_guard lock(m_mutex);
    return m_frame;
}

void SimulatedSensor::setShotInterval(int msecs)
{
    std::lock_guard lock(m_mutex);
    m_shotInterval = msecs <= 0 ? 0 : std::max(msecs, int(Scene::ShotSpacing * FramePeriod));
    m_scene.scheduleShots((m_shotInterval + FramePeriod / 2) / FramePeriod, m_frame);
}

int SimulatedSensor::shotInterval() const
{
    std::lock_guard lock(m_mutex);
    return m_shotInterval;
}

bool SimulatedSensor::fireShot()
{
    std::lock_guard lock(m_mutex);
    return m_scene.addShot(m_frame);
}

SimulatedSensor::Scene SimulatedSensor::scene() const
{
    std::lock_guard lock(m_mutex);
    return m_scene;
}

SimulatedShooter::Skill SimulatedSensor::skill() const
{
    std::lock_guard lock(m_mutex);
    return m_scene.skill;
}

void SimulatedSensor::setSkill(SimulatedShooter::Skill skill)
{
    std::lock_guard lock(m_mutex);
    m_scene.skill = skill;
}

} // namespace LibHardware
