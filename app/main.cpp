#include "applicationdata.h"
#include "databasesettings.h"
#include "demosetup.h"
#include "devicesetup.h"
#include "graphicssetup.h"
#include "language.h"
#include "qmltypes.h"
#include "singleapplication.h"
#include "startoptions.h"

#include <applicationidentity.h>
#include <hardwarecontroller.h>

#include <QCoreApplication>
#include <QIcon>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickWindow>

#include <QStringList>

#include <cstdio>
#include <memory>

int main(int argc, char *argv[])
{
    // Answered without a display and without the single-instance guard.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const StartOptions options = StartOptions::parse(arguments);
    switch (options.outcome()) {
    case StartOptions::Help:
        std::fputs(StartOptions::usage(), stdout);
        return 0;
    case StartOptions::Version:
        std::printf("kavrotir %s\n",
                    qPrintable(LibMisc::ApplicationIdentity::applicationVersion()));
        return 0;
    case StartOptions::Invalid:
        std::fprintf(stderr, "kavrotir: %s\n", qPrintable(options.error()));
        std::fputs(StartOptions::usage(), stderr);
        return 2;
    case StartOptions::Run:
        break;
    }

    GraphicsSetup::beforeApplication();

    SingleApplication app(argc, argv, false, SingleApplication::User, 100);
    LibMisc::ApplicationIdentity::apply();

    if (app.sendToPrimary("activate", 100))
        return 0;

    // A demonstration's own settings and data folder replace the user's
    // before anything reads them.
    std::unique_ptr<DemoSetup> demo;
    if (options.demoLanes()) {
        demo = std::make_unique<DemoSetup>(options.demoLanes());
        if (!demo->isValid()) {
            qCritical("cannot make a temporary folder for the demonstration");
            return 1;
        }
        demo->quitOnSignals();
    }

    // Where sensors come from must be settled before the facade builds lanes.
    DeviceSetup devices;
    QString error;
    const QStringList database = demo
            ? QStringList {arguments.first(), QStringLiteral("--database"), demo->databaseFile()}
            : QCoreApplication::arguments();
    if (!devices.configure(QCoreApplication::arguments(), &error)
        || !DatabaseSettings::configure(database, &error)) {
        qCritical("%s", qPrintable(error));
        std::fputs(StartOptions::usage(), stderr);
        return 2;
    }
    if (demo)
        devices.simulate(demo->lanes());

    GraphicsSetup::choose();
    auto *facade = new ApplicationData;
    if (demo)
        demo->prepare(facade);
    if (options.reportsFrameRate())
        facade->setReportsFrameRate(true);
    auto *engine = new QQmlEngine;
    registerQmlTypes();
    engine->rootContext()->setContextProperty(QStringLiteral("application"), facade);
    engine->rootContext()->setContextProperty(QStringLiteral("targetManager"),
                                              facade->targetManager());
    QObject::connect(engine, &QQmlEngine::quit, &app, &QCoreApplication::quit);
    facade->languageSetup()->apply(Language::initial(options.language()));
    facade->languageSetup()->setEngine(engine);

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
    if (demo) {
        root->setProperty("currentPage", QStringLiteral("shooting"));
        demo->startLanes(facade, devices);
    }
    QObject::connect(&app, &SingleApplication::instanceStarted, facade, &ApplicationData::raise);

    const int result = app.exec();
    delete root;
    cleanUp();
    // Sensors stop reading before the devices behind them go.
    LibHardware::HardwareController::destroyInstance();
    return result;
}
