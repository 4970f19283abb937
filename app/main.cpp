#include "applicationdata.h"
#include "databasesettings.h"
#include "devicesetup.h"
#include "qmltypes.h"
#include "singleapplication.h"

#include <applicationidentity.h>
#include <hardwarecontroller.h>

#include <QCoreApplication>
#include <QIcon>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickWindow>

#include <cstdio>
#include <cstring>

namespace {

const char Usage[] = "Usage: kavrotir [--simulate[=N] | --replay CAPTURE] [--database DB]\n"
                     "  --simulate[=N]     N simulated sensors (1..6, default 2)\n"
                     "                     shooting as a novice, a club shooter and a master\n"
                     "                     on lanes 1, 2, 3 (and so on, in turn)\n"
                     "  --replay CAPTURE   play a recorded capture at its own pace\n"
                     "  --database DB      the database: a file path or\n"
                     "                     postgresql://[user@]host[:port]/dbname\n"
                     "                     (default: the setting \"storage/database\", else\n"
                     "                     the file in the program's data folder)\n"
                     "  --help             show this help and exit\n"
                     "  --version          show the version and exit\n";

} // namespace

int main(int argc, char *argv[])
{
    // Answered without a display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(Usage, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("kavrotir %s\n",
                        qPrintable(LibMisc::ApplicationIdentity::applicationVersion()));
            return 0;
        }
    }

#ifdef Q_OS_WIN
    QCoreApplication::setAttribute(Qt::AA_UseOpenGLES);
#endif

    SingleApplication app(argc, argv, false, SingleApplication::User, 100);
    LibMisc::ApplicationIdentity::apply();

    if (app.sendToPrimary("activate", 100))
        return 0;

    // Where sensors come from must be settled before the facade builds lanes.
    DeviceSetup devices;
    QString error;
    if (!devices.configure(QCoreApplication::arguments(), &error)
        || !DatabaseSettings::configure(QCoreApplication::arguments(), &error)) {
        qCritical("%s", qPrintable(error));
        std::fputs(Usage, stderr);
        return 2;
    }

    auto *facade = new ApplicationData;
    auto *engine = new QQmlEngine;
    registerQmlTypes();
    engine->rootContext()->setContextProperty(QStringLiteral("application"), facade);
    engine->rootContext()->setContextProperty(QStringLiteral("targetManager"),
                                              facade->targetManager());
    QObject::connect(engine, &QQmlEngine::quit, &app, &QCoreApplication::quit);

    auto *component = new QQmlComponent(engine, QUrl(QStringLiteral("qrc:/qml/main.qml")));
    auto cleanUp = [&] {
        delete component;
        delete engine;
        delete facade;
    };
    if (!component->isReady()) {
        qCritical("%s", qPrintable(component->errorString()));
        cleanUp();
        return -1;
    }
    QObject *root = component->create();
    auto *window = qobject_cast<QQuickWindow *>(root);
    if (!window) {
        delete root;
        cleanUp();
        return -1;
    }
    facade->setWindow(window);
    window->setIcon(QIcon(QStringLiteral(":/images/icon.png")));
    QObject::connect(&app, &SingleApplication::instanceStarted, facade, &ApplicationData::raise);

    const int result = app.exec();
    delete root;
    cleanUp();
    // Sensors stop reading before the devices behind them go.
    LibHardware::HardwareController::destroyInstance();
    return result;
}
