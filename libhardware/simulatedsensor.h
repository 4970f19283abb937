#pragma once

#include "controlrequest.h"
#include "emulatedsensor.h"
#include "readpump.h"
#include "simulatedscene.h"

#include <QByteArray>
#include <QObject>
#include <QVector>

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <vector>

namespace LibHardware {

class UsbReadSink;

// A stand-in for the optical sensor, for demonstrations and tests. An
// emulated sensor answers the host's requests (and logs them); while the
// stream is on, one 54-byte sample header per camera frame goes out at
// 100 Hz. The frames show a seeded, reproducible shooter of a chosen skill
// (see SimulatedShooter): the aim holds and drifts around the default centre,
// the weapon is canted a little, the microphone hears background noise and,
// at an interval or on demand, a shot.
//
// Frames are produced either by the sensor's own reader thread in real time
// (each read time-stamped with the process clock at delivery) or, in driven
// pacing, by the caller through generateFrames(), time-stamped from a given
// start in steps of 10 ms. Reads carry the bare payload (a header or a
// start/stop marker); the host frames them into stream records itself.
//
// Failure injection: requests that fail once, n times or always; chosen
// versions; an oversized settings block; an unplug while streaming.
//
// All members are thread-safe. The sink is called without any lock held;
// it must not call stopReading().
class SimulatedSensor : public QObject
{
    Q_OBJECT

public:
    static constexpr int VendorId = 0x1224;
    static constexpr int ProductId = 0x1F01;
    static constexpr int SettingsSize = EmulatedSensor::SettingsSize;
    static constexpr int FramePeriod = 10; // ms between frames
    static constexpr int AlwaysFail = EmulatedSensor::AlwaysFail;

    enum class Pacing {
        RealTime, // the sensor's reader thread delivers frames at 100 Hz of real time
        Driven, // the caller produces frames with generateFrames()
    };

    using KernelEntry = EmulatedSensor::KernelEntry;
    // Everything a frame depends on (see SimulatedScene).
    using Scene = SimulatedScene;

    explicit SimulatedSensor(quint32 seed = 1, QObject *parent = nullptr);
    ~SimulatedSensor() override;

    // The sample header of frame `index` (0-based) of a scene: 54 bytes.
    static QByteArray renderFrame(const Scene &scene, qint64 index);
    // The payloads the sensor sends when the stream starts and stops.
    static QByteArray startMarker();
    static QByteArray stopMarker();
    // The settings block of a fresh sensor.
    static QByteArray defaultSettingsBlock();

    // Identity.
    QByteArray serialNumber() const;
    // Takes exactly 8 bytes; false (and no change) otherwise.
    bool setSerialNumber(const QByteArray &serial);
    quint16 hardwareVersion() const;
    void setHardwareVersion(quint16 version);
    quint16 firmwareVersion() const;
    void setFirmwareVersion(quint16 version);
    quint16 protocolVersion() const;
    void setProtocolVersion(quint16 version);
    quint16 protocolRevision() const;
    void setProtocolRevision(quint16 revision);
    quint16 extraWord() const;
    void setExtraWord(quint16 word);

    // The 26-byte settings block and its known fields.
    QByteArray settingsBlock() const;
    // Takes exactly 26 bytes; false (and no change) otherwise.
    bool setSettingsBlock(const QByteArray &block);
    quint16 defaultCentreX() const;
    quint16 defaultCentreY() const;
    void setDefaultCentre(quint16 x, quint16 y);
    float focalLength() const;
    void setFocalLength(float millimetres);
    quint16 hardwareTypeCode() const;
    void setHardwareTypeCode(quint16 code);

    // State set by the host's requests.
    // The last value of a setting request (0x82 shutter, 0x84, 0x8B, 0x92,
    // 0x95, 0x9D, 0x9E, 0x9F), its default before any; 0 for other codes.
    quint16 settingValue(quint8 request) const;
    quint16 shutter() const { return settingValue(0x82); }
    // 0 before any mode request, 1 after 0xB9, 2 after 0xB8.
    int mode() const;
    // Value and index of the last mode request.
    quint16 modeValue() const;
    quint16 modeIndex() const;
    // A numbered parameter (request 0xBA), its default before any.
    quint16 parameter(quint16 number) const;
    // The last committed kernel and its tag.
    std::vector<KernelEntry> kernel() const;
    quint16 kernelTag() const;
    bool isStreaming() const;

