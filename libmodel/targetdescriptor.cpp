#include "targetdescriptor.h"
#include "scorecalculator.h"

#include <fuzzycompare.h>

#include <QUuid>

#include <limits>

using LibMisc::FuzzyCompare;

namespace LibModel {

namespace {
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
}

TargetDescriptor::TargetDescriptor(QObject *parent)
    : QObject(parent)
    , m_uuid(QUuid::createUuid().toString())
    , m_blackDiameter(NaN)
    , m_elements(new ElementModel(this, QByteArrayLiteral("type")))
{
    connect(m_elements, &QQmlObjectListModelBase::countChanged, this,
            &TargetDescriptor::shapeChanged);
    connect(m_elements, &QAbstractItemModel::dataChanged, this, &TargetDescriptor::shapeChanged);
}

ScoreCalculator *TargetDescriptor::scoreCalculator() const
{
    return m_scoreCalculator;
}

double TargetDescriptor::breachScore(const QPointF &point, double caliber) const
{
    if (FuzzyCompare::isNull(point) || !m_scoreCalculator)
        return NaN;
    return m_scoreCalculator->calc(point, caliber);
}

void TargetDescriptor::set_uuid(const QString &value)
{
    if (FuzzyCompare::assign(m_uuid, value))
        emit uuidChanged(m_uuid);
}

void TargetDescriptor::reset_uuid()
{
    set_uuid(QUuid::createUuid().toString());
}

void TargetDescriptor::set_name(const QString &value)
{
    if (FuzzyCompare::assign(m_name, value))
        emit nameChanged(m_name);
}

void TargetDescriptor::reset_name()
{
    set_name(QString());
}

void TargetDescriptor::set_description(const QString &value)
{
    if (FuzzyCompare::assign(m_description, value))
        emit descriptionChanged(m_description);
}

void TargetDescriptor::reset_description()
{
    set_description(QString());
}

void TargetDescriptor::set_comments(const QString &value)
{
    if (FuzzyCompare::assign(m_comments, value))
        emit commentsChanged(m_comments);
}

void TargetDescriptor::reset_comments()
{
    set_comments(QString());
}

void TargetDescriptor::set_world(const QRectF &value)
{
    if (FuzzyCompare::assign(m_world, value))
        emit worldChanged(m_world);
}

void TargetDescriptor::reset_world()
{
    set_world(QRectF());
}

void TargetDescriptor::set_blackDiameter(double value)
{
    if (FuzzyCompare::assign(m_blackDiameter, value))
        emit blackDiameterChanged(m_blackDiameter);
}

void TargetDescriptor::reset_blackDiameter()
{
    set_blackDiameter(NaN);
}

void TargetDescriptor::set_compatibleEvents(const QStringList &value)
{
    if (FuzzyCompare::assign(m_compatibleEvents, value))
        emit compatibleEventsChanged(m_compatibleEvents);
}

void TargetDescriptor::reset_compatibleEvents()
{
    set_compatibleEvents(QStringList());
}

void TargetDescriptor::set_scoreCalculator(ScoreCalculator *value)
{
    if (m_scoreCalculator == value)
        return;
    ScoreCalculator *old = m_scoreCalculator;
    if (old)
        disconnect(old, nullptr, this, nullptr);
    emit scoreCalculatorPreChanged(old);
    m_scoreCalculator = value;
    if (value)
        connect(value, &QObject::destroyed, this, &TargetDescriptor::scoreCalculatorDestroyed);
    emit scoreCalculatorChanged(value);
}

void TargetDescriptor::scoreCalculatorDestroyed()
{
    m_scoreCalculator = nullptr;
    emit scoreCalculatorChanged(nullptr);
}

} // namespace LibModel
