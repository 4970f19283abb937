#include "libusbhandle.h"

#include <clock.h>

#include <libusb.h>

#include <algorithm>
#include <chrono>
#include <cstring>

namespace LibHardware {

namespace {

// How long the reader waits for events in one round; completions and
// cancellations wake it earlier.
constexpr int ReaderTimeoutMs = 100;
// Failed reads in a row (without a good one in between) after which the
// endpoint is taken as broken rather than hit by a passing error.
constexpr int MaxErrorRun = 64;

QString libusbError(int code)
{
    return QString::fromUtf8(libusb_strerror(code));
}

// The error a synchronous transfer reports for a transfer status.
int errorOfStatus(int status)
{
    switch (status) {
    case LIBUSB_TRANSFER_TIMED_OUT:
        return LIBUSB_ERROR_TIMEOUT;
    case LIBUSB_TRANSFER_STALL:
        return LIBUSB_ERROR_PIPE;
    case LIBUSB_TRANSFER_NO_DEVICE:
        return LIBUSB_ERROR_NO_DEVICE;
    case LIBUSB_TRANSFER_OVERFLOW:
        return LIBUSB_ERROR_OVERFLOW;
    default:
        return LIBUSB_ERROR_IO;
    }
}

} // namespace

struct LibUsbHandle::Transfer
{
    LibUsbHandle *owner = nullptr;
    libusb_transfer *transfer = nullptr;
    std::vector<unsigned char> buffer;
    bool inFlight = false; // guarded by the owner's mutex
};

struct LibUsbHandle::ControlWait
{
    LibUsbHandle *owner = nullptr;
    bool counted = false; // in m_inFlight: the reader thread completes it
    bool done = false; // guarded by the owner's mutex
    int completed = 0; // the flag libusb_handle_events_completed() watches
};

LibUsbHandle::LibUsbHandle(libusb_context *context, libusb_device_handle *handle)
    : m_context(context)
    , m_handle(handle)
{ }

LibUsbHandle::~LibUsbHandle()
{
    stopReading();
    libusb_release_interface(m_handle, 0);
    libusb_close(m_handle);
    libusb_exit(m_context);
}

int LibUsbHandle::controlTransfer(quint8 requestType, quint8 request, quint16 value, quint16 index,
                                  char *data, quint16 length, unsigned timeout)
{
    if (std::this_thread::get_id() == m_readerId.load()) {
        // The reader thread would wait for itself.
        setError(QStringLiteral("control transfer refused on the reader thread"));
        return -1;
    }
    if (length > 0 && !data) {
        setError(libusbError(LIBUSB_ERROR_INVALID_PARAM));
        return -1;
    }
    const bool toDevice = (requestType & LIBUSB_ENDPOINT_DIR_MASK) == LIBUSB_ENDPOINT_OUT;
    std::vector<unsigned char> buffer(LIBUSB_CONTROL_SETUP_SIZE + length);
    libusb_fill_control_setup(buffer.data(), requestType, request, value, index, length);
    if (toDevice && length > 0)
        std::memcpy(buffer.data() + LIBUSB_CONTROL_SETUP_SIZE, data, length);

    libusb_transfer *transfer = libusb_alloc_transfer(0);
    if (!transfer) {
        setError(libusbError(LIBUSB_ERROR_NO_MEM));
        return -1;
    }
    ControlWait wait;
    wait.owner = this;
    libusb_fill_control_transfer(transfer, m_handle, buffer.data(), &LibUsbHandle::controlDone,
                                 &wait, timeout);

    std::unique_lock<std::mutex> lock(m_mutex);
    int result = libusb_submit_transfer(transfer);
    if (result == LIBUSB_SUCCESS) {
        wait.counted = m_readerHandlesEvents;
        if (wait.counted) {
            // The reader handles the events: it completes this transfer too
            // and keeps running until it has.
            ++m_inFlight;
            m_changed.wait(lock, [&wait] { return wait.done; });
        } else {
            lock.unlock();
            while (!wait.completed) {
                const int handled = libusb_handle_events_completed(m_context, &wait.completed);
                if (handled < 0 && handled != LIBUSB_ERROR_INTERRUPTED)
                    libusb_cancel_transfer(transfer); // and wait for it to come back
            }
            lock.lock();
        }
        if (transfer->status == LIBUSB_TRANSFER_COMPLETED) {
            result = transfer->actual_length;
            if (!toDevice && result > 0)
                std::memcpy(data, libusb_control_transfer_get_data(transfer), size_t(result));
        } else {
            result = errorOfStatus(transfer->status);
        }
    }
    if (result < 0)
        m_error = libusbError(result);
    lock.unlock();
    libusb_free_transfer(transfer);
    return result < 0 ? -1 : result;
}

void LibUsbHandle::controlDone(libusb_transfer *transfer)
{
    auto *wait = static_cast<ControlWait *>(transfer->user_data);
    LibUsbHandle *self = wait->owner;
    std::lock_guard<std::mutex> lock(self->m_mutex);
    wait->done = true;
    wait->completed = 1;
    if (wait->counted)
        --self->m_inFlight;
    self->m_changed.notify_all();
}

bool LibUsbHandle::findInEndpoint(unsigned char *address, unsigned char *type,
                                  int *maxPacketSize) const
{
    libusb_device *device = libusb_get_device(m_handle);
    libusb_config_descriptor *config = nullptr;
    if (libusb_get_active_config_descriptor(device, &config) != LIBUSB_SUCCESS
        && libusb_get_config_descriptor(device, 0, &config) != LIBUSB_SUCCESS)
        return false;
    bool found = false;
    for (int i = 0; i < config->bNumInterfaces && !found; ++i) {
        const libusb_interface &interface = config->interface[i];
        for (int a = 0; a < interface.num_altsetting && !found; ++a) {
            const libusb_interface_descriptor &setting = interface.altsetting[a];
            if (setting.bInterfaceNumber != 0 || setting.bAlternateSetting != 0)
                continue;
            for (int e = 0; e < setting.bNumEndpoints && !found; ++e) {
                const libusb_endpoint_descriptor &endpoint = setting.endpoint[e];
                const int kind = endpoint.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK;
                if ((endpoint.bEndpointAddress & LIBUSB_ENDPOINT_DIR_MASK) != LIBUSB_ENDPOINT_IN
                    || (kind != LIBUSB_TRANSFER_TYPE_BULK
                        && kind != LIBUSB_TRANSFER_TYPE_INTERRUPT))
                    continue;
                *address = endpoint.bEndpointAddress;
                *type = static_cast<unsigned char>(kind);
                *maxPacketSize = endpoint.wMaxPacketSize;
                found = true;
            }
        }
    }
    libusb_free_config_descriptor(config);
    return found;
}

bool LibUsbHandle::startReading(UsbReadSink *sink)
{
    if (!sink || m_reading || std::this_thread::get_id() == m_readerId.load())
        return false;
    stopReading(); // reaps a reader that ended on its own

    unsigned char type = 0;
    int maxPacketSize = 0;
    if (!findInEndpoint(&m_endpoint, &type, &maxPacketSize)) {
        setError(QStringLiteral("interface 0 has no bulk or interrupt IN endpoint"));
        return false;
    }
    // A read shorter than a packet the device sends would overflow.
    const int size = std::max(TransferSize, maxPacketSize);
    for (int i = 0; i < TransferCount; ++i) {
        auto slot = std::make_unique<Transfer>();
        slot->owner = this;
        slot->buffer.resize(size_t(size));
        slot->transfer = libusb_alloc_transfer(0);
        if (!slot->transfer) {
            freeTransfers();
            setError(libusbError(LIBUSB_ERROR_NO_MEM));
            return false;
        }
        if (type == LIBUSB_TRANSFER_TYPE_BULK)
            libusb_fill_bulk_transfer(slot->transfer, m_handle, m_endpoint, slot->buffer.data(),
                                      size, &LibUsbHandle::readDone, slot.get(), 0);
        else
            libusb_fill_interrupt_transfer(slot->transfer, m_handle, m_endpoint,
                                           slot->buffer.data(), size, &LibUsbHandle::readDone,
                                           slot.get(), 0);
        m_transfers.push_back(std::move(slot));
    }

    m_sink = sink;
    m_errorRun = 0;
    std::unique_lock<std::mutex> lock(m_mutex);
    m_stopping = false;
    m_ended = false;
    m_reading = true;
    m_readerHandlesEvents = true;
    // Nothing handles this context's events until the reader starts, so
    // no read completes while the ring is being submitted.
    int result = LIBUSB_SUCCESS;
    for (const auto &slot : m_transfers) {
        result = libusb_submit_transfer(slot->transfer);
        if (result != LIBUSB_SUCCESS)
            break;
        slot->inFlight = true;
        ++m_inFlight;
    }
    if (result != LIBUSB_SUCCESS)
        endReading(QStringLiteral("cannot start reading: %1").arg(libusbError(result)));
    m_reader = std::thread(&LibUsbHandle::runReader, this);
    lock.unlock();
    if (result != LIBUSB_SUCCESS) {
        stopReading(); // collects the transfers that did go out
        return false;
    }
    return true;
}

void LibUsbHandle::stopReading()
{
    const bool onReader = std::this_thread::get_id() == m_readerId.load();
    if (!onReader && !m_reader.joinable())
        return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
        m_reading = false;
        for (const auto &slot : m_transfers) {
            if (slot->inFlight)
                libusb_cancel_transfer(slot->transfer);
        }
    }
    if (onReader)
        return; // no further deliveries; the thread ends after the sink returns
    // The reader handles events until every transfer has come back.
    m_reader.join();
    m_readerId = std::thread::id();
    freeTransfers();
    m_sink = nullptr;
}

