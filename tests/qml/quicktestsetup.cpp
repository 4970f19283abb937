#include "quicktestsetup.h"

#include <applicationdata.h>
#include <qmltypes.h>
#include <targetmanager.h>
#include <testenvironment.h>

#include <QQmlContext>
#include <QQmlEngine>

QuickTestSetup::QuickTestSetup()
{
    TestEnvironment::prepare();
}

QuickTestSetup::~QuickTestSetup()
{
    delete m_facade;
}

void QuickTestSetup::applicationAvailable()
{
    LibMisc::ApplicationIdentity::apply();
    registerQmlTypes();
}

void QuickTestSetup::qmlEngineAvailable(QQmlEngine *engine)
{
    TestEnvironment::resetUserState();
    delete m_facade;
    m_facade = new ApplicationData;
    engine->rootContext()->setContextProperty(QStringLiteral("application"), m_facade);
    engine->rootContext()->setContextProperty(QStringLiteral("targetManager"),
                                              m_facade->targetManager());
}

void QuickTestSetup::cleanupTestCase()
{
    TestEnvironment::resetUserState();
}
