#pragma once

#include <applicationidentity.h>

#include <QString>
#include <QTest>

class QProcess;

// A private home for a test process: HOME and the XDG folders point into a
// temporary folder made before the application object exists, so that tests
// never touch the user's settings or database. resetUserState() gives each
// test function a fresh settings store and data folder.
class TestEnvironment
{
public:
    TestEnvironment() = delete;

    // Call first thing in main(), before any application object.
    static void prepare();
    static QString root();
    // Empties the settings store and removes the data folder.
    static void resetUserState();
    // The next line a child process writes on stdout, without its end;
    // waits for it as long as the process runs (the test's own time limit
    // ends a hang). Null when the process ends without one.
    static QByteArray nextLine(QProcess &process);
};

// Like QTEST_MAIN, with the private home and the program's identity.
#define KAVRO_TEST_MAIN(TestObject, Application)                                                   \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        TestEnvironment::prepare();                                                                \
        Application app(argc, argv);                                                               \
        LibMisc::ApplicationIdentity::apply();                                                     \
        TestObject tc;                                                                             \
        QTEST_SET_MAIN_SOURCE_PATH                                                                 \
        return QTest::qExec(&tc, argc, argv);                                                      \
    }
