#include "testenvironment.h"

#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdlib>

namespace {
QTemporaryDir *home = nullptr;
QString inheritedHome;
} // namespace

void TestEnvironment::prepare()
{
    if (home || !inheritedHome.isEmpty())
        return;
    // A child process started by a test shares its parent's private home.
    inheritedHome = qEnvironmentVariable("KAVRO_TEST_HOME");
    if (!inheritedHome.isEmpty())
        return;
    home = new QTemporaryDir(QDir::tempPath() + QStringLiteral("/kavro-test-XXXXXX"));
    if (!home->isValid())
        qFatal("cannot create a temporary home folder");
    const QString path = home->path();
    const auto set = [&](const char *name, const QString &folder) {
        QDir().mkpath(folder);
        qputenv(name, QFile::encodeName(folder));
    };
    set("HOME", path);
    set("XDG_CONFIG_HOME", path + QStringLiteral("/config"));
    set("XDG_DATA_HOME", path + QStringLiteral("/data"));
    set("XDG_CACHE_HOME", path + QStringLiteral("/cache"));
    qputenv("KAVRO_TEST_HOME", QFile::encodeName(path));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::atexit([] { delete home; });
}

QString TestEnvironment::root()
{
    return home ? home->path() : inheritedHome;
}

void TestEnvironment::resetUserState()
{
    QSettings settings;
    settings.clear();
    settings.sync();
    const QString data = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
    if (!data.isEmpty() && data.startsWith(root()))
        QDir(data).removeRecursively();
}

QByteArray TestEnvironment::nextLine(QProcess &process)
{
    while (!process.canReadLine()) {
        if (!process.waitForReadyRead(-1))
            return QByteArray();
    }
    return process.readLine().trimmed();
}
