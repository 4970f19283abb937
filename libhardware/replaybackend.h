#pragma once

#include "capturefile.h"
#include "controlrequest.h"
#include "emulatedsensor.h"
#include "readpump.h"
#include "usbbackend.h"

#include <QVector>

#include <condition_variable>
#include <memory>
#include <mutex>

namespace LibHardware {

class UsbReadSink;

// A backend with one device made from a capture. An emulated sensor with
// the capture's device description (serial number, versions, settings
// block, an extra word of 0) answers the sensor's requests, accepting and
// logging every host-to-device request; the recorded reads are delivered
// with their recorded timers, already framed as stream records.
//
// Paced mode: a reader thread delivers the records keeping the recorded
// intervals between their timers. Driven mode: nothing happens by itself;
// the caller delivers one record at a time with deliverNext() in its own
// thread, for tools and tests that must be deterministic. Optionally every
// delivery first sets the process clock to the record's timer.
//
// The recorded stream plays whenever the host reads, regardless of its
// start and stop requests: the capture holds the markers it recorded. The
// position in the capture survives stopping and reopening.
class ReplayBackend : public UsbBackend
{
    Q_OBJECT

public:
    enum Mode { Paced, Driven };
    Q_ENUM(Mode)

    explicit ReplayBackend(const CaptureFile::Contents &capture, QObject *parent = nullptr);
    ~ReplayBackend() override;

    // A backend replaying a capture file; null with the reader's diagnostic
    // when the file cannot be used (a truncated capture replays its intact
    // records).
    static std::unique_ptr<ReplayBackend> fromFile(const QString &path, QString *error);

    const CaptureFile::Contents &capture() const;
    // The path of the device: the optical sensor identity with the
    // location "REPLAY".
    QString devicePath() const;

    // The mode applies from the next start of reading.
    Mode mode() const;
    void setMode(Mode mode);
    // When set, each delivery first sets the process clock (manually) to
    // the record's timer; setting it puts the clock on the last delivered
    // record's timer, or the first record's before any delivery.
    bool drivesClock() const;
    void setDrivesClock(bool drives);

    // Driven mode: delivers the next record to the reader now. False at the
    // end of the capture, in paced mode, or when nobody reads.
    bool deliverNext();
    // Paced mode: how long after a record with timer `previous` the one
    // with `timer` goes out, in ms: the recorded gap, none when the timers
    // go backwards, an hour at the most.
    static qint64 pacedGap(qint64 previous, qint64 timer);
    // Records delivered so far; the index of the next one.
    int position() const;
    int recordCount() const;
    bool atEnd() const;
    // The requests the device received, oldest first.
    QVector<ControlRequest> requests() const;
    void clearRequests();

    QStringList devicePaths(int vendorId, int productId) override;
    bool startMonitoring(int vendorId, int productId) override;
    void stopMonitoring() override;
    // One handle at a time: the device is opened without sharing.
    std::unique_ptr<UsbHandle> open(const QString &path, QString *error) override;

signals:
    // The last record was delivered (emitted from the delivering thread).
    void captureEnded();

private:
    friend class ReplayHandle;

    int controlTransfer(quint8 requestType, quint8 request, quint16 value, quint16 index,
                        char *data, quint16 length);
    bool startReading(UsbReadSink *sink);
    void stopReading();
    bool isReading() const;
    void release();

    // Hands record `index` to the sink (clock first when driving it).
    void deliver(UsbReadSink *sink, int index);
    void pacedLoop();

    const CaptureFile::Contents m_capture;
    const QString m_path;
    bool m_open = false;

    mutable std::mutex m_mutex;
    EmulatedSensor m_device;
    std::condition_variable m_wake;
    Mode m_mode = Paced;
    bool m_drivesClock = false;
    int m_position = 0;
    ReadPump m_pump {m_mutex, m_wake};
};

} // namespace LibHardware
