#include "applicationidentity.h"

#include <QCoreApplication>

namespace LibMisc {

QString ApplicationIdentity::applicationVersion()
{
    return QStringLiteral(KAVRO_VERSION);
}

void ApplicationIdentity::apply()
{
    QCoreApplication::setOrganizationDomain(organizationDomain());
    QCoreApplication::setOrganizationName(organizationName());
    QCoreApplication::setApplicationName(applicationName());
    QCoreApplication::setApplicationVersion(applicationVersion());
}

} // namespace LibMisc
