#pragma once

#include <applicationidentity.h>

#include <QString>
#include <QTest>

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
