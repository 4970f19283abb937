#include "simulatedscene.h"

#include <algorithm>

namespace LibHardware {

qint64 SimulatedScene::previousShot(qint64 index) const
{
    qint64 best = -1;
    if (shotPeriod > 0 && index >= firstShot)
        best = firstShot + (index - firstShot) / shotPeriod * shotPeriod;
    const auto it = std::upper_bound(extraShots.begin(), extraShots.end(), index);
    if (it != extraShots.begin())
        best = std::max(best, *(it - 1));
    return best;
}

qint64 SimulatedScene::nextShot(qint64 index) const
{
    qint64 best = -1;
    if (shotPeriod > 0) {
        best = index < firstShot ? firstShot
                                 : firstShot + ((index - firstShot) / shotPeriod + 1) * shotPeriod;
    }
    const auto it = std::upper_bound(extraShots.begin(), extraShots.end(), index);
    if (it != extraShots.end())
        best = best < 0 ? *it : std::min(best, *it);
    return best;
}

void SimulatedScene::scheduleShots(qint64 period, qint64 now)
{
    const qint64 last = previousShot(now);
    if (last >= 0 && !std::binary_search(extraShots.begin(), extraShots.end(), last))
        extraShots.insert(std::upper_bound(extraShots.begin(), extraShots.end(), last), last);
    shotPeriod = std::max<qint64>(period, 0);
    if (shotPeriod == 0)
        return;
    firstShot = now + shotPeriod;
    if (last >= 0)
        firstShot = std::max(firstShot, last + ShotSpacing);
}

bool SimulatedScene::addShot(qint64 now)
{
    const qint64 before = previousShot(now);
    if (before >= 0 && now - before < ShotSpacing)
        return false;
    const qint64 after = nextShot(now);
    if (after >= 0 && after - now < ShotSpacing)
        return false;
    extraShots.push_back(now);
    return true;
}

} // namespace LibHardware
