#pragma once

#include <rangedata.h>

#include <simulatedbackend.h>
#include <simulatedsensor.h>
#include <storage.h>
#include <targetmanager.h>

#include <QTemporaryDir>

#include <functional>
#include <memory>

// A lane on a simulated sensor driven frame by frame, one per test: it plugs
// one sensor into the process's simulated backend and rewrites every frame to
// show `pose`, or a scripted pose per frame. Each frame sets the manual clock to its own time and
// the event loop runs between frames, as between the sensor's reads.
class LaneRig
{
public:
    static constexpr double CentreX = 371.0; // the sensor's default centre
    static constexpr double CentreY = 244.0;
    static constexpr quint16 Loud = 900;
    static constexpr quint16 Quiet = 3;

    // What one frame shows: the sensor's aiming point, the target found, the
    // microphone level, cant (radians) and tilt (degrees).
    struct Pose
    {
        double x = CentreX, y = CentreY;
        bool found = true;
        quint16 microphone = Quiet;
        double cant = 0.0, tilt = 0.0;
    };
    using Script = std::function<Pose(qint64 frame)>;

    LaneRig();
    ~LaneRig();

    static LibHardware::SimulatedBackend *backend();
    LibHardware::SimulatedSensor *sensor() const { return m_sensor.get(); }
    QString serial() const { return RangeData::serialText(m_sensor->serialNumber()); }
    LibModel::TargetManager *targets() { return &m_targets; }
    LibModel::Storage *storage() { return &m_storage; }

    Pose pose;
    // Frame n from the next one on shows script(n).
    void play(const Script &script);
    void frames(int count);
    // Frames read together, as a busy sensor delivers them: the clock is at
    // the last one's time while the lane handles them all.
    void burst(int count);
    // One loud frame, then quiet frames past the shot hold-off.
    void shoot();
    void shootAt(const QPointF &sensorPoint);
    // True once the controller has started the stream.
    bool waitForStream() const;

    // A lane bound to the sensor and streaming: in calibration mode.
    std::unique_ptr<RangeData> boundLane();
    // A lane aiming at the air rifle target at 10 m (1.2 mm per sensor unit)
    // on the shooting screen, ten shots without trial shots, in no phase yet.
    std::unique_ptr<RangeData> aimingLane(const QPointF &offset = QPointF(CentreX, CentreY));

private:
    std::unique_ptr<LibHardware::SimulatedSensor> m_sensor;
    LibModel::TargetManager m_targets;
    QTemporaryDir m_folder;
    LibModel::Storage m_storage;
    Script m_script;
    qint64 m_scriptStart = 0;
    qint64 m_now = 1700000000000;
};
