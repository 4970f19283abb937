#pragma once

#include "simulatedshooter.h"

#include <QtGlobal>

#include <vector>

namespace LibHardware {

// Everything a simulated frame depends on: SimulatedFrame::render() turns a
// scene and a frame number into header bytes, with no other state involved.
// Frame numbers count 10 ms frames from 0.
struct SimulatedScene
{
    // Shots are at least this many frames apart (1 s).
    static constexpr qint64 ShotSpacing = 100;

    quint32 seed = 1;
    SimulatedShooter::Skill skill = SimulatedShooter::DefaultSkill;
    double centreX = 376.0; // the aim wobbles around this point
    double centreY = 240.0;
    quint16 shutter = 30;
    quint8 echo = 64; // reported at header byte 52
    qint64 shotPeriod = 0; // frames between scheduled shots, 0 = none
    qint64 firstShot = 0; // frame of the first scheduled shot
    std::vector<qint64> extraShots; // frames of shots fired on demand, ascending

    // The start frame of the latest shot at or before `index`, -1 when none.
    qint64 previousShot(qint64 index) const;
    // The start frame of the earliest shot after `index`, -1 when none.
    qint64 nextShot(qint64 index) const;
    // From frame `now` on, a shot every `period` frames (0: none), the
    // first one `period` from now. A shot that has already begun stays, as
    // a shot on demand, so that the new schedule neither cuts it short nor
    // comes within ShotSpacing of it.
    void scheduleShots(qint64 period, qint64 now);
    // A shot on demand at frame `now`; refused (false) within ShotSpacing
    // of another shot.
    bool addShot(qint64 now);
};

} // namespace LibHardware
