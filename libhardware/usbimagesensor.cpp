#include "usbimagesensor.h"

#include <QtEndian>

#include <cstring>

namespace LibHardware {

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr quint8 RecordMarker = 0x88;
constexpr int RecordHeaderSize = 5;
constexpr double PixelPitch = 0.006; // millimetres per sensor pixel
// The scales a sensor can be configured for, in millimetres on the target per
// pixel: far beyond any lens and distance of a range, and inside what the
// kernel arithmetic (single precision, pixel offsets) can represent.
constexpr double MinMillimetresPerPixel = 1e-3;
constexpr double MaxMillimetresPerPixel = 1e4;
constexpr double MaxAimMarkDiameter = 1e5; // millimetres

quint16 headerWord(const std::array<quint8, UsbImageSensor::HeaderSize> &header, int offset)
{
    return quint16(header[offset] | (header[offset + 1] << 8));
}

float headerFloat(const std::array<quint8, UsbImageSensor::HeaderSize> &header, int offset)
{
    const quint32 bits = qFromLittleEndian<quint32>(header.data() + offset);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// A pixel offset as the sensor takes it: a signed byte, wrapping around.
qint8 toSignedByte(double value)
{
    if (!std::isfinite(value))
        return 0;
    // Bounded before the conversion: a double beyond the integer's range has no defined one.
    const auto whole = static_cast<long long>(qBound(-32768.0, value, 32767.0));
    return qint8(quint8(whole & 0xFF));
}

} // namespace

UsbImageSensor::UsbImageSensor(QObject *parent, UsbBackend *backend)
    : UsbDevice(parent, backend)
{
    connect(this, &UsbDevice::data, this, &UsbImageSensor::onData);
}

UsbImageSensor::~UsbImageSensor()
{
    close();
}

QString UsbImageSensor::errorText(int code)
{
    switch (code) {
    case InvalidDeviceType:
        return QStringLiteral("Invalid device type");
    case InvalidDriverVersion:
        return QStringLiteral("Invalid driver version");
    case UnexpectedRequest:
        return QStringLiteral("Unexpected request");
    case InvalidParameter:
        return QStringLiteral("Invalid parameter");
    case RequestFailed:
        return QStringLiteral("Request failed");
    case ProtocolError:
        return QStringLiteral("Protocol error");
    case UnsupportedHardwareVersion:
        return QStringLiteral("Unsupported hardware version");
    case FirmwareUpgradeRequired:
        return QStringLiteral("Firmware upgrade required");
    case SoftwareUpgradeRequired:
        return QStringLiteral("Software upgrade required");
    case SoftwareUpgradeRecommended:
        return QStringLiteral("Software upgrade recommended");
    default:
        return QString();
    }
}

QString UsbImageSensor::modelName(int hardwareTypeCode, int hardwareVersion)
{
    static const char *const families[]
            = {"OS-Rifle", "OS-Pistol", "OS-Compact", "OS-Long", "OS-Match"};
    static const char *const revisions[] = {"rev. A", "rev. B", "rev. C", "rev. D", "rev. E"};
    const QString family = hardwareTypeCode >= 0 && hardwareTypeCode < 5
            ? QLatin1String(families[hardwareTypeCode])
            : QStringLiteral("Optical sensor type %1").arg(hardwareTypeCode);
    const QString revision = hardwareVersion >= 1 && hardwareVersion <= 5
            ? QLatin1String(revisions[hardwareVersion - 1])
            : QStringLiteral("HW%1").arg(hardwareVersion);
    return family + QLatin1Char(' ') + revision;
}

quint16 UsbImageSensor::settingsWord4() const
{
    return isOpen() && m_settings.size() >= 6
            ? qFromLittleEndian<quint16>(m_settings.constData() + 4)
            : 0;
}

quint16 UsbImageSensor::settingsWord6() const
{
    return isOpen() && m_settings.size() >= 8
            ? qFromLittleEndian<quint16>(m_settings.constData() + 6)
            : 0;
}

bool UsbImageSensor::fail(int code)
{
    m_error = code;
    return false;
}

bool UsbImageSensor::request(quint8 code, quint16 value, quint16 index)
{
    m_error = NoError;
    if (!isOpen())
        return false;
    return vendorOut(code, value, index) || fail(RequestFailed);
}

bool UsbImageSensor::requestData(quint8 code, const QByteArray &data, quint16 value, quint16 index)
{
    m_error = NoError;
    if (!isOpen())
        return false;
    return vendorOut(code, data, value, index) || fail(RequestFailed);
}

bool UsbImageSensor::sendSetting(quint8 code, quint16 value)
{
    if (code == Setting9D && value >= 8) {
        m_error = NoError;
        return isOpen() && fail(InvalidParameter);
    }
    if (!request(code, value))
        return false;
    m_settingValues.insert(code, value);
    if (code == Shutter)
        m_shutter = value;
    return true;
}

bool UsbImageSensor::setParameter(quint16 number, quint16 value)
{
    if (!request(Parameter, value, number))
        return false;
    m_parameters.insert(number, value);
    return true;
}

bool UsbImageSensor::setMicrophoneParameters(quint16 mode, quint16 threshold)
{
    m_error = NoError;
    if (!isOpen())
        return false;
    if (m_hardwareVersion == 1)
        return true; // this hardware has no configurable microphone
    if (m_firmwareVersion < 15)
        return false;
    if (!setParameter(15, mode))
        return false;
    return mode != 2 || setParameter(16, threshold);
}

bool UsbImageSensor::writeSettingsBlock(const QByteArray &settings)
{
    if (settings.size() != MaxSettingsSize) {
        m_error = NoError;
        return isOpen() && fail(InvalidParameter);
    }
    if (!requestData(WriteSettings, settings, 0))
        return false;
    m_settings = settings;
    return true;
}

bool UsbImageSensor::selectModeOne()
{
    if (!request(ModeOne, settingsWord4(), settingsWord6()))
        return false;
    m_mode = 1;
    configureKernel();
    return true;
}

bool UsbImageSensor::selectModeTwo(quint16 value, quint16 index)
{
    if (!request(ModeTwo, value, index))
        return false;
    m_mode = 2;
    configureKernel();
    return true;
}

void UsbImageSensor::resetDecoder()
{
    m_header.fill(0);
    m_headerTimer = 0;
    m_collecting = false;
    m_expectedChunk = 1;
    m_pixels.clear();
    m_shutter = 0;
    m_microphone = 0;
    m_echo = 0;
}

void UsbImageSensor::resetConfiguration()
{
    constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
    m_error = NoError;
    m_hardwareVersion = m_firmwareVersion = m_protocolVersion = m_protocolRevision = 0;
    m_driverVersion = m_extraWord = 0;
    m_serialNumber.clear();
    m_settings.clear();
    m_modelName.clear();
    m_mode = 0;
    m_settingValues.clear();
    m_parameters.clear();
    m_distance = NaN;
    m_focalLength = NaN;
    m_aimMarkDiameter = NaN;
    m_sizeParameter = NaN;
    m_markers.clear();
    m_markerTag = 0;
    m_millimetresPerPixel = NaN;
    m_binning = 1;
    m_kernelWidth = 0;
    m_sizeParameterSent = 0;
}

bool UsbImageSensor::open(const UsbDeviceInfo &info)
{
    if (!UsbDevice::open(info))
        return false;
    resetDecoder();
    resetConfiguration();

    const auto closeWith = [this](int code) {
        UsbDevice::close();
        resetDecoder();
        m_error = code;
        return false;
    };

    if (info.vendorId != 0x1224 || info.productId != 0x1F01)
        return closeWith(InvalidDeviceType);
    m_driverVersion = 0xFFFF; // requests go straight to the device
    if (m_driverVersion < MinDriverVersion)
        return closeWith(InvalidDriverVersion);

    if (!request(StopStream, 0))
        return closeWith(RequestFailed);
    char versions[4];
    if (!vendorIn(Versions, versions, 4, 0, 0))
        return closeWith(RequestFailed);
    m_firmwareVersion = qFromLittleEndian<quint16>(versions);
    m_hardwareVersion = qFromLittleEndian<quint16>(versions + 2);
    char serial[8];
    if (!vendorIn(SerialNumber, serial, 8, 0, 0))
        return closeWith(RequestFailed);
    m_serialNumber = QByteArray(serial, 8);
    if (m_hardwareVersion == 0)
        return closeWith(UnsupportedHardwareVersion);

    if (m_firmwareVersion > 20) {
        char protocol[4];
        if (!vendorIn(ProtocolVersions, protocol, 4, 0, 0))
            return closeWith(RequestFailed);
        m_protocolVersion = qFromLittleEndian<quint16>(protocol);
        m_protocolRevision = qFromLittleEndian<quint16>(protocol + 2);
    } else if (m_firmwareVersion >= 15) {
        char protocol[2];
        m_protocolVersion = vendorIn(ProtocolVersionOld, protocol, 2, 0, 0)
                ? qFromLittleEndian<quint16>(protocol)
                : 0;
    }

    char size[2];
    if (!vendorIn(SettingsSize, size, 2, 0, 0))
        return closeWith(RequestFailed);
    const quint16 settingsSize = qFromLittleEndian<quint16>(size);
    if (settingsSize > MaxSettingsSize)
        return closeWith(ProtocolError);
    QByteArray settings(settingsSize, '\0');
    if (settingsSize > 0 && !vendorIn(ReadSettings, settings.data(), settingsSize, 0, 0))
        return closeWith(RequestFailed);
    m_settings = settings;

    const int typeCode = m_settings.size() >= 26
            ? qFromLittleEndian<quint16>(m_settings.constData() + 24)
            : -1;
    m_modelName = modelName(typeCode, m_hardwareVersion);

    if (m_firmwareVersion <= 13)
        return closeWith(FirmwareUpgradeRequired);
    if (m_protocolVersion > 17)
        return closeWith(SoftwareUpgradeRequired);
    const bool recommendUpgrade = m_protocolVersion == 17 && m_protocolRevision > 1;

    if (m_firmwareVersion > 18) {
        char extra[2];
        if (!vendorIn(ExtraWord, extra, 2, 0, 0))
            return closeWith(RequestFailed);
        m_extraWord = qFromLittleEndian<quint16>(extra);
    }

    if (m_settings.size() >= 16) {
        float focal;
        const quint32 bits = qFromLittleEndian<quint32>(m_settings.constData() + 12);
        std::memcpy(&focal, &bits, sizeof focal);
        m_focalLength = focal;
    }

    if (!selectModeOne())
        return closeWith(RequestFailed);

    const bool defaults = sendSetting(Setting9D, 0) && sendSetting(Setting95, 9999)
            && sendSetting(Setting84, 0) && sendSetting(Shutter, 30) && sendSetting(EchoSetting, 64)
            && sendSetting(Setting92, 1) && sendSetting(Setting9E, 0) && sendSetting(Setting9F, 0)
            && setParameter(4, 0) && setParameter(1, 200) && setParameter(2, 255);
    if (!defaults)
        return closeWith(RequestFailed);
    m_error = recommendUpgrade ? SoftwareUpgradeRecommended : NoError;
    return true;
}

void UsbImageSensor::close()
{
    if (isPolling())
        stopPolling();
    UsbDevice::close();
    resetDecoder();
    m_mode = 0;
}

bool UsbImageSensor::startPolling()
{
    if (isPolling())
        return true;
    if (!UsbDevice::startPolling())
        return false;
    configureKernel();
    m_collecting = false;
    m_pixels.clear();
    if (!request(StartStream, 0)) {
        UsbDevice::stopPolling();
        m_error = RequestFailed;
        return false;
    }
    return true;
}

void UsbImageSensor::stopPolling()
{
    if (!isPolling())
        return;
    request(StopStream, 0);
    UsbDevice::stopPolling();
    m_collecting = false;
    m_pixels.clear();
}

bool UsbImageSensor::setTargetDistance(double metres)
{
    if (!isOpen())
        return false;
    m_distance = metres;
    return configureKernel();
}

bool UsbImageSensor::setAimMarkDiameter(double millimetres)
{
    if (!isOpen())
        return false;
    m_aimMarkDiameter = millimetres;
    m_markers.clear();
    m_markerTag = 0;
    return configureKernel();
}

bool UsbImageSensor::setSizeParameter(double metres)
{
    if (!isOpen())
        return false;
    m_sizeParameter = metres;
    return configureKernel();
}

bool UsbImageSensor::setMarkers(quint16 tag, const QVector<Marker> &markers)
{
    if (!isOpen())
        return false;
    if (markers.size() < 5 || markers.size() > 64) {
        qCritical("invalid parameter");
        return false;
    }
    m_markers = markers;
    m_markerTag = tag;
    m_aimMarkDiameter = std::numeric_limits<double>::quiet_NaN();
    return configureKernel();
}

int UsbImageSensor::kernelSize(const Kernel &kernel)
{
    int largest = 0;
    for (const KernelEntry &entry : kernel)
        largest = qMax(largest, qMax(qAbs(int(entry.x)), qAbs(int(entry.y))));
    return 2 * largest + 1;
}

UsbImageSensor::Kernel UsbImageSensor::markerKernel(const QVector<Marker> &markers,
                                                    double millimetresPerPixel, int binning)
{
    Kernel kernel;
    kernel.reserve(markers.size());
    for (const Marker &marker : markers) {
        double px = marker.x / millimetresPerPixel / binning;
        double py = marker.y / millimetresPerPixel / binning;
        if (marker.truncate) {
            px = std::trunc(px);
            py = std::trunc(py);
        } else {
            px = std::floor(px + 0.5);
            py = std::floor(py + 0.5);
        }
        KernelEntry entry;
        entry.x = qint8(quint8((toSignedByte(px) + marker.biasX) & 0xFF));
        entry.y = qint8(quint8((toSignedByte(py) + marker.biasY) & 0xFF));
        entry.weight = marker.weight;
        kernel.append(entry);
    }
    return kernel;
}

UsbImageSensor::Kernel UsbImageSensor::generatedKernel(double diameter, double millimetresPerPixel,
                                                       int binning)
{
    // Computed in single precision, as the sensor's own tools do.
    const float p = 1.0f / float(millimetresPerPixel) / float(binning);
    const float d = float(diameter);
    const auto t = [](float v) { return toSignedByte(std::trunc(double(v))); };
    Kernel kernel;
    const float r = d * 0.5f * 0.55f * p;
    if (r < 1.0f) {
        kernel = {{0, 0, 1}, {1, 0, 1}, {0, 1, 1}, {1, 1, 1}};
        const float outer = d * 0.5f * 2.5f * p;
        for (int k = 0; k < 8; ++k) {
            const float angle = float(k) * 2.0f * float(Pi) * 0.125f;
            kernel.append(
                    {t(outer * std::cos(angle) + 0.5f), t(outer * std::sin(angle) + 0.5f), 0});
        }
    } else {
        const qint8 a = t(r);
        const float outer = d * p;
        const qint8 c = t(outer);
        const qint8 q = t(outer * std::sqrt(0.5f));
        kernel = {{a, 0, 1},         {qint8(-a), 0, 1}, {0, a, 1},
                  {0, qint8(-a), 1}, {0, 0, 1},         {c, 0, 0},
                  {qint8(-c), 0, 0}, {0, c, 0},         {0, qint8(-c), 0},
                  {q, q, 0},         {q, qint8(-q), 0}, {qint8(-q), qint8(-q), 0},
                  {qint8(-q), q, 0}};
    }
    return kernel;
}

bool UsbImageSensor::uploadKernel(const Kernel &kernel, quint16 tag)
{
    if (!request(KernelBegin, tag))
        return false;
    for (qsizetype start = 0; start < kernel.size(); start += KernelChunkEntries) {
        const qsizetype count = qMin<qsizetype>(KernelChunkEntries, kernel.size() - start);
        QByteArray chunk;
        chunk.reserve(count * 3);
        for (qsizetype i = start; i < start + count; ++i) {
            chunk.append(char(kernel.at(i).x));
            chunk.append(char(kernel.at(i).y));
            chunk.append(char(kernel.at(i).weight));
        }
        if (!requestData(KernelData, chunk, quint16(count)))
            return false;
    }
    return request(KernelCommit, 0);
}

bool UsbImageSensor::configureKernel()
{
    if (!isOpen())
        return true;
    const double s = 1000.0 * m_distance / m_focalLength * PixelPitch;
    const bool withMarkers = !m_markers.isEmpty();
    if (!withMarkers && std::isnan(m_aimMarkDiameter))
        return false;
    // Without a distance or a focal length there is no scale to build on.
    if (!std::isfinite(s) || s <= 0.0)
        return false;
    // A scale no lens gives (a focal length in the settings block that is
    // out of all reason, say) or a size that no 32-bit value holds is
    // refused before anything goes to the sensor.
    if (s < MinMillimetresPerPixel || s > MaxMillimetresPerPixel
        || (!withMarkers && !(std::fabs(m_aimMarkDiameter) <= MaxAimMarkDiameter)))
        return fail(InvalidParameter);
    quint16 size = DefaultSizeParameter;
    if (!std::isnan(m_sizeParameter)) {
        const double pixels = std::floor(1000.0 * m_sizeParameter / s + 0.5);
        if (!(pixels >= 0.0 && pixels < 4294967296.0))
            return fail(InvalidParameter);
        size = quint16(quint32(pixels) & 0xFFFF);
    }
    m_millimetresPerPixel = s;

    Kernel kernels[3];
    const int factors[3] = {1, 2, 4};
    for (int i = 0; i < 3; ++i)
        kernels[i] = withMarkers ? markerKernel(m_markers, s, factors[i])
                                 : generatedKernel(m_aimMarkDiameter, s, factors[i]);

    int choice;
    if (m_mode == 1)
        choice = withMarkers ? (m_distance > 75.0 ? 1 : 2) : 1;
    else if (kernelSize(kernels[0]) <= 32)
        choice = 0;
    else if (kernelSize(kernels[1]) <= 32)
        choice = 1;
    else
        choice = 2;
    m_kernelWidth = quint16(kernelSize(kernels[choice]));

    if (!setParameter(3, quint16(factors[choice])))
        return false;
    m_binning = factors[choice];
    if (!uploadKernel(kernels[choice], withMarkers ? m_markerTag : 0))
        return false;

    if (!setParameter(6, size))
        return false;
    m_sizeParameterSent = size;
    return true;
}

double UsbImageSensor::cantFromAxes(int a, int b)
{
    double direction;
    if (a == 0 && b == 0)
        direction = 0.0;
    else if (a == 0)
        direction = b > 0 ? Pi / 2.0 : 3.0 * Pi / 2.0;
    else {
        direction = std::atan(double(b) / double(a));
        if (a < 0)
            direction += Pi;
        else if (b < 0)
            direction += 2.0 * Pi;
    }
    double cant = direction + Pi / 2.0;
    while (cant > Pi)
        cant -= 2.0 * Pi;
    while (cant < -Pi)
        cant += 2.0 * Pi;
    return cant;
}

double UsbImageSensor::tiltFromAxis(int c)
{
    if (c > 1000)
        return std::asin(1.0);
    if (c < -999)
        return std::asin(-1.0);
    return std::asin(c / 1000.0);
}

void UsbImageSensor::onData(qlonglong timer, const LibMisc::ByteVector &bytes)
{
    const char *data = bytes.constData();
    const qsizetype size = bytes.size();
    qsizetype p = 0;
    while (p < size) {
        if (size - p < RecordHeaderSize || quint8(data[p]) != RecordMarker)
            return;
        const qint32 length = qFromLittleEndian<qint32>(data + p + 1);
        if (length <= 0 || length > size - p - RecordHeaderSize)
            return;
        decodePayload(timer, data + p + RecordHeaderSize, length);
        p += RecordHeaderSize + length;
    }
}

void UsbImageSensor::decodePayload(qlonglong timer, const char *payload, int length)
{
    const quint8 kind = quint8(payload[0]);
    if (kind != 0) {
        // An image chunk.
        if (!m_collecting)
            return;
        if (kind != m_expectedChunk) {
            m_collecting = false;
            m_pixels.clear();
            return;
        }
        m_pixels.append(payload + 1, length - 1);
        const int expected = int(headerWord(m_header, 2)) - HeaderSize;
        if (m_pixels.size() < expected) {
            ++m_expectedChunk;
        } else if (m_pixels.size() == expected) {
            m_collecting = false;
            completeSample();
        } else {
            m_collecting = false;
            m_pixels.clear();
        }
        return;
    }
    if (length < 2)
        return;
    const quint8 second = quint8(payload[1]);
    if (second == StartStream || second == StopStream) {
        m_collecting = false;
        m_pixels.clear();
        return;
    }
    if (second != 2 && second != 3 && second != 5)
        return;
    m_collecting = false;
    m_pixels.clear();
    if (length != HeaderSize)
        return;
    std::memcpy(m_header.data(), payload, HeaderSize);
    m_headerTimer = timer;
    if (headerWord(m_header, 2) <= HeaderSize) {
        completeSample();
    } else {
        m_collecting = true;
        m_expectedChunk = 1;
    }
}

void UsbImageSensor::completeSample()
{
    m_shutter = headerWord(m_header, 24);
    m_echo = m_header[52];
    m_microphone = headerWord(m_header, 32);
    m_pixels.clear(); // the image is not used further; the buffer is reused

    Event event;
    event.found = m_header[13] != 0;
    event.word26 = headerWord(m_header, 26);
    event.cant = cantFromAxes(int(headerWord(m_header, 42)) - 2048,
                              int(headerWord(m_header, 44)) - 2048);
    event.tilt = tiltFromAxis(int(headerWord(m_header, 46)) - 2048);
    event.x = double(headerFloat(m_header, 16));
    event.y = double(headerFloat(m_header, 20));
    event.microphone = m_microphone;
    event.source = 2;
    event.valid = event.found && !std::isnan(event.cant) && !std::isnan(event.x)
            && !std::isnan(event.y);
    event.header = m_header;
    emit sample(m_headerTimer, event);
    emit dataChanged();
}

} // namespace LibHardware
