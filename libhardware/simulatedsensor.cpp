#include "simulatedsensor.h"
#include "usbhandle.h"

#include <clock.h>

#include <QtEndian>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

namespace LibHardware {

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr double FrameSeconds = SimulatedSensor::FramePeriod / 1000.0;

// Shots are at least this many frames apart (1 s).
constexpr qint64 ShotSpacing = 100;
// A shot is heard for this many frames.
constexpr qint64 ShotFrames = 5;
// Within this many frames of a shot the shooter holds steadier.
constexpr double CalmFrames = 60.0;

// Request codes.
enum : quint8 {
    SerialNumber = 0x40,
    Versions = 0x44,
    ProtocolVersions = 0x45,
    OldProtocolVersion = 0xA5,
    SettingsSizeRequest = 0xA2,
    ReadSettings = 0xA3,
    WriteSettings = 0xA4,
    ExtraWord = 0xD0,
    StartStream = 0x80,
    StopStream = 0x81,
    Shutter = 0x82,
    Echo = 0x8B,
    KernelBegin = 0xB1,
    KernelData = 0xB2,
    KernelCommit = 0xB3,
    ModeTwo = 0xB8,
    ModeOne = 0xB9,
    Parameter = 0xBA,
};

// The setting requests with their power-on values.
const std::map<quint8, quint16> &settingDefaults()
{
    static const std::map<quint8, quint16> defaults {
            {0x82, 30},   {0x84, 0}, {0x8B, 64}, {0x92, 1},
            {0x95, 9999}, {0x9D, 0}, {0x9E, 0},  {0x9F, 0},
    };
    return defaults;
}

const std::map<quint16, quint16> &parameterDefaults()
{
    static const std::map<quint16, quint16> defaults {
            {1, 200}, {2, 255}, {3, 1}, {4, 0}, {6, 240}, {15, 0}, {16, 0},
    };
    return defaults;
}

// A reproducible pseudo-random word for (seed, stream, n): the per-frame
// noise must be a function of the frame number alone, so that any frame can
// be rendered without rendering its predecessors.
quint64 mix(quint64 x)
{
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

enum Stream : quint32 { NoiseX = 1, NoiseY, NoiseCant, NoiseTilt, NoiseMicrophone, Lost, ShotPeak };

quint64 hash(quint32 seed, Stream stream, qint64 n)
{
    return mix(mix((quint64(seed) << 32) | stream) ^ quint64(n));
}

// Uniform in [-1, 1).
double signedUnit(quint64 h)
{
    return double(h >> 11) / double(1ULL << 52) - 1.0;
}

qint64 floorDiv(qint64 a, qint64 b)
{
    const qint64 q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// The constant traits of one simulated shooter: phases and frequencies of
// the slow drift and of the tremor, per axis, drawn from the seed.
struct Shooter
{
    static constexpr int Waves = 6;
    std::array<std::array<double, Waves>, 2> frequency;
    std::array<std::array<double, Waves>, 2> phase;
    double cantPhase = 0.0;
    double tiltPhase = 0.0;
};

// Hertz and pixels: three slow drift waves, then three tremor waves.
constexpr std::array<double, Shooter::Waves> BaseFrequency {0.07, 0.13, 0.23, 3.3, 5.1, 7.7};
constexpr std::array<double, Shooter::Waves> Amplitude {1.3, 0.8, 0.5, 0.3, 0.2, 0.12};
constexpr int DriftWaves = 3;
constexpr double WhiteNoise = 0.12; // pixels

Shooter shooterOf(quint32 seed)
{
    std::mt19937 generator(seed);
    // Own conversion to [0, 1): the standard distributions differ between
    // library implementations, the generator's output does not.
    const auto unit = [&generator] { return double(generator()) / 4294967296.0; };
    Shooter shooter;
    for (int axis = 0; axis < 2; ++axis) {
        for (int wave = 0; wave < Shooter::Waves; ++wave) {
            shooter.frequency[axis][wave] = BaseFrequency[wave] * (0.85 + 0.3 * unit());
            shooter.phase[axis][wave] = 2.0 * Pi * unit();
        }
    }
    shooter.cantPhase = 2.0 * Pi * unit();
    shooter.tiltPhase = 2.0 * Pi * unit();
    return shooter;
}

// The start frame of the latest shot at or before `index`, -1 when none.
qint64 previousShot(const SimulatedSensor::Scene &scene, qint64 index)
{
    qint64 best = -1;
    if (scene.shotPeriod > 0 && index >= scene.firstShot)
        best = scene.firstShot + (index - scene.firstShot) / scene.shotPeriod * scene.shotPeriod;
    const auto it = std::upper_bound(scene.extraShots.begin(), scene.extraShots.end(), index);
    if (it != scene.extraShots.begin())
        best = std::max(best, *(it - 1));
    return best;
}

// The start frame of the earliest shot after `index`, -1 when none.
qint64 nextShot(const SimulatedSensor::Scene &scene, qint64 index)
{
    qint64 best = -1;
    if (scene.shotPeriod > 0) {
        best = index < scene.firstShot ? scene.firstShot
                                       : scene.firstShot
                        + ((index - scene.firstShot) / scene.shotPeriod + 1) * scene.shotPeriod;
    }
    const auto it = std::upper_bound(scene.extraShots.begin(), scene.extraShots.end(), index);
    if (it != scene.extraShots.end())
        best = best < 0 ? *it : std::min(best, *it);
    return best;
}

// 1 far from any shot, falling linearly to 0 at a shot: the shooter settles
// before the trigger breaks and holds still through the follow-through.
double calmness(const SimulatedSensor::Scene &scene, qint64 index)
{
    double distance = CalmFrames;
    const qint64 before = previousShot(scene, index);
    if (before >= 0)
        distance = std::min(distance, double(index - before));
    const qint64 after = nextShot(scene, index);
    if (after >= 0)
        distance = std::min(distance, double(after - index));
    return distance / CalmFrames;
}

// Target lost: in each block of 250 frames, with probability 0.6, a burst of
// 2 to 6 frames, about 1 % of all frames. Never close to a shot, where a
// lost target would spoil the demonstration.
bool targetLost(const SimulatedSensor::Scene &scene, qint64 index)
{
    constexpr qint64 Block = 250;
    const qint64 block = floorDiv(index, Block);
    const quint64 h = hash(scene.seed, Lost, block);
    if (h % 100 >= 60)
        return false;
    const qint64 length = 2 + qint64((h >> 8) % 5);
    const qint64 start = block * Block + qint64((h >> 16) % quint64(Block - length));
    if (index < start || index >= start + length)
        return false;
    const qint64 shot = previousShot(scene, index + 30);
    return shot < 0 || shot <= index - 10;
}

quint16 microphoneLevel(const SimulatedSensor::Scene &scene, qint64 index)
{
    const qint64 shot = previousShot(scene, index);
    if (shot >= 0 && index - shot < ShotFrames) {
        const double peak = 650.0 + double(hash(scene.seed, ShotPeak, shot) % 250);
        return quint16(std::lround(peak * std::pow(0.72, double(index - shot))));
    }
    return quint16(2 + hash(scene.seed, NoiseMicrophone, index) % 5);
}

// A small integer jitter of -1, 0 or +1 counts.
int countJitter(quint32 seed, Stream stream, qint64 index)
{
    return int(hash(seed, stream, index) % 3) - 1;
}

void putU16(char *at, quint16 value)
{
    qToLittleEndian<quint16>(value, at);
}

void putFloat(char *at, float value)
{
    quint32 bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    qToLittleEndian<quint32>(bits, at);
}

} // namespace

SimulatedSensor::SimulatedSensor(quint32 seed, QObject *parent)
    : QObject(parent)
    , m_settingsBlock(defaultSettingsBlock())
{
    // The serial number carries the seed, so that sensors made with
    // different seeds are told apart by the host.
    m_serial = QByteArray(8, '\0');
    qToBigEndian<quint32>(seed, m_serial.data() + 4);
    m_scene.seed = seed;
    std::lock_guard lock(m_mutex);
    resetVolatileStateLocked();
    updateSceneFromSettingsLocked();
}

SimulatedSensor::~SimulatedSensor()
{
    stopReading();
}

QByteArray SimulatedSensor::renderFrame(const Scene &scene, qint64 index)
{
    const Shooter shooter = shooterOf(scene.seed);
    const double t = double(index) * FrameSeconds;
    const double calm = calmness(scene, index);
    const double driftScale = 0.55 + 0.45 * calm;
    const double tremorScale = 0.25 + 0.75 * calm;

    std::array<double, 2> offset {0.0, 0.0};
    for (int axis = 0; axis < 2; ++axis) {
        for (int wave = 0; wave < Shooter::Waves; ++wave) {
            const double scale = wave < DriftWaves ? driftScale : tremorScale;
            offset[axis] += scale * Amplitude[wave]
                    * std::sin(2.0 * Pi * shooter.frequency[axis][wave] * t
                               + shooter.phase[axis][wave]);
        }
        const Stream noise = axis == 0 ? NoiseX : NoiseY;
        offset[axis] += tremorScale * WhiteNoise * signedUnit(hash(scene.seed, noise, index));
    }

    // Cant of a couple of degrees, swaying slowly. The host takes the cant
    // as the direction of (a, b) plus a quarter turn, so cant c puts the
    // axes at a = sin c, b = -cos c (radius 1000 counts).
    const double cant = 0.035 + 0.02 * std::sin(2.0 * Pi * 0.04 * t + shooter.cantPhase);
    const double tilt = 0.012 + 0.006 * std::sin(2.0 * Pi * 0.03 * t + shooter.tiltPhase);
    const int axisA = 2048 + int(std::lround(1000.0 * std::sin(cant)))
            + countJitter(scene.seed, NoiseCant, index);
    const int axisB = 2048 - int(std::lround(1000.0 * std::cos(cant)))
            + countJitter(scene.seed, NoiseCant, ~index);
    const int axisC = 2048 + int(std::lround(1000.0 * std::sin(tilt)))
            + countJitter(scene.seed, NoiseTilt, index);

    const bool found = !targetLost(scene, index);

    QByteArray header(HeaderSize, '\0');
    char *p = header.data();
    p[0] = 0;
    p[1] = 2; // header type
    putU16(p + 2, HeaderSize);
    p[13] = found ? 1 : 0;
    // Without the target the sensor has no aiming point to report.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    putFloat(p + 16, found ? float(scene.centreX + offset[0]) : nan);
    putFloat(p + 20, found ? float(scene.centreY + offset[1]) : nan);
    putU16(p + 24, scene.shutter);
    putU16(p + 32, microphoneLevel(scene, index));
    putU16(p + 42, quint16(axisA));
    putU16(p + 44, quint16(axisB));
    putU16(p + 46, quint16(axisC));
    p[52] = char(scene.echo);
    return header;
}

QByteArray SimulatedSensor::startMarker()
{
    return QByteArray("\x00\x80", 2);
}

QByteArray SimulatedSensor::stopMarker()
{
    return QByteArray("\x00\x81", 2);
}

QByteArray SimulatedSensor::defaultSettingsBlock()
{
    QByteArray block(SettingsSize, '\0');
    char *p = block.data();
    putU16(p + 4, 376);
    putU16(p + 6, 240);
    putFloat(p + 12, 50.0f);
    putU16(p + 24, 0);
    return block;
}

// Identity ------------------------------------------------------------------

QByteArray SimulatedSensor::serialNumber() const
{
    std::lock_guard lock(m_mutex);
    return m_serial;
}

bool SimulatedSensor::setSerialNumber(const QByteArray &serial)
{
    if (serial.size() != 8)
        return false;
    std::lock_guard lock(m_mutex);
    m_serial = serial;
    return true;
}

quint16 SimulatedSensor::hardwareVersion() const
{
    std::lock_guard lock(m_mutex);
    return m_hardwareVersion;
}

void SimulatedSensor::setHardwareVersion(quint16 version)
{
    std::lock_guard lock(m_mutex);
    m_hardwareVersion = version;
}

quint16 SimulatedSensor::firmwareVersion() const
{
    std::lock_guard lock(m_mutex);
    return m_firmwareVersion;
}

void SimulatedSensor::setFirmwareVersion(quint16 version)
{
    std::lock_guard lock(m_mutex);
    m_firmwareVersion = version;
}

quint16 SimulatedSensor::protocolVersion() const
{
    std::lock_guard lock(m_mutex);
    return m_protocolVersion;
}

void SimulatedSensor::setProtocolVersion(quint16 version)
{
    std::lock_guard lock(m_mutex);
    m_protocolVersion = version;
}

quint16 SimulatedSensor::protocolRevision() const
{
    std::lock_guard lock(m_mutex);
    return m_protocolRevision;
}

void SimulatedSensor::setProtocolRevision(quint16 revision)
{
    std::lock_guard lock(m_mutex);
    m_protocolRevision = revision;
}

quint16 SimulatedSensor::extraWord() const
{
    std::lock_guard lock(m_mutex);
    return m_extraWord;
}

void SimulatedSensor::setExtraWord(quint16 word)
{
    std::lock_guard lock(m_mutex);
    m_extraWord = word;
}

// Settings block ------------------------------------------------------------

QByteArray SimulatedSensor::settingsBlock() const
{
    std::lock_guard lock(m_mutex);
    return m_settingsBlock;
}

bool SimulatedSensor::setSettingsBlock(const QByteArray &block)
{
    if (block.size() != SettingsSize)
        return false;
    std::lock_guard lock(m_mutex);
    m_settingsBlock = block;
    updateSceneFromSettingsLocked();
    return true;
}

quint16 SimulatedSensor::defaultCentreX() const
{
    std::lock_guard lock(m_mutex);
    return qFromLittleEndian<quint16>(m_settingsBlock.constData() + 4);
}

quint16 SimulatedSensor::defaultCentreY() const
{
    std::lock_guard lock(m_mutex);
    return qFromLittleEndian<quint16>(m_settingsBlock.constData() + 6);
}

void SimulatedSensor::setDefaultCentre(quint16 x, quint16 y)
{
    std::lock_guard lock(m_mutex);
    putU16(m_settingsBlock.data() + 4, x);
    putU16(m_settingsBlock.data() + 6, y);
    updateSceneFromSettingsLocked();
}

float SimulatedSensor::focalLength() const
{
    std::lock_guard lock(m_mutex);
    const quint32 bits = qFromLittleEndian<quint32>(m_settingsBlock.constData() + 12);
    float value = 0.0f;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void SimulatedSensor::setFocalLength(float millimetres)
{
    std::lock_guard lock(m_mutex);
    putFloat(m_settingsBlock.data() + 12, millimetres);
}

quint16 SimulatedSensor::hardwareTypeCode() const
{
    std::lock_guard lock(m_mutex);
    return qFromLittleEndian<quint16>(m_settingsBlock.constData() + 24);
}

void SimulatedSensor::setHardwareTypeCode(quint16 code)
{
    std::lock_guard lock(m_mutex);
    putU16(m_settingsBlock.data() + 24, code);
}

// Request state -------------------------------------------------------------

quint16 SimulatedSensor::settingValue(quint8 request) const
{
    std::lock_guard lock(m_mutex);
    const auto it = m_settings.find(request);
    return it == m_settings.end() ? 0 : it->second;
}

int SimulatedSensor::mode() const
{
    std::lock_guard lock(m_mutex);
    return m_mode;
}

quint16 SimulatedSensor::modeValue() const
{
    std::lock_guard lock(m_mutex);
    return m_modeValue;
}

quint16 SimulatedSensor::modeIndex() const
{
    std::lock_guard lock(m_mutex);
    return m_modeIndex;
}

quint16 SimulatedSensor::parameter(quint16 number) const
{
    std::lock_guard lock(m_mutex);
    const auto it = m_parameters.find(number);
    return it == m_parameters.end() ? 0 : it->second;
}

std::vector<SimulatedSensor::KernelEntry> SimulatedSensor::kernel() const
{
    std::lock_guard lock(m_mutex);
    return m_kernel;
}

quint16 SimulatedSensor::kernelTag() const
{
    std::lock_guard lock(m_mutex);
    return m_kernelTag;
}

bool SimulatedSensor::isStreaming() const
{
    std::lock_guard lock(m_mutex);
    return m_streaming;
}

// Control transfers ---------------------------------------------------------

int SimulatedSensor::controlTransfer(quint8 requestType, quint8 request, quint16 value,
                                     quint16 index, char *data, quint16 length)
{
    std::lock_guard lock(m_mutex);
    ControlRequest logged;
    logged.requestType = requestType;
    logged.request = request;
    logged.value = value;
    logged.index = index;
    logged.length = length;
    if (requestType == UsbHandle::VendorOut && data && length > 0)
        logged.data = QByteArray(data, length);
    m_requests.append(logged);

    if (!m_connected || consumeFailureLocked(request))
        return -1;
    if (requestType == UsbHandle::VendorIn) {
        QByteArray answer;
        if (!answerLocked(request, &answer))
            return -1;
        // Like a USB device: never more than the host allowed for.
        const int size = std::min<int>(answer.size(), length);
        if (size > 0) {
            if (!data)
                return -1;
            std::memcpy(data, answer.constData(), size_t(size));
        }
        return size;
    }
    if (requestType == UsbHandle::VendorOut)
        return applyLocked(request, value, index, data, length) ? length : -1;
    return -1;
}

bool SimulatedSensor::answerLocked(quint8 request, QByteArray *answer) const
{
    const auto words = [](quint16 low, quint16 high) {
        QByteArray bytes(4, '\0');
        putU16(bytes.data(), low);
        putU16(bytes.data() + 2, high);
        return bytes;
    };
    const auto word = [](quint16 value) {
        QByteArray bytes(2, '\0');
        putU16(bytes.data(), value);
        return bytes;
    };
    switch (request) {
    case SerialNumber:
        *answer = m_serial;
        return true;
    case Versions:
        *answer = words(m_firmwareVersion, m_hardwareVersion);
        return true;
    case ProtocolVersions:
        *answer = words(m_protocolVersion, m_protocolRevision);
        return true;
    case OldProtocolVersion:
        *answer = word(m_protocolVersion);
        return true;
    case SettingsSizeRequest:
        *answer = word(quint16(m_reportedSettingsSize >= 0 ? m_reportedSettingsSize
                                                           : m_settingsBlock.size()));
        return true;
    case ReadSettings:
        *answer = m_settingsBlock;
        return true;
    case ExtraWord:
        *answer = word(m_extraWord);
        return true;
    default:
        return false;
    }
}

bool SimulatedSensor::applyLocked(quint8 request, quint16 value, quint16 index, const char *data,
                                  quint16 length)
{
    if (settingDefaults().count(request)) {
        m_settings[request] = value;
        if (request == Shutter)
            m_scene.shutter = value;
        else if (request == Echo)
            m_scene.echo = quint8(value);
        return true;
    }
    switch (request) {
    case StartStream:
        m_streaming = true;
        queueMarkerLocked(startMarker());
        return true;
    case StopStream:
        m_streaming = false;
        queueMarkerLocked(stopMarker());
        return true;
    case WriteSettings:
        if (length != SettingsSize || !data)
            return false;
        m_settingsBlock = QByteArray(data, length);
        updateSceneFromSettingsLocked();
        return true;
    case KernelBegin:
        m_kernelUploading = true;
        m_pendingKernel.clear();
        m_pendingKernelTag = value;
        return true;
    case KernelData:
        // `value` entries of 3 bytes each, after a kernel begin.
        if (!m_kernelUploading || length != 3 * int(value) || (length > 0 && !data))
            return false;
        for (int i = 0; i < int(value); ++i) {
            KernelEntry entry;
            entry.x = qint8(data[3 * i]);
            entry.y = qint8(data[3 * i + 1]);
            entry.weight = quint8(data[3 * i + 2]);
            m_pendingKernel.push_back(entry);
        }
        return true;
    case KernelCommit:
        if (!m_kernelUploading)
            return false;
        m_kernel = m_pendingKernel;
        m_kernelTag = m_pendingKernelTag;
        m_kernelUploading = false;
        m_pendingKernel.clear();
        return true;
    case ModeOne:
    case ModeTwo:
        m_mode = request == ModeOne ? 1 : 2;
        m_modeValue = value;
        m_modeIndex = index;
        return true;
    case Parameter:
        m_parameters[index] = value;
        return true;
    default:
        return false;
    }
}

QVector<ControlRequest> SimulatedSensor::requests() const
{
    std::lock_guard lock(m_mutex);
    return m_requests;
}

void SimulatedSensor::clearRequests()
{
    std::lock_guard lock(m_mutex);
    m_requests.clear();
}

// Failure injection ---------------------------------------------------------

void SimulatedSensor::failRequest(quint8 request, int times)
{
    std::lock_guard lock(m_mutex);
    if (times == 0)
        m_failures.erase(request);
    else
        m_failures[request] = times < 0 ? AlwaysFail : times;
}

void SimulatedSensor::clearFailures()
{
    std::lock_guard lock(m_mutex);
    m_failures.clear();
}

bool SimulatedSensor::consumeFailureLocked(quint8 request)
{
    const auto it = m_failures.find(request);
    if (it == m_failures.end())
        return false;
    if (it->second > 0 && --it->second == 0)
        m_failures.erase(it);
    return true;
}

void SimulatedSensor::setReportedSettingsSize(int size)
{
    std::lock_guard lock(m_mutex);
    m_reportedSettingsSize = std::clamp(size, -1, 0xFFFF);
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
    return m_connected;
}

void SimulatedSensor::setConnected(bool connected)
{
    bool staleReader = false;
    {
        std::lock_guard lock(m_mutex);
        if (m_connected == connected)
            return;
        m_connected = connected;
        staleReader = m_sink != nullptr;
        if (connected) {
            // Powered up again: the settings sent by the last host are gone,
            // and handles opened before the unplug stay dead.
            resetVolatileStateLocked();
            ++m_connection;
        } else {
            m_streaming = false;
            m_readerActive = false;
            m_open = false;
            m_pendingMarkers.clear();
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
    if (!m_connected || m_open)
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
    m_settings = settingDefaults();
    m_parameters = parameterDefaults();
    m_mode = 0;
    m_modeValue = 0;
    m_modeIndex = 0;
    m_kernel.clear();
    m_kernelTag = 0;
    m_kernelUploading = false;
    m_pendingKernel.clear();
    m_streaming = false;
    m_pendingMarkers.clear();
    m_scene.shutter = m_settings[Shutter];
    m_scene.echo = quint8(m_settings[Echo]);
}

void SimulatedSensor::updateSceneFromSettingsLocked()
{
    m_scene.centreX = qFromLittleEndian<quint16>(m_settingsBlock.constData() + 4);
    m_scene.centreY = qFromLittleEndian<quint16>(m_settingsBlock.constData() + 6);
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
    if (!sink)
        return false;
    std::lock_guard lock(m_mutex);
    if (!m_connected || m_sink || m_reader.joinable())
        return false;
    m_sink = sink;
    m_readerActive = true;
    m_stopReader = false;
    m_pendingMarkers.clear();
    if (m_pacing == Pacing::RealTime)
        m_reader = std::thread([this] { readerLoop(); });
    return true;
}

void SimulatedSensor::stopReading()
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_sink)
            return;
        m_stopReader = true;
    }
    m_wake.notify_all();
    if (m_reader.joinable()) {
        // Called from within the sink: the loop ends once the sink returns;
        // waiting for it here would wait forever.
        if (m_reader.get_id() == std::this_thread::get_id())
            return;
        m_reader.join();
    }
    std::lock_guard lock(m_mutex);
    m_sink = nullptr;
    m_readerActive = false;
    m_stopReader = false;
    m_pendingMarkers.clear();
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

SimulatedSensor::FrameResult SimulatedSensor::nextFrameLocked(QByteArray *frame)
{
    if (m_unplugCountdown == 0) {
        m_unplugCountdown = -1;
        m_connected = false;
        m_streaming = false;
        m_readerActive = false;
        // The host's claim ends with the connection, as on setConnected(false).
        m_open = false;
        m_pendingMarkers.clear();
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
    UsbReadSink *sink = m_sink;
    int produced = 0;
    for (;;) {
        QByteArray bytes;
        const qint64 timer = startTimer + qint64(produced) * FramePeriod;
        if (!m_pendingMarkers.empty()) {
            bytes = m_pendingMarkers.front();
            m_pendingMarkers.pop_front();
        } else if (produced < count && m_streaming) {
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
    UsbReadSink *sink = m_sink;
    SteadyClock::time_point due;
    bool wasStreaming = false;
    bool unplugged = false;
    while (!m_stopReader && m_readerActive) {
        QByteArray bytes;
        if (!m_pendingMarkers.empty()) {
            bytes = m_pendingMarkers.front();
            m_pendingMarkers.pop_front();
        } else if (!m_streaming) {
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
    // A shot that has already begun stays, as a shot on demand, so that the
    // new schedule neither cuts it short nor comes within a second of it.
    const qint64 last = previousShot(m_scene, m_frame);
    if (last >= 0
        && !std::binary_search(m_scene.extraShots.begin(), m_scene.extraShots.end(), last)) {
        m_scene.extraShots.insert(
                std::upper_bound(m_scene.extraShots.begin(), m_scene.extraShots.end(), last), last);
    }
    if (msecs <= 0) {
        m_shotInterval = 0;
        m_scene.shotPeriod = 0;
        return;
    }
    m_shotInterval = std::max(msecs, int(ShotSpacing * FramePeriod));
    m_scene.shotPeriod = (m_shotInterval + FramePeriod / 2) / FramePeriod;
    m_scene.firstShot = m_frame + m_scene.shotPeriod;
    if (last >= 0)
        m_scene.firstShot = std::max(m_scene.firstShot, last + ShotSpacing);
}

int SimulatedSensor::shotInterval() const
{
    std::lock_guard lock(m_mutex);
    return m_shotInterval;
}

bool SimulatedSensor::fireShot()
{
    std::lock_guard lock(m_mutex);
    const qint64 frame = m_frame;
    const qint64 before = previousShot(m_scene, frame);
    if (before >= 0 && frame - before < ShotSpacing)
        return false;
    const qint64 after = nextShot(m_scene, frame);
    if (after >= 0 && after - frame < ShotSpacing)
        return false;
    m_scene.extraShots.push_back(frame);
    return true;
}

SimulatedSensor::Scene SimulatedSensor::scene() const
{
    std::lock_guard lock(m_mutex);
    return m_scene;
}

} // namespace LibHardware
