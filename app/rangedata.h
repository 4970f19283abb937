#pragma once

#include "lanesensor.h"
#include "phasemachine.h"
#include "shotdetector.h"

#include <deviceref.h>
#include <hardwarecontroller.h>
#include <usbimagesensor.h>

#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QVector>

#include <limits>

class Exercise;
namespace LibModel {
class AbstractStorage;
class ScoreCalculator;
class Shot;
class Session;
class Trace;
} // namespace LibModel

Q_MOC_INCLUDE("session.h")
Q_MOC_INCLUDE("trace.h")
Q_MOC_INCLUDE("shot.h")
Q_MOC_INCLUDE("exercise.h")

// One shooting lane: one sensor, one shooter at a time and the session being
// shot. Turns the sensor's samples into live values, a recorded trace and
// scored shots, and runs calibration and the phases of an exercise. Its
// parts: the sensor's set-up (LaneSensor), the shots heard in the samples
// (ShotDetector) and how steady the aim was before them (ShotMeasures), the
// phases with their time limits (PhaseMachine) and what is kept between runs
// (LaneSettings). Its exercise (Exercise) carries the flow the lane screens
// call: settings, shooter, calibration, corrections, end and stop.
class RangeData : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int index READ index CONSTANT)
    Q_PROPERTY(RangeDataState state READ state WRITE setState NOTIFY stateChanged)
    Q_PROPERTY(RangeItemShootingPhase phase READ phase WRITE setPhase NOTIFY phaseChanged)
    Q_PROPERTY(bool ready READ ready NOTIFY readyChanged)
    Q_PROPERTY(bool calibrationMode READ calibrationMode WRITE setCalibrationMode NOTIFY
                       calibrationModeChanged)
    Q_PROPERTY(bool calibrationShotMode READ calibrationShotMode WRITE setCalibrationShotMode NOTIFY
                       calibrationShotModeChanged)
    Q_PROPERTY(int microphoneThreshold READ microphoneThreshold WRITE setMicrophoneThreshold NOTIFY
                       microphoneThresholdChanged)
    Q_PROPERTY(int shotCountLimit READ shotCountLimit WRITE setShotCountLimit NOTIFY
                       shotCountLimitChanged)
    Q_PROPERTY(int calibrationShotsPerSerie READ calibrationShotsPerSerie WRITE
                       setCalibrationShotsPerSerie NOTIFY calibrationShotsPerSerieChanged)
    Q_PROPERTY(bool targetVisible READ targetVisible NOTIFY targetVisibleChanged)
    Q_PROPERTY(QPointF aimingPoint READ aimingPoint NOTIFY aimingPointChanged)
    Q_PROPERTY(int microphone READ microphone NOTIFY microphoneChanged)
    Q_PROPERTY(int microphoneSlow READ microphoneSlow NOTIFY microphoneSlowChanged)
    Q_PROPERTY(double angle READ angle NOTIFY angleChanged)
    Q_PROPERTY(QPointF calibrationOffset READ calibrationOffset WRITE setCalibrationOffset NOTIFY
                       calibrationOffsetChanged)
    Q_PROPERTY(
            QPointF storedOffset READ storedOffset WRITE setStoredOffset NOTIFY storedOffsetChanged)
    Q_PROPERTY(double calibrationAngle READ calibrationAngle WRITE setCalibrationAngle NOTIFY
                       calibrationAngleChanged)
    Q_PROPERTY(LibModel::Session *session READ session NOTIFY sessionChanged)
    Q_PROPERTY(QString deviceSerialNumber READ deviceSerialNumber WRITE setDeviceSerialNumber NOTIFY
                       deviceSerialNumberChanged)
    Q_PROPERTY(LibModel::Trace *currentTrace READ currentTrace NOTIFY currentTraceChanged)
    Q_PROPERTY(bool autoCorrection READ autoCorrection WRITE setAutoCorrection NOTIFY
                       autoCorrectionChanged)
    Q_PROPERTY(bool withCalibration READ withCalibration WRITE setWithCalibration NOTIFY
                       withCalibrationChanged)
    Q_PROPERTY(bool firstRound READ firstRound WRITE setFirstRound NOTIFY firstRoundChanged)
    Q_PROPERTY(int calibrationShotsTime READ calibrationShotsTime WRITE setCalibrationShotsTime
                       NOTIFY calibrationShotsTimeChanged)
    Q_PROPERTY(int shotsTime READ shotsTime WRITE setShotsTime NOTIFY shotsTimeChanged)
    Q_PROPERTY(int jointTime READ jointTime WRITE setJointTime NOTIFY jointTimeChanged)
    Q_PROPERTY(bool withJointTime READ withJointTime WRITE setWithJointTime NOTIFY
                       withJointTimeChanged)
    Q_PROPERTY(double timeToEndOfPhase READ timeToEndOfPhase NOTIFY timeToEndOfPhaseChanged)
    Q_PROPERTY(ShootingMode shootingMode READ shootingMode WRITE setShootingMode NOTIFY
                       shootingModeChanged)
    Q_PROPERTY(bool withTimeLimits READ withTimeLimits WRITE setWithTimeLimits NOTIFY
                       withTimeLimitsChanged)
    Q_PROPERTY(double timeSincePreviousShot READ timeSincePreviousShot NOTIFY
                       timeSincePreviousShotChanged)
    Q_PROPERTY(double caliberVisualisationScale READ caliberVisualisationScale WRITE
                       setCaliberVisualisationScale NOTIFY caliberVisualisationScaleChanged)
    Q_PROPERTY(bool ultraSensitiveTriggerMode READ ultraSensitiveTriggerMode WRITE
                       setUltraSensitiveTriggerMode NOTIFY ultraSensitiveTriggerModeChanged)
    Q_PROPERTY(double tilt READ tilt NOTIFY tiltChanged)
    Q_PROPERTY(Exercise *exercise READ exercise CONSTANT)