QString LibUsbHandle::errorString() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_error;
}

void LibUsbHandle::readDone(libusb_transfer *transfer)
{
    auto *slot = static_cast<Transfer *>(transfer->user_data);
    slot->owner->handleRead(slot);
}

void LibUsbHandle::handleRead(Transfer *slot)
{
    // The moment of completion, before anything else can delay it.
    const qint64 timer = LibMisc::Clock::now();
    libusb_transfer *transfer = slot->transfer;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_stopping || m_ended) {
            retire(slot);
            return;
        }
    }

    QString failure;
    switch (transfer->status) {
    case LIBUSB_TRANSFER_COMPLETED:
        m_errorRun = 0;
        if (transfer->actual_length > 0)
            m_sink->readCompleted(timer,
                                  QByteArray(reinterpret_cast<const char *>(slot->buffer.data()),
                                             transfer->actual_length));
        break;
    case LIBUSB_TRANSFER_TIMED_OUT:
        break;
    case LIBUSB_TRANSFER_STALL:
        if (const int result = libusb_clear_halt(m_handle, m_endpoint); result != LIBUSB_SUCCESS)
            failure = QStringLiteral("the endpoint stalls: %1").arg(libusbError(result));
        break;
    case LIBUSB_TRANSFER_NO_DEVICE:
        failure = libusbError(LIBUSB_ERROR_NO_DEVICE);
        break;
    case LIBUSB_TRANSFER_CANCELLED:
        // Not by stopReading(), which sets m_stopping first.
        failure = QStringLiteral("reading was cancelled");
        break;
    default: // LIBUSB_TRANSFER_ERROR, LIBUSB_TRANSFER_OVERFLOW
        if (++m_errorRun >= MaxErrorRun)
            failure = QStringLiteral("reading keeps failing: %1")
                              .arg(libusbError(errorOfStatus(transfer->status)));
        break;
    }

    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_stopping || m_ended) {
        retire(slot);
        return;
    }
    if (failure.isEmpty()) {
        const int result = libusb_submit_transfer(transfer);
        if (result == LIBUSB_SUCCESS)
            return;
        failure = libusbError(result);
    }
    retire(slot);
    endReading(failure);
}

