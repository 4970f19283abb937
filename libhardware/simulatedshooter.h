#pragma once

#include <QString>
#include <QtGlobal>

namespace LibHardware {

struct SimulatedScene;

// The simulated shooter: where the aim is at each frame, as an offset in
// sensor pixels from the centre of the target, and how the weapon is canted
// and tilted. A pure function of the scene and the frame number, seeded, so
// that any frame can be computed without its predecessors.
//
// The model, per skill level:
// - hold: the aim sways around the hold centre with three tremor waves
//   (3 to 8 Hz) and white noise; weaker shooters sway wider and slower;
// - drift: three slow waves (0.07 to 0.23 Hz) move the hold centre, widely
//   for a novice, little for a master;
// - approach: before each shot the aim comes down onto the target from
//   above (a little to one side), then the shooter holds; every shooter
//   steadies the hold towards the shot, a master the most;
// - hold centre: each shot's hold sits off the centre by a seeded error,
//   small for a master, several millimetres for a novice;
// - trigger pull: in the last frames before the break the aim is pushed in
//   a seeded direction (mostly down and to the side, as a snatched trigger
//   does), by up to a few pixels for a novice;
// - follow-through: after the break a master stays on the spot, a novice
//   carries the push on and leaves the target early.
class SimulatedShooter
{
public:
    enum class Skill { Novice, Club, Master };
    // The default shooter: the steadiest.
    static constexpr Skill DefaultSkill = Skill::Master;

    // The names the command line takes: "novice", "club", "master".
    static QString skillName(Skill skill);
    // False for an unknown name.
    static bool skillFromName(const QString &name, Skill *skill);

    struct Aim
    {
        double x = 0.0; // pixels from the centre
        double y = 0.0;
        double cant = 0.0; // radians
        double tilt = 0.0;
    };
    static Aim aim(const SimulatedScene &scene, qint64 index);

    // Within this many frames of a shot the shooter holds steadier.
    static constexpr double CalmFrames = 60.0;
    // 1 far from any shot, falling linearly to 0 at a shot.
    static double calmness(const SimulatedScene &scene, qint64 index);

    // The seeded pseudo-random streams; noise() is a function of the seed,
    // the stream and n alone.
    enum Stream : quint32 {
        NoiseX = 1,
        NoiseY,
        NoiseCant,
        NoiseTilt,
        NoiseMicrophone,
        Lost,
        ShotPeak,
        HoldErrorX,
        HoldErrorY,
        ApproachSide,
        TriggerSize,
        TriggerDirection,
    };
    static quint64 noise(quint32 seed, Stream stream, qint64 n);
    // Uniform in [-1, 1).
    static double signedUnit(quint64 h);
};

} // namespace LibHardware
