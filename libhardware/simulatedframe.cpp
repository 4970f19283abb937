#include "simulatedframe.h"
#include "simulatedscene.h"
#include "simulatedshooter.h"

#include <QtEndian>

#include <cmath>
#include <cstring>
#include <limits>

namespace LibHardware {

namespace {

// A shot is heard for this many frames.
constexpr qint64 ShotFrames = 5;

qint64 floorDiv(qint64 a, qint64 b)
{
    const qint64 q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// Target lost: in each block of 250 frames, with probability 0.6, a burst of
// 2 to 6 frames, about 1 % of all frames. Never close to a shot, where a
// lost target would spoil the demonstration.
bool targetLost(const SimulatedScene &scene, qint64 index)
{
    constexpr qint64 Block = 250;
    const qint64 block = floorDiv(index, Block);
    const quint64 h = SimulatedShooter::noise(scene.seed, SimulatedShooter::Lost, block);
    if (h % 100 >= 60)
        return false;
    const qint64 length = 2 + qint64((h >> 8) % 5);
    const qint64 start = block * Block + qint64((h >> 16) % quint64(Block - length));
    if (index < start || index >= start + length)
        return false;
    const qint64 shot = scene.previousShot(index + 30);
    return shot < 0 || shot <= index - 10;
}

quint16 microphoneLevel(const SimulatedScene &scene, qint64 index)
{
    const qint64 shot = scene.previousShot(index);
    if (shot >= 0 && index - shot < ShotFrames) {
        const double peak = 650.0
                + double(SimulatedShooter::noise(scene.seed, SimulatedShooter::ShotPeak, shot)
                         % 250);
        return quint16(std::lround(peak * std::pow(0.72, double(index - shot))));
    }
    return quint16(
            2 + SimulatedShooter::noise(scene.seed, SimulatedShooter::NoiseMicrophone, index) % 5);
}

// A small integer jitter of -1, 0 or +1 counts.
int countJitter(quint32 seed, SimulatedShooter::Stream stream, qint64 index)
{
    return int(SimulatedShooter::noise(seed, stream, index) % 3) - 1;
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

QByteArray SimulatedFrame::render(const SimulatedScene &scene, qint64 index)
{
    const SimulatedShooter::Aim aim = SimulatedShooter::aim(scene, index);
    // The host takes the cant as the direction of (a, b) plus a quarter
    // turn, so cant c puts the axes at a = sin c, b = -cos c (radius 1000
    // counts).
    const int axisA = 2048 + int(std::lround(1000.0 * std::sin(aim.cant)))
            + countJitter(scene.seed, SimulatedShooter::NoiseCant, index);
    const int axisB = 2048 - int(std::lround(1000.0 * std::cos(aim.cant)))
            + countJitter(scene.seed, SimulatedShooter::NoiseCant, ~index);
    const int axisC = 2048 + int(std::lround(1000.0 * std::sin(aim.tilt)))
            + countJitter(scene.seed, SimulatedShooter::NoiseTilt, index);

    const bool found = !targetLost(scene, index);

    QByteArray header(HeaderSize, '\0');
    char *p = header.data();
    p[0] = 0;
    p[1] = 2; // header type
    putU16(p + 2, HeaderSize);
    p[13] = found ? 1 : 0;
    // Without the target the sensor has no aiming point to report.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    putFloat(p + 16, found ? float(scene.centreX + aim.x) : nan);
    putFloat(p + 20, found ? float(scene.centreY + aim.y) : nan);
    putU16(p + 24, scene.shutter);
    putU16(p + 32, microphoneLevel(scene, index));
    putU16(p + 42, quint16(axisA));
    putU16(p + 44, quint16(axisB));
    putU16(p + 46, quint16(axisC));
    p[52] = char(scene.echo);
    return header;
}

QByteArray SimulatedFrame::startMarker()
{
    return QByteArray("\x00\x80", 2);
}

QByteArray SimulatedFrame::stopMarker()
{
    return QByteArray("\x00\x81", 2);
}

} // namespace LibHardware
