#pragma once

#include <QString>
#include <QTemporaryDir>

#include <memory>

class QSocketNotifier;

class ApplicationData;
class DeviceSetup;

// The demonstration (--demo[=N]): a throw-away data folder and settings store,
// so that the user's database and settings are never touched, and N lanes on
// the simulated sensors, each with a demo shooter already shooting. Built
// before anything reads settings or the data folder; its folders go with it.
class DemoSetup
{
public:
    // The air-rifle exercise the demo lanes shoot.
    static constexpr int Shots = 60;

    explicit DemoSetup(int lanes);
    ~DemoSetup();

    bool isValid() const { return m_folder.isValid(); }
    int lanes() const { return m_lanes; }
    // The program's database of the demonstration.
    QString databaseFile() const;

    // Training mode and N lanes, before the pages are made.
    void prepare(ApplicationData *facade) const;
    // The lanes bound to the simulated sensors in turn and on each a demo
    // shooter past calibration, in the shooting state; once the shooting
    // page shows them (it sends its lanes back to their settings when made).
    void startLanes(ApplicationData *facade, const DeviceSetup &devices) const;

    // SIGINT, SIGTERM and SIGHUP end the event loop instead of the process,
    // so that the folders are removed after Ctrl+C too.
    void quitOnSignals();

private:
    QTemporaryDir m_folder;
    std::unique_ptr<QSocketNotifier> m_signals;
    int m_lanes;
};
