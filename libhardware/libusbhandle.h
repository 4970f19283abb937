#pragma once

#include "usbhandle.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

struct libusb_context;
struct libusb_device_handle;
struct libusb_transfer;

namespace LibHardware {

// An opened device of the libusb backend: interface 0 claimed, on a libusb
// context of its own.
//
// Reading keeps a ring of bulk (or interrupt) IN transfers submitted and
// handles the context's events on a reader thread, which passes each read
// to the sink the moment it completes. While that thread runs, a control
// transfer waits for the reader thread to complete it, so that no other
// thread ever handles the context's events and calls the sink.
class LibUsbHandle : public UsbHandle
{
public:
    static constexpr int TransferCount = 16;
    static constexpr int TransferSize = 512;

    // Takes ownership of the context and of the opened handle.
    LibUsbHandle(libusb_context *context, libusb_device_handle *handle);
    // Stops reading, releases interface 0 and closes the device.
    ~LibUsbHandle() override;

    LibUsbHandle(const LibUsbHandle &) = delete;
    LibUsbHandle &operator=(const LibUsbHandle &) = delete;

    // Must not be called from the sink.
    int controlTransfer(quint8 requestType, quint8 request, quint16 value, quint16 index,
                        char *data, quint16 length, unsigned timeout = ControlTimeout) override;

    bool startReading(UsbReadSink *sink) override;
    // Also ends a reader that stopped on its own (the device went away).
    // Called from the sink it stops the deliveries but cannot wait for the
    // reader thread, which ends after the sink returns.
    void stopReading() override;
    bool isReading() const override { return m_reading; }

    QString errorString() const override;

private:
    struct Transfer;
    struct ControlWait;

    static void readDone(libusb_transfer *transfer);
    static void controlDone(libusb_transfer *transfer);

    bool findInEndpoint(unsigned char *address, unsigned char *type, int *maxPacketSize) const;
    void handleRead(Transfer *slot);
    // With m_mutex held: the transfer is back and will not be resubmitted.
    void retire(Transfer *slot);
    // With m_mutex held: reading cannot go on; the other transfers are
    // cancelled, and the reader thread ends once they are back.
    void endReading(const QString &reason);
    void runReader();
    void freeTransfers();
    void setError(const QString &text);

    libusb_context *m_context;
    libusb_device_handle *m_handle;
    unsigned char m_endpoint = 0;
    UsbReadSink *m_sink = nullptr;

    std::vector<std::unique_ptr<Transfer>> m_transfers;
    std::thread m_reader;
    std::atomic<std::thread::id> m_readerId {};
    std::atomic<bool> m_reading {false};

    // Guards everything below; m_changed announces a transfer coming back.
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_inFlight = 0; // submitted transfers (reads and controls) not yet back
    bool m_stopping = false;
    bool m_ended = false;
    bool m_readerHandlesEvents = false;
    QString m_error;

    int m_errorRun = 0; // failed reads in a row; used by the reader thread only
};

} // namespace LibHardware
