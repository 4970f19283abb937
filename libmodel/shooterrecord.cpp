#include "shooterrecord.h"

namespace LibModel {

void ShooterRecord::setName(const QString &value)
{
    name = value.simplified();
    isDirty = true;
}

void ShooterRecord::setOrganization(const QString &value)
{
    organization = value.simplified();
    isDirty = true;
}

void ShooterRecord::setGroup(const QString &value)
{
    group = value.simplified();
    isDirty = true;
}

void ShooterRecord::setProperties(const QVariantHash &value)
{
    properties = value;
    isDirty = true;
}

bool operator==(const ShooterRecord &a, const ShooterRecord &b)
{
    return a.id == b.id && a.isDirty == b.isDirty && a.name == b.name
            && a.organization == b.organization && a.group == b.group
            && a.properties == b.properties;
}

} // namespace LibModel
