#include "targetelementcolor.h"

namespace LibModel {

TargetElementColor::TargetElementColor(Type type, const QColor &color, QObject *parent)
    : QObject(parent)
    , m_type(type)
    , m_color(color)
{ }

QColor TargetElementColor::standardColor(Type type)
{
    switch (type) {
    case Black:
        return QColor(0, 0, 0, 255);
    case White:
        return QColor(255, 255, 255, 255);
    case Swamp:
        return QColor(85, 92, 53, 255);
    case Transparent:
    case Custom:
        break;
    }
    return QColor(Qt::transparent);
}

void TargetElementColor::setColor(const QColor &color)
{
    if (m_type == Transparent || m_type == Custom || m_color == color)
        return;
    m_color = color;
    emit colorChanged();
}

} // namespace LibModel
