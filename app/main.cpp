#include "applicationdata.h"
#include "devicesetup.h"
#include "qmltypes.h"
#include "singleapplication.h"

#include <applicationidentity.h>
#include <hardwarecontroller.h>

#include <QIcon>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickWindow>

int main(int argc, char *argv[])
{
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
    if (!devices.configure(QCoreApplication::arguments(), &error)) {
        qCritical("%s", qPrintable(error));
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