public:
    enum ShootingMode { UndefinedMode = 0, TrainingMode = 1, CompetitionMode = 2, GTOMode = 3 };
    Q_ENUM(ShootingMode)
    enum RangeDataState {
        SelectShooterState = 0,
        AddShooterState = 1,
        SettingsState = 2,
        CalibrationState = 3,
        ShootingState = 4
    };
    Q_ENUM(RangeDataState)
    enum RangeItemShootingPhase {
        NoPhase = PhaseMachine::NoPhase,
        BeginningPhase = PhaseMachine::BeginningPhase,
        CalibrationPhase = PhaseMachine::CalibrationPhase,
        ShootingPhase = PhaseMachine::ShootingPhase
    };
    Q_ENUM(RangeItemShootingPhase)

    // What the sensor must look for on a target face.
    using Frame = LaneSensor::Frame;
    static const QVector<Frame> &frames() { return LaneSensor::frames(); }

    RangeData(quint16 index, LibModel::AbstractStorage *storage, QObject *parent = nullptr);
    ~RangeData() override;

    int index() const { return m_index; }
    RangeDataState state() const { return m_state; }
    RangeItemShootingPhase phase() const { return RangeItemShootingPhase(m_phases.phase()); }
    bool ready() const { return m_ready; }
    bool calibrationMode() const { return m_calibrationMode; }
    bool calibrationShotMode() const { return m_calibrationShotMode; }
    int microphoneThreshold() const { return m_shots.threshold(); }
    int shotCountLimit() const { return m_phases.plan().shots; }
    int calibrationShotsPerSerie() const { return m_phases.plan().trialShots; }
    bool targetVisible() const { return m_targetVisible; }
    QPointF aimingPoint() const { return m_aimingPoint; }
    int microphone() const { return m_shots.level(); }
    int microphoneSlow() const { return m_shots.peak(); }
    double angle() const { return m_angle; }
    QPointF calibrationOffset() const { return m_calibrationOffset; }
    QPointF storedOffset() const { return m_storedOffset; }
    double calibrationAngle() const { return m_calibrationAngle; }
    LibModel::Session *session() const { return m_session; }
    QString deviceSerialNumber() const;
    LibModel::Trace *currentTrace() const { return m_currentTrace; }
    bool autoCorrection() const { return m_autoCorrection; }
    bool withCalibration() const { return m_withCalibration; }
    bool firstRound() const { return m_firstRound; }
    int calibrationShotsTime() const { return m_phases.plan().trialTime; }
    int shotsTime() const { return m_phases.plan().shotsTime; }
    int jointTime() const { return m_phases.plan().jointTime; }
    bool withJointTime() const { return m_phases.plan().withJointTime; }
    double timeToEndOfPhase() const { return m_phases.timeToEndOfPhase(); }
    ShootingMode shootingMode() const { return m_shootingMode; }
    bool withTimeLimits() const { return m_phases.plan().withTimeLimits; }
    double timeSincePreviousShot() const { return m_timeSincePreviousShot; }
    double caliberVisualisationScale() const { return m_caliberVisualisationScale; }
    bool ultraSensitiveTriggerMode() const { return m_ultraSensitiveTriggerMode; }
    double tilt() const { return m_shots.tilt(); }
    Exercise *exercise() const { return m_exercise; }

    // The remaining shots of the current phase.
    int remainingShots() const { return m_phases.remainingShots(); }
    // The phase machine from no phase into the beginning phase, whatever
    // phase it was in: an exercise started again starts from its beginning.
    void restartPhases();

    // The serial number as text and back: 16 hex digits of the 8 bytes.
    static QString serialText(const QByteArray &serialNumber)
    {
        return LaneSensor::serialText(serialNumber);
    }
    static QByteArray serialBytes(const QString &serialText)
    {
        return LaneSensor::serialBytes(serialText);
    }