void LibUsbHandle::retire(Transfer *slot)
{
    slot->inFlight = false;
    --m_inFlight;
    m_changed.notify_all();
}

void LibUsbHandle::endReading(const QString &reason)
{
    if (m_ended)
        return;
    m_ended = true;
    m_reading = false;
    m_error = reason;
    for (const auto &slot : m_transfers) {
        if (slot->inFlight)
            libusb_cancel_transfer(slot->transfer);
    }
}

void LibUsbHandle::runReader()
{
    m_readerId = std::this_thread::get_id();
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_inFlight == 0 && (m_stopping || m_ended)) {
                m_readerHandlesEvents = false;
                break;
            }
        }
        timeval timeout {0, ReaderTimeoutMs * 1000};
        const int result = libusb_handle_events_timeout_completed(m_context, &timeout, nullptr);
        if (result < 0 && result != LIBUSB_ERROR_INTERRUPTED) {
            // Not seen in practice; keeps a persistent failure from spinning.
            std::this_thread::sleep_for(std::chrono::milliseconds(ReaderTimeoutMs));
        }
    }
}

void LibUsbHandle::freeTransfers()
{
    for (const auto &slot : m_transfers)
        libusb_free_transfer(slot->transfer);
    m_transfers.clear();
}

void LibUsbHandle::setError(const QString &text)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_error = text;
}

} // namespace LibHardware
