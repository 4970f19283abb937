#include "sessionanalysis.h"
#include "session.h"
#include "shot.h"
#include "targetdescriptor.h"
#include "trace.h"

#include <cmath>

namespace LibModel {

namespace {
// The mean of the finite values; NaN when there are none.
class Mean
{
public:
    void add(double value)
    {
        if (std::isfinite(value)) {
            m_sum += value;
            ++m_count;
        }
    }
    double value() const { return m_count > 0 ? m_sum / m_count : ShotAiming::NaN; }

private:
    double m_sum = 0.0;
    int m_count = 0;
};
} // namespace

SessionAnalysis::SessionAnalysis(const Session &session, bool withShots, bool withAiming)
    : sessionId(session.id())
    , timer(session.timer())
    , targetUuid(session.targetUuid())
{
    const TargetDescriptor *target = session.targetDescriptor();
    const ScoreCalculator *calculator = target ? target->scoreCalculator() : nullptr;
    QVector<QPointF> breaches;
    QVector<double> results;
    Mean holdRadius, aimShift, tenShare, speed250;
    for (const Shot *shot : session.shots()) {
        const QPointF breach = shot->breach();
        const bool hit
                = !shot->isMissed() && std::isfinite(breach.x()) && std::isfinite(breach.y());
        if (hit) {
            breaches.append(breach);
            results.append(shot->result());
        }
        if (!withAiming)
            continue;
        const ShotAiming values(shot->trace()->samples(), shot->offset(), session.sampleRate(),
                                hit ? breach : QPointF(ShotAiming::NaN, ShotAiming::NaN),
                                calculator, session.caliber());
        holdRadius.add(values.holdRadius);
        aimShift.add(values.aimShift);
        tenShare.add(values.tenShare);
        speed250.add(values.speed250);
        if (withShots)
            shots.append({shot->id(), shot->result(), values});
    }
    group = ShotGroup(breaches, results);
    aiming.holdRadius = holdRadius.value();
    aiming.aimShift = aimShift.value();
    aiming.tenShare = tenShare.value();
    aiming.speed250 = speed250.value();
}

} // namespace LibModel