public slots:
    void setStoredOffset(QPointF value);
    void cutCurrTrace();
    void reset();
    void setState(RangeDataState value);
    void setWithCalibration(bool value);
    void setWithJointTime(bool value);
    void setFirstRound(bool value);
    void setCalibrationOffset(QPointF value);
    void setCalibrationAngle(double value);
    void setCalibrationMode(bool value);
    void setCalibrationShotMode(bool value);
    void setAutoCorrection(bool value);
    void setMicrophoneThreshold(int value);
    void setShotCountLimit(int value);
    void setCalibrationShotsPerSerie(int value);
    void setCalibrationShotsTime(int value);
    void setShotsTime(int value);
    void setJointTime(int value);
    void setOpticalSensor(LibHardware::DeviceRef ref);
    void setDeviceSerialNumber(QString value);
    void changePhase();
    void setShootingMode(ShootingMode value);
    void setWithTimeLimits(bool value);
    void setPhase(RangeItemShootingPhase value);
    void setCaliberVisualisationScale(double value);
    void setUltraSensitiveTriggerMode(bool value);
    void deviceStateChanged(LibHardware::DeviceRef ref,
                            LibHardware::HardwareController::DeviceState state);
    void targetParametersChanged();
    void opticalSensorEvent(const LibHardware::HardwareController::Event &event);

signals:
    void stateChanged();
    void phaseChanged();
    void readyChanged(bool ready);
    void calibrationModeChanged();
    void calibrationShotModeChanged();
    void microphoneThresholdChanged();
    void shotCountLimitChanged();
    void calibrationShotsPerSerieChanged();
    void targetVisibleChanged(bool visible);
    void aimingPointChanged(QPointF point);
    void microphoneChanged();
    void microphoneSlowChanged();
    void angleChanged(double angle);
    void calibrationOffsetChanged();
    void storedOffsetChanged();
    void calibrationAngleChanged();
    void sessionChanged();
    void deviceSerialNumberChanged();
    void currentTraceChanged();
    void autoCorrectionChanged();
    void withCalibrationChanged();
    void firstRoundChanged();
    void calibrationShotsTimeChanged();
    void shotsTimeChanged();
    void jointTimeChanged();
    void withJointTimeChanged();
    void timeToEndOfPhaseChanged();
    void shootingModeChanged();
    void withTimeLimitsChanged();
    void timeSincePreviousShotChanged();
    void caliberVisualisationScaleChanged();
    void ultraSensitiveTriggerModeChanged();
    void tiltChanged(double tilt);

    void newShot(LibModel::Shot *shot, QPointF hwPoint, double stab, double trigStab, double result,
                 double area, double angle);
    void calibrationShot(QPointF point, QPointF hwPoint, double angle);
    void calibrationShotMy(QPointF point, QPointF hwPoint, double angle, double result);
    void corSig();
    void calibrationShotsCountChanged();

private:
    void configureSensor();
    void sendMicrophoneConfiguration();
    void updateAimingPoint(const QPointF &point);
    void setTargetVisible(bool visible);
    // A sample in the calibration view and in the aiming view.
    void calibrationSample(qint64 time, const LibHardware::UsbImageSensor &device,
                           const LibHardware::UsbImageSensor::Event &sample);
    void aimingSample(qint64 time, const LibHardware::UsbImageSensor &device,
                      const LibHardware::UsbImageSensor::Event &sample);
    void scoredShot(qint64 timer, const QPointF &point, const QPointF &hwPoint);
    void setReady(bool ready);

    quint16 m_index;
    LibModel::AbstractStorage *m_storage;
    LaneSensor m_sensor;
    ShotDetector m_shots;
    PhaseMachine m_phases;
    RangeDataState m_state = SettingsState;
    bool m_ready = false;
    bool m_calibrationMode = false;
    bool m_calibrationShotMode = true;
    bool m_targetVisible = false;
    QPointF m_aimingPoint;
    double m_angle = std::numeric_limits<double>::quiet_NaN();
    QPointF m_calibrationOffset {std::numeric_limits<double>::quiet_NaN(),
                                 std::numeric_limits<double>::quiet_NaN()};
    QPointF m_storedOffset;
    double m_calibrationAngle = 0.0;
    LibModel::Session *m_session = nullptr;
    LibModel::Trace *m_currentTrace = nullptr;
    bool m_autoCorrection = true;
    bool m_withCalibration = true;
    bool m_firstRound = true;
    ShootingMode m_shootingMode = TrainingMode;
    double m_timeSincePreviousShot = std::numeric_limits<double>::quiet_NaN();
    double m_caliberVisualisationScale = 1.0;
    bool m_ultraSensitiveTriggerMode = false;

    QPointer<LibModel::ScoreCalculator> m_calculator;
    Exercise *m_exercise = nullptr;
};