    // A vendor control transfer as the device sees it: returns the number of
    // bytes transferred (at most `length` for device-to-host requests) or -1.
    int controlTransfer(quint8 requestType, quint8 request, quint16 value, quint16 index,
                        char *data, quint16 length);
    // Every request received so far, failed ones included, oldest first.
    QVector<ControlRequest> requests() const;
    void clearRequests();

    // Failure injection.
    // The request fails the next `times` times, or always for AlwaysFail;
    // 0 removes the injection.
    void failRequest(quint8 request, int times = 1);
    void clearFailures();
    // The size request 0xA2 reports; -1 reports the real size (26).
    void setReportedSettingsSize(int size);
    // After `frames` more frames the sensor unplugs itself: its transfers
    // fail, its reader ends and connectedChanged(false) is emitted (from the
    // thread producing frames). -1 cancels.
    void unplugAfterFrames(int frames);

    // Connection: an unplugged sensor fails every transfer and produces no
    // frames. Plugging it in again resets the state a power cycle loses.
    bool isConnected() const;
    // Unplugging ends the reader (unless called from within the sink) and
    // releases the host's claim.
    void setConnected(bool connected);
    // Changes with every plug-in: a handle remembers it when opening and
    // stays dead once the sensor was unplugged, even when plugged in again.
    quint64 connectionNumber() const;

    // Claimed by a host that opened the device; one host at a time.
    bool open();
    // Stops reading and releases the device.
    void close();
    bool isOpen() const;

    // Frame delivery. The pacing applies from the next startReading().
    Pacing pacing() const;
    void setPacing(Pacing pacing);
    // Starts delivering reads to the sink; false when unplugged or already
    // reading.
    bool startReading(UsbReadSink *sink);
    // Returns once the reader has ended; the sink is not called afterwards.
    void stopReading();
    // True while reads are delivered: between startReading() and
    // stopReading(), unless the sensor was unplugged in between.
    bool isReading() const;
    // Driven pacing: delivers pending start/stop markers and up to `count`
    // frames to the sink in the caller's thread, time-stamped startTimer,
    // startTimer + 10, ... (a marker takes the time stamp of the frame slot
    // it precedes). Returns the number of frames produced: fewer when the
    // stream is off or stops, none in real-time pacing or when not reading.
    int generateFrames(int count, qint64 startTimer);
    // Frames produced since construction.
    qint64 frameIndex() const;

    // The simulated shooter.
    // A shot every `msecs` (at least 1000), the first one `msecs` from now;
    // 0 stops the scheduled shots.
    void setShotInterval(int msecs);
    int shotInterval() const;
    // A shot with the next frame; refused (false) within 1 s of another shot.
    bool fireShot();
    Scene scene() const;
    // The shooter's skill; the default is SimulatedShooter::DefaultSkill.
    SimulatedShooter::Skill skill() const;
    void setSkill(SimulatedShooter::Skill skill);

    // Failure and scenario injection: a function that may rewrite each
    // frame's 54 header bytes (frame index, header) before it is sent. Called
    // on the thread that produces frames; null removes it.
    using FrameEditor = std::function<void(qint64 index, QByteArray &header)>;
    void setFrameEditor(const FrameEditor &editor);

signals:
    void connectedChanged(bool connected);

private:
    enum class FrameResult { Frame, Unplugged };

    void resetVolatileStateLocked();
    void updateSceneLocked();
    void queueMarkerLocked(const QByteArray &marker);
    FrameResult nextFrameLocked(QByteArray *frame);
    void readerLoop();
    // Ends the stream and the claims when the sensor is unplugged.
    void unplugLocked();

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;

    EmulatedSensor m_device;
    int m_unplugCountdown = -1;
    quint64 m_connection = 1;
    bool m_open = false;

    // Reading.
    Pacing m_pacing = Pacing::RealTime;
    ReadPump m_pump {m_mutex, m_wake};
    bool m_readerActive = false;
    std::deque<QByteArray> m_pendingMarkers;

    // Shooter.
    Scene m_scene;
    qint64 m_frame = 0;
    int m_shotInterval = 0;
    FrameEditor m_frameEditor;
};

} // namespace LibHardware
