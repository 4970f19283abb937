#pragma once

#include <QObject>

class ApplicationData;
class QQmlEngine;

// Gives every Qt Quick Test engine what the program's engine has: the Kavro
// types and the "application" facade, in a private home that each test file
// starts afresh.
class QuickTestSetup : public QObject
{
    Q_OBJECT

public:
    QuickTestSetup();
    ~QuickTestSetup() override;

public slots:
    void applicationAvailable();
    void qmlEngineAvailable(QQmlEngine *engine);
    void cleanupTestCase();

private:
    ApplicationData *m_facade = nullptr;
};
