#pragma once

#include <simulatedshooter.h>

#include <QObject>
#include <QPointF>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

namespace LibHardware {
class SimulatedSensor;
}

// Chooses where sensors come from before anything uses the hardware: real
// sensors (the default), a number of simulated sensors (--simulate[=N]) or
// one recorded capture played back at its own pace (--replay FILE).
// Simulated lanes shoot at different skills, so that their groups differ. In
// simulated mode it also fires shots from the keyboard: F9 on every
// streaming simulated sensor, Shift+F1 .. Shift+F6 on the sensor of lane 1 .. 6.
class DeviceSetup : public QObject
{
    Q_OBJECT

public:
    static constexpr int DefaultSimulatedSensors = 2;
    static constexpr int MaxSimulatedSensors = 6;

    explicit DeviceSetup(QObject *parent = nullptr);
    ~DeviceSetup() override;

    // Reads the options from the program's arguments; false with an error
    // text for an option it cannot use.
    bool configure(const QStringList &arguments, QString *error);
    // Plugs `count` simulated sensors (1 .. MaxSimulatedSensors), as
    // --simulate=N does; before anything uses the hardware.
    void simulate(int count);
    // Where simulated sensor i (0-based) sees the centre of the target: the
    // calibration offset of a lane on it.
    QPointF simulatedCentre(int i) const;
    bool isSimulated() const { return !m_sensors.empty(); }

    // The serial number text of simulated sensor i (0-based): fixed, so
    // lanes keep their binding from one run to the next.
    static QByteArray simulatedSerial(int i);
    // The skill of simulated sensor i: novice, club, master, in turn.
    static LibHardware::SimulatedShooter::Skill simulatedSkill(int i);

    // Fires a shot on the simulated sensor of a lane (-1: every streaming one).
    bool fireShot(int lane);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::vector<std::unique_ptr<LibHardware::SimulatedSensor>> m_sensors;
};
