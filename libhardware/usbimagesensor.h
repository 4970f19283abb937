#pragma once

#include "usbdevice.h"

#include <QByteArray>
#include <QHash>
#include <QVector>

#include <array>
#include <cmath>
#include <limits>

namespace LibHardware {

// The optical sensor: identifies and configures itself on open, cuts its
// stream into records, decodes each 54-byte sample header (and the optional
// image) into an Event, and tells the sensor the geometry of the pattern it
// must find (the detection kernel).
class UsbImageSensor : public UsbDevice
{
    Q_OBJECT
    Q_PROPERTY(int shutter READ shutter NOTIFY dataChanged)
    Q_PROPERTY(int microphone READ microphone NOTIFY dataChanged)

public:
    static constexpr int HeaderSize = 54;
    static constexpr int MaxSettingsSize = 26;
    static constexpr int MinDriverVersion = 527;
    static constexpr int KernelChunkEntries = 21;
    static constexpr quint16 DefaultSizeParameter = 240;

    enum Request : quint8 {
        SerialNumber = 0x40,
        Versions = 0x44,
        ProtocolVersions = 0x45,
        ProtocolVersionOld = 0xA5,
        SettingsSize = 0xA2,
        ReadSettings = 0xA3,
        WriteSettings = 0xA4,
        ExtraWord = 0xD0,
        StartStream = 0x80,
        StopStream = 0x81,
        Shutter = 0x82,
        Setting84 = 0x84,
        EchoSetting = 0x8B,
        Setting92 = 0x92,
        Setting95 = 0x95,
        Setting9D = 0x9D,
        Setting9E = 0x9E,
        Setting9F = 0x9F,
        KernelBegin = 0xB1,
        KernelData = 0xB2,
        KernelCommit = 0xB3,
        ModeTwo = 0xB8,
        ModeOne = 0xB9,
        Parameter = 0xBA,
    };

    enum Error {
        NoError = 0,
        InvalidDeviceType = 1,
        InvalidDriverVersion = 2,
        UnexpectedRequest = 3,
        InvalidParameter = 4,
        RequestFailed = 5,
        ProtocolError = 6,
        UnsupportedHardwareVersion = 7,
        FirmwareUpgradeRequired = 8,
        SoftwareUpgradeRequired = 9,
        SoftwareUpgradeRecommended = 10,
    };

    // One decoded sample.
    struct Event
    {
        bool found = false;
        bool valid = false;
        quint32 word26 = 0;
        double cant = 0.0; // radians, rotation about the line of sight
        double tilt = 0.0; // radians, inclination
        double x = 0.0; // aiming point as the sensor computed it
        double y = 0.0;
        quint32 microphone = 0;
        quint8 source = 0;
        std::array<quint8, HeaderSize> header {};
    };

    // One infra-red marker of a target frame, in target millimetres.
    struct Marker
    {
        quint8 weight = 0;
        bool truncate = false;
        double x = 0.0;
        double y = 0.0;
        qint8 biasX = 0;
        qint8 biasY = 0;
    };

    // One kernel entry as the sensor takes it: pixel offsets and a weight.
    struct KernelEntry
    {
        qint8 x = 0;
        qint8 y = 0;
        quint8 weight = 0;
    };
    using Kernel = QVector<KernelEntry>;

    explicit UsbImageSensor(QObject *parent = nullptr, UsbBackend *backend = nullptr);
    ~UsbImageSensor() override;

    bool open(const LibHardware::UsbDeviceInfo &info) override;
    void close() override;
    bool startPolling() override;
    void stopPolling() override;

    int errorCode() const { return m_error; }
    QString errorText() const { return errorText(m_error); }
    static QString errorText(int code);

    quint16 hardwareVersion() const { return m_hardwareVersion; }
    quint16 firmwareVersion() const { return m_firmwareVersion; }
    quint16 protocolVersion() const { return m_protocolVersion; }
    quint16 protocolRevision() const { return m_protocolRevision; }
    quint16 driverVersion() const { return m_driverVersion; }
    quint16 extraWord() const { return m_extraWord; }
    QByteArray serialNumber() const { return m_serialNumber; }
    QByteArray settingsBlock() const { return m_settings; }
    QString modelName() const { return m_modelName; }
    static QString modelName(int hardwareTypeCode, int hardwareVersion);

