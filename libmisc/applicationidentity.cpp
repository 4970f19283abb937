#include "applicationidentity.h"

#include <QCoreApplication>

namespace LibMisc {

void ApplicationIdentity::apply()
{
    QCoreApplication::setOrganizationDomain(organizationDomain());
    QCoreApplication::setOrganizationName(organizationName());
    QCoreApplication::setApplicationName(applicationName());
    QCoreApplication::setApplicationVersion(applicationVersion());
}

} // namespace LibMisc
