#pragma once

#include "controlrequest.h"

#include <QByteArray>
#include <QVector>

#include <map>
#include <vector>

namespace LibHardware {

// The control side of a stand-in optical sensor, shared by the simulated
// sensor and the replayed device: the state a real sensor keeps (identity,
// settings block, settings, numbered parameters, mode, detection kernel,
// stream on or off), the answers to every vendor request the host uses, a
// log of the requests received and failure injection. Frames come from
// elsewhere; the owner learns of stream starts and stops from the requests
// it passes on.
//
// A lenient sensor (the replayed device) accepts every host-to-device
// request without acting on it: its identity and settings stay those of
// the recording.
//
// Not thread-safe: the owner guards it.
class EmulatedSensor
{
public:
    static constexpr int SettingsSize = 26;
    static constexpr int AlwaysFail = -1;

    // One entry of the detection kernel as the host uploads it.
    struct KernelEntry
    {
        qint8 x = 0;
        qint8 y = 0;
        quint8 weight = 0;
    };

    EmulatedSensor();

    // The settings block of a fresh sensor.
    static QByteArray defaultSettingsBlock();

    // Identity. The serial number and the settings block are taken as
    // given: the owner checks sizes where it must.
    QByteArray serialNumber() const { return m_serial; }
    void setSerialNumber(const QByteArray &serial) { m_serial = serial; }
    quint16 hardwareVersion() const { return m_hardwareVersion; }
    void setHardwareVersion(quint16 version) { m_hardwareVersion = version; }
    quint16 firmwareVersion() const { return m_firmwareVersion; }
    void setFirmwareVersion(quint16 version) { m_firmwareVersion = version; }
    quint16 protocolVersion() const { return m_protocolVersion; }
    void setProtocolVersion(quint16 version) { m_protocolVersion = version; }
    quint16 protocolRevision() const { return m_protocolRevision; }
    void setProtocolRevision(quint16 revision) { m_protocolRevision = revision; }
    quint16 extraWord() const { return m_extraWord; }
    void setExtraWord(quint16 word) { m_extraWord = word; }
    QByteArray settingsBlock() const { return m_settingsBlock; }
    void setSettingsBlock(const QByteArray &block) { m_settingsBlock = block; }
    // A little-endian word or float of the settings block; 0 beyond its end.
    quint16 settingsWord(int offset) const;
    void setSettingsWord(int offset, quint16 value);
    float settingsFloat(int offset) const;
    void setSettingsFloat(int offset, float value);

    void setLenient(bool lenient) { m_lenient = lenient; }

    // State set by the host's requests (see SimulatedSensor for meanings).
    quint16 settingValue(quint8 request) const;
    int mode() const { return m_mode; }
    quint16 modeValue() const { return m_modeValue; }
    quint16 modeIndex() const { return m_modeIndex; }
    quint16 parameter(quint16 number) const;
    std::vector<KernelEntry> kernel() const { return m_kernel; }
    quint16 kernelTag() const { return m_kernelTag; }
    bool isStreaming() const { return m_streaming; }
    void setStreaming(bool streaming) { m_streaming = streaming; }
    // What a power cycle loses: the host's settings, parameters, mode,
    // kernel and the stream.
    void resetVolatileState();

    // Unconnected, every transfer fails (and is still logged).
    bool isConnected() const { return m_connected; }
    void setConnected(bool connected) { m_connected = connected; }

    // A vendor control transfer as the device sees it: the number of bytes
    // transferred (at most `length` for device-to-host requests) or -1.
    int controlTransfer(quint8 requestType, quint8 request, quint16 value, quint16 index,
                        char *data, quint16 length);
    QVector<ControlRequest> requests() const { return m_requests; }
    void clearRequests() { m_requests.clear(); }

    // Failure injection: the request fails the next `times` times, or
    // always for AlwaysFail; 0 removes the injection.
    void failRequest(quint8 request, int times);
    void clearFailures() { m_failures.clear(); }
    // The size request 0xA2 reports; -1 reports the real size.
    void setReportedSettingsSize(int size);

private:
    bool consumeFailure(quint8 request);
    bool answer(quint8 request, QByteArray *answer) const;
    bool apply(quint8 request, quint16 value, quint16 index, const char *data, quint16 length);

    QByteArray m_serial;
    quint16 m_hardwareVersion = 3;
    quint16 m_firmwareVersion = 25;
    quint16 m_protocolVersion = 16;
    quint16 m_protocolRevision = 0;
    quint16 m_extraWord = 0;
    QByteArray m_settingsBlock;
    bool m_lenient = false;
    bool m_connected = true;

    std::map<quint8, quint16> m_settings;
    std::map<quint16, quint16> m_parameters;
    int m_mode = 0;
    quint16 m_modeValue = 0;
    quint16 m_modeIndex = 0;
    std::vector<KernelEntry> m_kernel;
    quint16 m_kernelTag = 0;
    bool m_kernelUploading = false;
    std::vector<KernelEntry> m_pendingKernel;
    quint16 m_pendingKernelTag = 0;
    bool m_streaming = false;

    QVector<ControlRequest> m_requests;
    std::map<quint8, int> m_failures;
    int m_reportedSettingsSize = -1;
};

} // namespace LibHardware
