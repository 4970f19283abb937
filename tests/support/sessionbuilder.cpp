#include "sessionbuilder.h"

#include <targetmanager.h>
#include <trace.h>

#include <QCoreApplication>

#include <cmath>
#include <limits>

using namespace LibModel;

SessionBuilder::SessionBuilder(AbstractStorage *storage, qint64 start)
    : m_session(std::make_unique<Session>(storage))
    , m_nextTrace(start)
{
    m_session->setSampleRate(100);
    target(TargetManager::AirRifleUuid);
}

SessionBuilder::~SessionBuilder() = default;

SessionBuilder &SessionBuilder::target(const char *uuid, double caliber, double distance)
{
    m_session->setTargetDescriptor(targets().findByUuid(QLatin1String(uuid)));
    m_session->setCaliber(caliber);
    m_session->setDistance(distance);
    return *this;
}

SessionBuilder &SessionBuilder::shooter(const QString &name, const QString &organization,
                                        const QString &group)
{
    m_session->setShooter(name, organization, group);
    return *this;
}

SessionBuilder &SessionBuilder::competition(const QString &name, bool isGto)
{
    m_session->setCompetitionName(name);
    m_session->setValue(QStringLiteral("competitionName"), name);
    m_session->setIsGto(isGto);
    return *this;
}

SessionBuilder &SessionBuilder::value(const QString &key, const QVariant &value)
{
    m_session->setValue(key, value);
    return *this;
}

SessionBuilder &SessionBuilder::trace()
{
    m_session->appendTrace(m_nextTrace);
    m_nextSample = m_nextTrace;
    m_nextTrace += 60000;
    return *this;
}

Trace *SessionBuilder::currentTrace()
{
    if (m_session->segments().isEmpty())
        trace();
    return m_session->segments().constLast();
}

SessionBuilder &SessionBuilder::shot(double x, double y, int serie)
{
    TraceSample sample;
    sample.x = float(x);
    sample.y = float(y);
    sample.z = 0.0f;
    Trace *trace = currentTrace();
    trace->appendSample(m_nextSample, sample);
    m_nextSample += 10;
    trace->appendShot(ushort(serie), -1, std::isnan(x), 0.0);
    return *this;
}

SessionBuilder &SessionBuilder::shots(const QList<QPointF> &breaches, int serie)
{
    for (const QPointF &breach : breaches)
        shot(breach.x(), breach.y(), serie);
    return *this;
}

SessionBuilder &SessionBuilder::missed(int serie)
{
    constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
    return shot(NaN, NaN, serie);
}

std::unique_ptr<Session> SessionBuilder::take()
{
    return std::move(m_session);
}

qint64 SessionBuilder::write()
{
    return m_session->write() ? m_session->id() : 0;
}

TargetManager &SessionBuilder::targets()
{
    if (!TargetManager::instance())
        new TargetManager(QCoreApplication::instance());
    return *TargetManager::instance();
}
