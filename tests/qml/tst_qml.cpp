#include "pages/pagesfixture.h"

#include <applicationdata.h>
#include <applicationidentity.h>
#include <qmltypes.h>
#include <targetmanager.h>
#include <testenvironment.h>

#include <QApplication>
#include <QQmlContext>
#include <QQmlEngine>
#include <QtQuickTest>

#include <memory>

// What the program's engine has, for every test file: the Kavro types and
// the "application" facade, in a private home that each file starts
// afresh; and the "fixture" with simulated sensors for what QML cannot do.
class QmlTestSetup : public QObject
{
    Q_OBJECT

public:
    QmlTestSetup() { TestEnvironment::prepare(); }

public slots:
    void applicationAvailable()
    {
        LibMisc::ApplicationIdentity::apply();
        registerQmlTypes();
        // Before the first facade builds the hardware controller.
        m_fixture.installBackend();
    }

    void qmlEngineAvailable(QQmlEngine *engine)
    {
        m_fixture.unplugAll();
        TestEnvironment::resetUserState();
        m_facade.reset(); // one facade at a time
        m_facade = std::make_unique<ApplicationData>();
        QQmlContext *context = engine->rootContext();
        context->setContextProperty(QStringLiteral("application"), m_facade.get());
        context->setContextProperty(QStringLiteral("targetManager"), m_facade->targetManager());
        context->setContextProperty(QStringLiteral("fixture"), &m_fixture);
    }

private:
    std::unique_ptr<ApplicationData> m_facade;
    PagesFixture m_fixture; // goes first: it unplugs its sensors
};

// The process is a widget application, as the program is.
int main(int argc, char **argv)
{
    QmlTestSetup setup;
    QApplication app(argc, argv);
    QTEST_SET_MAIN_SOURCE_PATH
    return quick_test_main_with_setup(argc, argv, "qml", QUICK_TEST_SOURCE_DIR, &setup);
}

#include "tst_qml.moc"
