#include "simulatedshooter.h"
#include "simulatedscene.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <random>

namespace LibHardware {

namespace {

constexpr double Pi = 3.14159265358979323846;
constexpr double FrameSeconds = 0.01;

// What sets the skill levels apart (pixels, frames; a pixel is about
// 1.2 mm on a face 10 m away).
struct Traits
{
    double drift; // scale of the slow waves
    double driftAtShot; // share of the drift left at the shot
    double sway; // scale of the tremor
    double swayAtShot; // share of the tremor left at the shot
    double swayFrequency; // scale of the tremor's frequencies
    double holdError; // spread of each shot's hold centre
    double approach; // height the aim comes down from
    double approachFrames; // frames the aim takes to come down
    double holdFrames; // frames held on the target before the shot
    double trigger; // typical push of the trigger pull
    double followThrough; // how far the push carries on after the break
    double followFrames; // frames before the shooter leaves the target
};

const Traits &traitsOf(SimulatedShooter::Skill skill)
{
    static const Traits novice {3.5, 0.85, 3.0, 0.6, 0.8, 3.0, 20.0, 220.0, 350.0, 2.5, 3.0, 25.0};
    static const Traits club {2.0, 0.7, 1.8, 0.4, 0.9, 1.6, 12.0, 180.0, 300.0, 1.0, 1.0, 50.0};
    static const Traits master {1.0, 0.55, 1.0, 0.25, 1.0, 0.15, 6.0, 150.0, 250.0, 0.2, 0.3, 80.0};
    switch (skill) {
    case SimulatedShooter::Skill::Novice:
        return novice;
    case SimulatedShooter::Skill::Club:
        return club;
    case SimulatedShooter::Skill::Master:
        break;
    }
    return master;
}

// Frames the trigger pull takes before the break, and the shooter takes to
// raise the weapon again after the follow-through.
constexpr double TriggerFrames = 6.0;
constexpr double RiseFrames = 100.0;

// The constant traits of one simulated shooter: phases and frequencies of
// the slow drift and of the tremor, per axis, drawn from the seed.
struct Waves
{
    static constexpr int Count = 6;
    std::array<std::array<double, Count>, 2> frequency;
    std::array<std::array<double, Count>, 2> phase;
    double cantPhase = 0.0;
    double tiltPhase = 0.0;
};

// Hertz and pixels: three slow drift waves, then three tremor waves.
constexpr std::array<double, Waves::Count> BaseFrequency {0.07, 0.13, 0.23, 3.3, 5.1, 7.7};
constexpr std::array<double, Waves::Count> Amplitude {1.3, 0.8, 0.5, 0.3, 0.2, 0.12};
constexpr int DriftWaves = 3;
constexpr double WhiteNoise = 0.12; // pixels

Waves wavesOf(quint32 seed)
{
    std::mt19937 generator(seed);
    // Own conversion to [0, 1): the standard distributions differ between
    // library implementations, the generator's output does not.
    const auto unit = [&generator] { return double(generator()) / 4294967296.0; };
    Waves waves;
    for (int axis = 0; axis < 2; ++axis) {
        for (int wave = 0; wave < Waves::Count; ++wave) {
            waves.frequency[axis][wave] = BaseFrequency[wave] * (0.85 + 0.3 * unit());
            waves.phase[axis][wave] = 2.0 * Pi * unit();
        }
    }
    waves.cantPhase = 2.0 * Pi * unit();
    waves.tiltPhase = 2.0 * Pi * unit();
    return waves;
}

quint64 mix(quint64 x)
{
    x += 0x9E3779B97F4A7C15ULL;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

double smoothStep(double x)
{
    x = std::clamp(x, 0.0, 1.0);
    return x * x * (3.0 - 2.0 * x);
}

// Roughly normal, mean 0 and deviation 1, for (seed, stream, n).
double normal(quint32 seed, SimulatedShooter::Stream stream, qint64 n)
{
    double sum = 0.0;
    for (int i = 0; i < 3; ++i)
        sum += SimulatedShooter::signedUnit(SimulatedShooter::noise(seed, stream, 3 * n + i));
    return sum;
}

struct Vector
{
    double x = 0.0;
    double y = 0.0;
};

// Where the hold of the shot at frame `shot` sits.
Vector holdError(const SimulatedScene &scene, const Traits &traits, qint64 shot)
{
    return {traits.holdError * normal(scene.seed, SimulatedShooter::HoldErrorX, shot),
            traits.holdError * normal(scene.seed, SimulatedShooter::HoldErrorY, shot)};
}

// The push of the trigger pull of the shot at frame `shot`: mostly down
// (+y in the sensor's picture) and to one side.
Vector triggerPush(const SimulatedScene &scene, const Traits &traits, qint64 shot)
{
    const double size = traits.trigger
            * (1.0
               + 0.5
                       * SimulatedShooter::signedUnit(SimulatedShooter::noise(
                               scene.seed, SimulatedShooter::TriggerSize, shot)));
    const double direction = Pi / 4.0
            + 1.2
                    * SimulatedShooter::signedUnit(SimulatedShooter::noise(
                            scene.seed, SimulatedShooter::TriggerDirection, shot));
    return {size * std::cos(direction), size * std::sin(direction)};
}

} // namespace

QString SimulatedShooter::skillName(Skill skill)
{
    switch (skill) {
    case Skill::Novice:
        return QStringLiteral("novice");
    case Skill::Club:
        return QStringLiteral("club");
    case Skill::Master:
        break;
    }
    return QStringLiteral("master");
}

bool SimulatedShooter::skillFromName(const QString &name, Skill *skill)
{
    for (const Skill candidate : {Skill::Novice, Skill::Club, Skill::Master}) {
        if (name == skillName(candidate)) {
            *skill = candidate;
            return true;
        }
    }
    return false;
}

quint64 SimulatedShooter::noise(quint32 seed, Stream stream, qint64 n)
{
    return mix(mix((quint64(seed) << 32) | stream) ^ quint64(n));
}

double SimulatedShooter::signedUnit(quint64 h)
{
    return double(h >> 11) / double(1ULL << 52) - 1.0;
}

double SimulatedShooter::calmness(const SimulatedScene &scene, qint64 index)
{
    double distance = CalmFrames;
    const qint64 before = scene.previousShot(index);
    if (before >= 0)
        distance = std::min(distance, double(index - before));
    const qint64 after = scene.nextShot(index);
    if (after >= 0)
        distance = std::min(distance, double(after - index));
    return distance / CalmFrames;
}

SimulatedShooter::Aim SimulatedShooter::aim(const SimulatedScene &scene, qint64 index)
{
    const Traits &traits = traitsOf(scene.skill);
    const Waves waves = wavesOf(scene.seed);
    const double t = double(index) * FrameSeconds;
    // The shooter settles before the trigger breaks and holds still through
    // the follow-through.
    const double calm = calmness(scene, index);
    const double driftScale
            = traits.drift * (traits.driftAtShot + (1.0 - traits.driftAtShot) * calm);
    const double swayScale = traits.sway * (traits.swayAtShot + (1.0 - traits.swayAtShot) * calm);

    Aim aim;
    std::array<double, 2> offset {0.0, 0.0};
    for (int axis = 0; axis < 2; ++axis) {
        for (int wave = 0; wave < Waves::Count; ++wave) {
            const bool drift = wave < DriftWaves;
            const double frequency
                    = waves.frequency[axis][wave] * (drift ? 1.0 : traits.swayFrequency);
            offset[axis] += (drift ? driftScale : swayScale) * Amplitude[wave]
                    * std::sin(2.0 * Pi * frequency * t + waves.phase[axis][wave]);
        }
        const Stream stream = axis == 0 ? NoiseX : NoiseY;
        offset[axis] += swayScale * WhiteNoise * signedUnit(noise(scene.seed, stream, index));
    }
    aim.x = offset[0];
    aim.y = offset[1];

    const qint64 before = scene.previousShot(index);
    const qint64 after = scene.nextShot(index);
    // After the follow-through the weapon comes up: 0 until then, 1 once up.
    const double rise = before >= 0
            ? smoothStep((double(index - before) - traits.followFrames) / RiseFrames)
            : 1.0;

    // The hold centre moves from the last shot's to the next one's.
    Vector centre;
    if (before >= 0 && after >= 0) {
        const Vector from = holdError(scene, traits, before);
        const Vector to = holdError(scene, traits, after);
        centre = {from.x + rise * (to.x - from.x), from.y + rise * (to.y - from.y)};
    } else if (after >= 0) {
        centre = holdError(scene, traits, after);
    } else if (before >= 0) {
        centre = holdError(scene, traits, before);
    }
    aim.x += centre.x;
    aim.y += centre.y;

    // The approach from above (-y), to the side drawn for the shot.
    if (after >= 0) {
        const double start = double(after) - traits.holdFrames - traits.approachFrames;
        const double up
                = std::min(1.0 - smoothStep((double(index) - start) / traits.approachFrames), rise);
        const double side = 0.5 * signedUnit(noise(scene.seed, ApproachSide, after));
        aim.x += traits.approach * up * std::sin(side);
        aim.y -= traits.approach * up * std::cos(side);
    }

    // The trigger pull, and after the break the follow-through.
    if (after >= 0 && double(after - index) < TriggerFrames) {
        const double pull = smoothStep(1.0 - double(after - index) / TriggerFrames);
        const Vector push = triggerPush(scene, traits, after);
        aim.x += pull * push.x;
        aim.y += pull * push.y;
    }
    if (before >= 0 && rise < 1.0) {
        const double carried = 1.0
                + traits.followThrough
                        * std::min(1.0, double(index - before) / traits.followFrames);
        const Vector push = triggerPush(scene, traits, before);
        aim.x += (1.0 - rise) * carried * push.x;
        aim.y += (1.0 - rise) * carried * push.y;
    }

    // Cant of a couple of degrees, swaying slowly.
    aim.cant = 0.035 + 0.02 * std::sin(2.0 * Pi * 0.04 * t + waves.cantPhase);
    aim.tilt = 0.012 + 0.006 * std::sin(2.0 * Pi * 0.03 * t + waves.tiltPhase);
    return aim;
}

} // namespace LibHardware