    // 0 when not open or no mode selected, else 1 or 2.
    int sensorMode() const { return isOpen() ? m_mode : 0; }
    // The mode-1 words of the settings block (the sensor's default centre).
    quint16 settingsWord4() const;
    quint16 settingsWord6() const;
    double focalLength() const { return m_focalLength; }

    int shutter() const { return m_shutter; }
    int microphone() const { return m_microphone; }
    quint16 echoValue() const { return m_echo; }

    // Host-to-device settings (0x82, 0x84, 0x8B, 0x92, 0x95, 0x9D, 0x9E,
    // 0x9F): send the value and keep it on success.
    bool sendSetting(quint8 request, quint16 value);
    quint16 settingValue(quint8 request) const { return m_settingValues.value(request); }
    bool setShutter(quint16 value) { return sendSetting(Shutter, value); }
    bool setParameter(quint16 number, quint16 value);
    quint16 parameterValue(quint16 number) const { return m_parameters.value(number); }
    // The microphone pair: parameter 15 (mode) and, in mode 2, 16 (threshold).
    bool setMicrophoneParameters(quint16 mode, quint16 threshold);
    bool writeSettingsBlock(const QByteArray &settings);
    bool selectModeOne();
    bool selectModeTwo(quint16 value, quint16 index);

    // Optical configuration; each stores its value and reconfigures the kernel.
    bool setTargetDistance(double metres);
    bool setAimMarkDiameter(double millimetres);
    bool setSizeParameter(double metres);
    bool setMarkers(quint16 tag, const QVector<Marker> &markers);
    bool configureKernel();

    double millimetresPerPixel() const { return m_millimetresPerPixel; }
    int binning() const { return m_binning; }
    quint16 kernelWidth() const { return m_kernelWidth; }
    quint16 sizeParameterSent() const { return m_sizeParameterSent; }

    // Kernel computation, exposed for the tests.
    static Kernel markerKernel(const QVector<Marker> &markers, double millimetresPerPixel,
                               int binning);
    static Kernel generatedKernel(double diameter, double millimetresPerPixel, int binning);
    static int kernelSize(const Kernel &kernel);
    // Cant and tilt from the inclination axes.
    static double cantFromAxes(int a, int b);
    static double tiltFromAxis(int c);

public slots:
    void onData(qlonglong timer, const LibMisc::ByteVector &bytes);

signals:
    void sample(qlonglong timer, const LibHardware::UsbImageSensor::Event &sample);
    void dataChanged();

private:
    bool request(quint8 code, quint16 value, quint16 index = 0);
    bool requestData(quint8 code, const QByteArray &data, quint16 value, quint16 index = 0);
    bool fail(int code);
    void resetDecoder();
    void resetConfiguration();
    void decodePayload(qlonglong timer, const char *payload, int length);
    void completeSample();
    bool uploadKernel(const Kernel &kernel, quint16 tag);

    int m_error = NoError;
    quint16 m_hardwareVersion = 0;
    quint16 m_firmwareVersion = 0;
    quint16 m_protocolVersion = 0;
    quint16 m_protocolRevision = 0;
    quint16 m_driverVersion = 0;
    quint16 m_extraWord = 0;
    QByteArray m_serialNumber;
    QByteArray m_settings;
    QString m_modelName;
    int m_mode = 0;
    QHash<quint8, quint16> m_settingValues;
    QHash<quint16, quint16> m_parameters;

    // Decoder
    std::array<quint8, HeaderSize> m_header {};
    qlonglong m_headerTimer = 0;
    bool m_collecting = false;
    quint8 m_expectedChunk = 1;
    QByteArray m_pixels;
    quint16 m_shutter = 0;
    quint16 m_microphone = 0;
    quint16 m_echo = 0;

    // Optical configuration
    double m_distance = std::numeric_limits<double>::quiet_NaN();
    double m_focalLength = std::numeric_limits<double>::quiet_NaN();
    double m_aimMarkDiameter = std::numeric_limits<double>::quiet_NaN();
    double m_sizeParameter = std::numeric_limits<double>::quiet_NaN();
    QVector<Marker> m_markers;
    quint16 m_markerTag = 0;
    double m_millimetresPerPixel = std::numeric_limits<double>::quiet_NaN();
    int m_binning = 1;
    quint16 m_kernelWidth = 0;
    quint16 m_sizeParameterSent = 0;
};

} // namespace LibHardware

Q_DECLARE_METATYPE(LibHardware::UsbImageSensor::Event)
