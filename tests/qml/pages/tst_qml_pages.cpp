#include "../quicktestsetup.h"
#include "pagesfixture.h"

#include <QApplication>
#include <QQmlContext>
#include <QQmlEngine>
#include <QtQuickTest>

// The program's setup for every test file, plus the fixture and the
// simulated sensors; the process is a widget application as the program is.
class PagesTestSetup : public QObject
{
    Q_OBJECT

public slots:
    void applicationAvailable()
    {
        m_base.applicationAvailable();
        // Before the first facade builds the hardware controller.
        m_fixture.installBackend();
    }

    void qmlEngineAvailable(QQmlEngine *engine)
    {
        m_fixture.unplugAll();
        m_base.qmlEngineAvailable(engine);
        engine->rootContext()->setContextProperty(QStringLiteral("fixture"), &m_fixture);
    }

    void cleanupTestCase()
    {
        m_fixture.unplugAll();
        m_base.cleanupTestCase();
    }

private:
    QuickTestSetup m_base; // first: it prepares the private home
    PagesFixture m_fixture;
};

int main(int argc, char **argv)
{
    PagesTestSetup setup;
    QApplication app(argc, argv);
    QTEST_SET_MAIN_SOURCE_PATH
    return quick_test_main_with_setup(argc, argv, "pages", QUICK_TEST_SOURCE_DIR, &setup);
}

#include "tst_qml_pages.moc"
