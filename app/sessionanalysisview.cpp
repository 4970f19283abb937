#include "sessionanalysisview.h"

#include <session.h>
#include <shot.h>

#include <cmath>

namespace {
QVariantMap line(const QString &label, const QString &text)
{
    return {{QStringLiteral("label"), label}, {QStringLiteral("text"), text}};
}

QString millimetres()
{
    //: Unit: millimetres
    return SessionAnalysisView::tr("мм");
}
} // namespace

SessionAnalysisView::SessionAnalysisView(QObject *parent)
    : QObject(parent)
{ }

void SessionAnalysisView::setSession(LibModel::Session *session)
{
    if (m_session == session)
        return;
    if (m_session)
        disconnect(m_session, nullptr, this, nullptr);
    m_session = session;
    if (session) {
        connect(session, &LibModel::Session::shotsChanged, this, &SessionAnalysisView::analyse);
        // A session deleted under the view leaves it empty, not dangling.
        connect(session, &QObject::destroyed, this, &SessionAnalysisView::analyse);
    }
    analyse();
    emit sessionChanged();
}

void SessionAnalysisView::setShot(LibModel::Shot *shot)
{
    if (m_shot == shot)
        return;
    m_shot = shot;
    emit shotChanged();
    emit shotValuesChanged();
}

void SessionAnalysisView::analyse()
{
    m_analysis = m_session ? LibModel::SessionAnalysis(*m_session) : LibModel::SessionAnalysis();
    emit valuesChanged();
    emit shotValuesChanged();
}

double SessionAnalysisView::extremeSpread() const
{
    // Without a shot there is no group to measure.
    return n() > 0 ? m_analysis.group.extremeSpread : LibModel::ShotGroup::NaN;
}

QString SessionAnalysisView::format(double value, const QString &unit)
{
    if (!std::isfinite(value))
        return QStringLiteral("—");
    const QString number = QString::number(value, 'f', 1);
    return unit.isEmpty() ? number : number + QLatin1Char(' ') + unit;
}

QVariantList SessionAnalysisView::groupLines() const
{
    const QString mm = millimetres();
    //: Number of hits in the group
    return {line(tr("Попаданий"), QString::number(n())),
            //: Mean point of impact (СТП), horizontal
            line(tr("СТП по горизонтали"), format(mpiX(), mm)),
            //: Mean point of impact (СТП), vertical
            line(tr("СТП по вертикали"), format(mpiY(), mm)),
            //: Extreme spread of the group
            line(tr("Наибольший разброс"), format(extremeSpread(), mm)),
            line(tr("Средний радиус"), format(meanRadius(), mm)),
            //: Standard deviation (СКО), horizontal
            line(tr("СКО по горизонтали"), format(sdX(), mm)),
            //: Standard deviation (СКО), vertical
            line(tr("СКО по вертикали"), format(sdY(), mm)),
            //: Mean score of the shots
            line(tr("Средний результат"), format(meanScore()))};
}

QVariantList SessionAnalysisView::aimingLinesOf(const LibModel::ShotAiming &aiming)
{
    const QString mm = millimetres();
    //: Radius of the aiming hold before the shot
    return {line(tr("Радиус удержания"), format(aiming.holdRadius, mm)),
            //: How far the aim moved as the shot went off
            line(tr("Уход при выстреле"), format(aiming.aimShift, mm)),
            //: Share of the aiming time spent inside the ten ring
            line(tr("Время в десятке"), format(aiming.tenShare * 100.0, QStringLiteral("%"))),
            //: Aiming speed over the last 0.25 s before the shot
            line(tr("Скорость за 0,25 с"),
                 //: Unit: millimetres per second
                 format(aiming.speed250, tr("мм/с")))};
}

QVariantList SessionAnalysisView::aimingLines() const
{
    return aimingLinesOf(m_analysis.aiming);
}

const LibModel::SessionAnalysis::ShotValues *
SessionAnalysisView::valuesOf(const LibModel::Shot *shot) const
{
    // The analysis keeps one entry per shot in the session's order; ids
    // cannot tell apart the shots of a session not stored yet.
    if (!m_session || !shot)
        return nullptr;
    const int index = int(m_session->shots().indexOf(const_cast<LibModel::Shot *>(shot)));
    return index >= 0 && index < m_analysis.shots.size() ? &m_analysis.shots.at(index) : nullptr;
}

QString SessionAnalysisView::shotTitle() const
{
    //: Title of the picked shot's values: its number in the session
    return valuesOf(m_shot) ? tr("Выстрел %1").arg(m_shot->indexInSession() + 1) : QString();
}

QVariantList SessionAnalysisView::shotLines() const
{
    const LibModel::SessionAnalysis::ShotValues *values = valuesOf(m_shot);
    return values ? aimingLinesOf(values->aiming) : QVariantList();
}

QVariantMap SessionAnalysisView::shotAiming(LibModel::Shot *shot) const
{
    const LibModel::SessionAnalysis::ShotValues *values = valuesOf(shot);
    if (!values)
        return {};
    return {{QStringLiteral("result"), values->result},
            {QStringLiteral("holdRadius"), values->aiming.holdRadius},
            {QStringLiteral("aimShift"), values->aiming.aimShift},
            {QStringLiteral("tenShare"), values->aiming.tenShare},
            {QStringLiteral("speed250"), values->aiming.speed250}};
}
