#include "replaybackend.h"
#include "replayhandle.h"
#include "usbhandle.h"

#include <clock.h>

#include <QtEndian>

#include <algorithm>
#include <chrono>
#include <cstring>

namespace LibHardware {

namespace {

constexpr int VendorId = 0x1224;
// A longer gap between two recorded timers is replayed as this long: the
// wait stays interruptible and the steady clock's arithmetic safe.
constexpr qint64 MaxGap = 60LL * 60 * 1000;

QByteArray littleEndianWords(quint16 low, quint16 high)
{
    QByteArray bytes(4, '\0');
    qToLittleEndian<quint16>(low, bytes.data());
    qToLittleEndian<quint16>(high, bytes.data() + 2);
    return bytes;
}

QByteArray littleEndianWord(quint16 value)
{
    QByteArray bytes(2, '\0');
    qToLittleEndian<quint16>(value, bytes.data());
    return bytes;
}

} // namespace

ReplayBackend::ReplayBackend(const CaptureFile::Contents &capture, QObject *parent)
    : UsbBackend(parent)
    , m_capture(capture)
    , m_path(makeDevicePath(VendorId, capture.device.productId, QStringLiteral("REPLAY")))
{ }

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
    if (!m_sink || m_reader.joinable() || m_position >= recordCount())
        return false;
    const int index = m_position++;
    UsbReadSink *sink = m_sink;
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
    return m_requests;
}

void ReplayBackend::clearRequests()
{
    std::lock_guard lock(m_mutex);
    m_requests.clear();
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
    ControlRequest logged;
    logged.requestType = requestType;
    logged.request = request;
    logged.value = value;
    logged.index = index;
    logged.length = length;
    if (requestType == UsbHandle::VendorOut && data && length > 0)
        logged.data = QByteArray(data, length);
    {
        std::lock_guard lock(m_mutex);
        m_requests.append(logged);
    }

    if (requestType == UsbHandle::VendorOut)
        return length;
    if (requestType != UsbHandle::VendorIn)
        return -1;
    QByteArray bytes;
    if (!answer(request, &bytes))
        return -1;
    const int size = std::min<int>(bytes.size(), length);
    if (size > 0) {
        if (!data)
            return -1;
        std::memcpy(data, bytes.constData(), size_t(size));
    }
    return size;
}

bool ReplayBackend::answer(quint8 request, QByteArray *answer) const
{
    const CaptureFile::Device &device = m_capture.device;
    switch (request) {
    case 0x40: // serial number
        *answer = device.serialNumber;
        return true;
    case 0x44: // firmware and hardware versions
        *answer = littleEndianWords(quint16(device.firmwareVersion),
                                    quint16(device.hardwareVersion));
        return true;
    case 0x45: // protocol version and revision
        *answer = littleEndianWords(quint16(device.protocolVersion),
                                    quint16(device.protocolRevision));
        return true;
    case 0xA5: // protocol version, older firmware
        *answer = littleEndianWord(quint16(device.protocolVersion));
        return true;
    case 0xA2: // settings block size
        *answer = littleEndianWord(quint16(device.settings.size()));
        return true;
    case 0xA3: // settings block
        *answer = device.settings;
        return true;
    case 0xD0: // extra word, not recorded
        *answer = littleEndianWord(0);
        return true;
    default:
        return false;
    }
}

bool ReplayBackend::startReading(UsbReadSink *sink)
{
    if (!sink)
        return false;
    std::lock_guard lock(m_mutex);
    if (m_sink || m_reader.joinable())
        return false;
    m_sink = sink;
    m_stop = false;
    if (m_mode == Paced)
        m_reader = std::thread([this] { pacedLoop(); });
    return true;
}

void ReplayBackend::stopReading()
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_sink)
            return;
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_reader.joinable()) {
        // Called from within the sink: the loop ends once the sink returns.
        if (m_reader.get_id() == std::this_thread::get_id())
            return;
        m_reader.join();
    }
    std::lock_guard lock(m_mutex);
    m_sink = nullptr;
    m_stop = false;
}

bool ReplayBackend::isReading() const
{
    std::lock_guard lock(m_mutex);
    return m_sink != nullptr;
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

void ReplayBackend::pacedLoop()
{
    using SteadyClock = std::chrono::steady_clock;
    std::unique_lock lock(m_mutex);
    UsbReadSink *sink = m_sink;
    auto due = SteadyClock::now();
    bool first = true;
    qint64 previousTimer = 0;
    while (!m_stop && m_position < recordCount()) {
        const int index = m_position;
        const qint64 timer = m_capture.records[size_t(index)].timer;
        // The first record goes out at once, each later one after the
        // recorded gap (none when the timers go backwards).
        if (!first && timer > previousTimer) {
            // Unsigned, so that no pair of timers overflows the difference.
            const quint64 gap = quint64(timer) - quint64(previousTimer);
            due += std::chrono::milliseconds(qint64(std::min<quint64>(gap, MaxGap)));
        }
        first = false;
        previousTimer = timer;
        if (!m_wake.wait_until(lock, due, [this] { return m_stop; })) {
            m_position = index + 1;
            lock.unlock();
            deliver(sink, index);
            lock.lock();
        }
    }
}

} // namespace LibHardware
