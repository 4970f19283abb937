#pragma once

#include <QString>

namespace LibMisc {

// The names under which the program and its tool find their settings store
// and per-user data folder.
class ApplicationIdentity
{
public:
    ApplicationIdentity() = delete;

    static QString organizationDomain() { return QStringLiteral("kavrolab.ru"); }
    static QString organizationName() { return QStringLiteral("Kavrolab"); }
    static QString applicationName() { return QStringLiteral("kavrotir"); }
    // The project's version, as the build gives it (the package's too).
    static QString applicationVersion();

    // Sets all four names on the running application object.
    static void apply();
};

} // namespace LibMisc
