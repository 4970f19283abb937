#pragma once

#include <QString>
#include <QStringList>

// The program's command line, read before anything else runs: whether it
// only answers (--help, --version), cannot start (an unknown option, a bad
// value) or runs, and with what. The options that pick sensors and the
// database are read again by DeviceSetup and DatabaseSettings; here they are
// only checked, so that a mistake ends the program before a window opens.
class StartOptions
{
public:
    enum Outcome { Run, Help, Version, Invalid };

    static constexpr int DefaultDemoLanes = 6;
    static constexpr int MaxDemoLanes = 6;

    // `arguments` as QCoreApplication::arguments(): the program first.
    static StartOptions parse(const QStringList &arguments);
    static const char *usage();

    Outcome outcome() const { return m_outcome; }
    // Why the command line cannot be used.
    QString error() const { return m_error; }
    // Lanes of the demonstration (--demo[=N]); 0 without one.
    int demoLanes() const { return m_demoLanes; }
    bool reportsFrameRate() const { return m_reportsFrameRate; }
    // The interface's language for this run (--language); empty: not given.
    QString language() const { return m_language; }

private:
    bool take(const QStringList &arguments, int &i);
    bool fail(const QString &error);

    Outcome m_outcome = Run;
    QString m_error;
    int m_demoLanes = 0;
    bool m_reportsFrameRate = false;
    QString m_language;
};
