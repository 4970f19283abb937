#include "replaybackend.h"
#include "replayhandle.h"
#include "usbhandle.h"

#include <clock.h>

#include <algorithm>
#include <chrono>

namespace LibHardware {

namespace {

constexpr int VendorId = 0x1224;
// A longer gap between two recorded timers is replayed as this long: the
// wait stays interruptible and the steady clock's arithmetic safe.
constexpr qint64 MaxGap = 60LL * 60 * 1000;

} // namespace

ReplayBackend::ReplayBackend(const CaptureFile::Contents &capture, QObject *parent)
    : UsbBackend(parent)
    , m_capture(capture)
    , m_path(makeDevicePath(VendorId, capture.device.productId, QStringLiteral("REPLAY")))
{
    const CaptureFile::Device &device = capture.device;
    m_device.setLenient(true);
    m_device.setSerialNumber(device.serialNumber);
    m_device.setHardwareVersion(quint16(device.hardwareVersion));
    m_device.setFirmwareVersion(quint16(device.firmwareVersion));
    m_device.setProtocolVersion(quint16(device.protocolVersion));
    m_device.setProtocolRevision(quint16(device.protocolRevision));
    m_device.setSettingsBlock(device.settings);
}

ReplayBackend::~ReplayBackend()
{
    stopReading();
}

std::unique_ptr<ReplayBackend> ReplayBackend::fromFile(const QString &path, QString *error)
{
    CaptureFile::Contents contents;
    QString message;
    if (!CaptureFile::read(path, &contents, &message)) {
        if (error)
            *error = message;
        return nullptr;
    }
    if (error)
        *error = message; // explains a truncation, empty otherwise
    return std::make_unique<ReplayBackend>(contents);
}

const CaptureFile::Contents &ReplayBackend::capture() const
{
    return m_capture;
}

QString ReplayBackend::devicePath() const
{
    return m_path;
}

ReplayBackend::Mode ReplayBackend::mode() const
{
    std::lock_guard lock(m_mutex);
    return m_mode;
}

void ReplayBackend::setMode(Mode mode)
{
    std::lock_guard lock(m_mutex);
    m_mode = mode;
}

bool ReplayBackend::drivesClock() const
{
    std::lock_guard lock(m_mutex);
    return m_drivesClock;
}

void ReplayBackend::setDrivesClock(bool drives)
{
    std::lock_guard lock(m_mutex);
    m_drivesClock = drives;
    if (drives && !m_capture.records.empty()) {
        const int shown = std::max(m_position - 1, 0);
        LibMisc::Clock::setManual(m_capture.records[size_t(shown)].timer);
    }
}

bool ReplayBackend::deliverNext()
{
    std::unique_lock lock(m_mutex);
    if (!m_pump.sinkLocked() || m_pump.runsLoopLocked() || m_position >= recordCount())
        return false;
    const int index = m_position++;
    UsbReadSink *sink = m_pump.sinkLocked();
    lock.unlock();
    deliver(sink, index);
    return true;
}

int ReplayBackend::position() const
{
    std::lock_guard lock(m_mutex);
    return m_position;
}

int ReplayBackend::recordCount() const
{
    return int(m_capture.records.size());
}

bool ReplayBackend::atEnd() const
{
    return position() >= recordCount();
}

QVector<ControlRequest> ReplayBackend::requests() const
{
    std::lock_guard lock(m_mutex);
    return m_device.requests();
}

void ReplayBackend::clearRequests()
{
    std::lock_guard lock(m_mutex);
    m_device.clearRequests();
}

QStringList ReplayBackend::devicePaths(int vendorId, int productId)
{
    if (vendorId == VendorId && productId == m_capture.device.productId)
        return {m_path};
    return {};
}

bool ReplayBackend::startMonitoring(int, int)
{
    // The one device is present from the start and never leaves.
    return true;
}

void ReplayBackend::stopMonitoring()
{ }

std::unique_ptr<UsbHandle> ReplayBackend::open(const QString &path, QString *error)
{
    if (path.toUpper() != m_path) {
        if (error)
            *error = QStringLiteral("no replayed device at %1").arg(path);
        return nullptr;
    }
    if (m_open) {
        if (error)
            *error = QStringLiteral("the replayed device is already open");
        return nullptr;
    }
    m_open = true;
    return std::make_unique<ReplayHandle>(this);
}

int ReplayBackend::controlTransfer(quint8 requestType, quint8 request, quint16 value, quint16 index,
                                   char *data, quint16 length)
{
    std::lock_guard lock(m_mutex);
    return m_device.controlTransfer(requestType, request, value, index, data, length);
}

bool ReplayBackend::startReading(UsbReadSink *sink)
{
    std::lock_guard lock(m_mutex);
    if (!m_pump.startLocked(sink))
        return false;
    if (m_mode == Paced)
        m_pump.runLocked([this] { pacedLoop(); });
    return true;
}

void ReplayBackend::stopReading()
{
    m_pump.stop();
}

bool ReplayBackend::isReading() const
{
    std::lock_guard lock(m_mutex);
    return m_pump.sinkLocked() != nullptr;
}

void ReplayBackend::release()
{
    stopReading();
    m_open = false;
}

void ReplayBackend::deliver(UsbReadSink *sink, int index)
{
    const CaptureFile::Record &record = m_capture.records[size_t(index)];
    if (drivesClock())
        LibMisc::Clock::setManual(record.timer);
    sink->readCompleted(record.timer, record.bytes);
    if (index == recordCount() - 1)
        emit captureEnded();
}

qint64 ReplayBackend::pacedGap(qint64 previous, qint64 timer)
{
    if (timer <= previous)
        return 0;
    // Unsigned, so that no pair of timers overflows the difference.
    return qint64(std::min<quint64>(quint64(timer) - quint64(previous), MaxGap));
}

void ReplayBackend::pacedLoop()
{
    using SteadyClock = std::chrono::steady_clock;
    std::unique_lock lock(m_mutex);
    UsbReadSink *sink = m_pump.sinkLocked();
    auto due = SteadyClock::now();
    bool first = true;
    qint64 previousTimer = 0;
    while (!m_pump.stoppingLocked() && m_position < recordCount()) {
        const int index = m_position;
        const qint64 timer = m_capture.records[size_t(index)].timer;
        // The first record goes out at once, each later one after its gap.
        if (!first)
            due += std::chrono::milliseconds(pacedGap(previousTimer, timer));
        first = false;
        previousTimer = timer;
        if (!m_wake.wait_until(lock, due, [this] { return m_pump.stoppingLocked(); })) {
            m_position = index + 1;
            lock.unlock();
            deliver(sink, index);
            lock.lock();
        }
    }
}

} // namespace LibHardware
