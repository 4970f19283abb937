#pragma once

namespace LibModel {
class Session;
class Shot;
class Trace;
} // namespace LibModel

// How steady the aim was before a shot, from the trace it was fired in: the
// path the aim travelled over the two seconds (stab) and the one second
// (trigStab) before it, and the mean score over the two seconds before it
// (area).
struct ShotMeasures
{
    double stab = 0.0;
    double trigStab = 0.0;
    double area = 0.0;

    static ShotMeasures of(const LibModel::Shot &shot, LibModel::Trace &trace,
                           const LibModel::Session &session);
};
