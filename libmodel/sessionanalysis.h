#pragma once

#include "shotaiming.h"
#include "shotgroup.h"

#include <QList>
#include <QString>

namespace LibModel {

class Session;

// The coaching analysis of one session: the group of its shots that hit
// (not missed, with a finite breach, over all traces in shot order), each
// shot's aiming in its last second, and the session's aiming values as the
// means of its shots' values over the shots that have them.
class SessionAnalysis
{
public:
    struct ShotValues
    {
        qint64 id = 0;
        double result = ShotAiming::NaN;
        ShotAiming aiming;
    };

    SessionAnalysis() = default;
    // withShots: keep each shot's values too; withAiming: the aiming values
    // at all (without them only the group is made, and the samples are not
    // needed when the shots know their breaches).
    explicit SessionAnalysis(const Session &session, bool withShots = true, bool withAiming = true);

    qint64 sessionId = 0;
    qint64 timer = -1;
    QString targetUuid;
    ShotGroup group;
    ShotAiming aiming; // the means over the shots
    QList<ShotValues> shots;
};

} // namespace LibModel
