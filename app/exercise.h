#pragma once

#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QVariantList>
#include <QVariantMap>

class RangeData;
namespace LibModel {
class Session;
class Shot;
class Trace;
} // namespace LibModel

Q_MOC_INCLUDE("trace.h")

// The exercise a lane runs, from the chosen shooter to the stored session:
// its settings from the lane's store, the calibration means, the trial shots
// and the corrections by them, the values of the scored shots, the saving at
// its end and the stop that keeps the lane's target for the next shooter.
// The lane screens call it and show its state.
class Exercise : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int globalMode READ globalMode WRITE setGlobalMode NOTIFY globalModeChanged)
    Q_PROPERTY(QString competitionName READ competitionName WRITE setCompetitionName NOTIFY
                       competitionNameChanged)
    // In fitness-norm sessions the grade word of the session's total; empty
    // otherwise.
    Q_PROPERTY(QString fitnessGrade READ fitnessGrade NOTIFY fitnessGradeChanged)
    Q_PROPERTY(QVariantList calibrationShots READ calibrationShots NOTIFY calibrationShotsChanged)
    Q_PROPERTY(QPointF calibrationMean READ calibrationMean NOTIFY calibrationShotsChanged)
    Q_PROPERTY(bool calibrationComplete READ calibrationComplete NOTIFY calibrationShotsChanged)
    Q_PROPERTY(QVariantList trialShots READ trialShots NOTIFY trialShotsChanged)
    Q_PROPERTY(int markedTrialShots READ markedTrialShots NOTIFY trialShotsChanged)
    Q_PROPERTY(QPointF trialMean READ trialMean NOTIFY trialShotsChanged)
    Q_PROPERTY(bool lastShotCorrectionAvailable READ lastShotCorrectionAvailable NOTIFY
                       lastShotChanged)
    Q_PROPERTY(int recordedShots READ recordedShots NOTIFY lastShotChanged)
    Q_PROPERTY(LibModel::Trace *finishedTrace READ finishedTrace NOTIFY finishedTraceChanged)

public:
    // Diameter of the calibration target in sensor units.
    static constexpr double CalibrationTargetDiameter = 137.0;

    // What an exercise runs with.
    struct Settings
    {
        int trialShots = 0;
        int shots = 1;
        bool withTimeLimits = true;
        bool withJointTime = false;
        int jointTime = 30;
        int trialTime = 10;
        int shotsTime = 20;
        int shootingMode = 1;
        bool autoCorrection = false;
        bool withCalibration = false;
    };

    explicit Exercise(RangeData *lane);

    int globalMode() const { return m_globalMode; }
    QString competitionName() const { return m_competitionName; }
    QString fitnessGrade() const;
    QVariantList calibrationShots() const { return m_calibrationShots; }
    QPointF calibrationMean() const { return mean(m_calibrationShots, "x", "y"); }
    bool calibrationComplete() const;
    QVariantList trialShots() const { return m_trialShots; }
    int markedTrialShots() const;
    QPointF trialMean() const { return mean(m_trialShots, "x", "y", true); }
    bool lastShotCorrectionAvailable() const { return m_lastShotCorrection; }
    LibModel::Trace *finishedTrace() const { return m_finishedTrace; }
    // The scored shots whose values are kept.
    int recordedShots() const { return int(m_shotValues.size()); }

    // The lane's stored settings, with the global mode winning once chosen.
    Settings storedSettings() const;
    // Starts the exercise from its beginning: the lane in its beginning
    // phase, nothing of an earlier start kept.
    void begin(const Settings &settings);
    // The session is written when the exercise ends; off for tools that
    // write it themselves.
    void setSavesAtEnd(bool saves) { m_savesAtEnd = saves; }
    // What the session is stored with: competition, mode, grade and result;
    // then handed over for storing, once. True once it is stored or kept
    // safe until it can be.
    bool save();

public slots:
    void setGlobalMode(int mode);
    void setCompetitionName(const QString &name);

    // The settings screen's "Продолжить": the form's values (target,
    // distance, caliber, scale, trialShots, shots, withTimeLimits, joint,
    // trialTime, serieTime, jointTime, autoCorrection, withCalibration,
    // targetIndex) go to a new session and to the lane's store.
    void applySettings(const QVariantMap &form);
    // The shooter screen's "Продолжить": the shooter and the stored
    // settings, then calibration or shooting.
    void start(const QString &name, const QString &organization, const QString &group);
    // What entering the lane's current state does to the lane.
    void enterState();
    void clearCalibration();
    void confirmCalibration();
    void setTrialShotMarked(int index, bool marked);
    void correctByTrialShots();
    void correctByLastShot();
    // "Закончить стрельбу": saved, and the lane starts afresh on its settings
    // with the same target, distance, caliber, competition and offset.
    void stopAndKeep();
    // The shooting page is left or shown again: every lane goes back to its
    // settings. A running exercise with shots is kept as "Закончить стрельбу"
    // keeps it, so that looking at another page loses no shot.
    void interrupt();

public:
    // The values of a scored shot as recorded when it was fired: time, stab,
    // trigStab, result, area, angle; with the mean result of the shots up to
    // it (mean) and, from the eleventh shot on, of the last ten of them
    // (meanOfTen). Nothing for another index.
    Q_INVOKABLE QVariant shotValues(int indexInSession) const;
    // The mean result of the first `count` shots, or of the last ten of them.
    Q_INVOKABLE double meanResult(int count, bool lastTen) const;
    // The fitness-norm age today of a birth date typed as "dd.MM.yyyy" (0
    // when it cannot be read), and the step of an age.
    Q_INVOKABLE int ageFromBirthDate(const QString &text) const;
    Q_INVOKABLE int stepFromAge(int age) const;

signals:
    void globalModeChanged();
    void competitionNameChanged();
    void fitnessGradeChanged();
    void calibrationShotsChanged();
    void trialShotsChanged();
    void lastShotChanged();
    void finishedTraceChanged();
    // The exercise ended and was saved (or the save failed).
    void finished(bool saved);

private:
    static QPointF mean(const QVariantList &shots, const char *x, const char *y,
                        bool markedOnly = false);
    QString key(const char *name) const;
    void clearShots();
    // A new session with the last one's target, distance and caliber and,
    // with `all`, its competition and fitness-norm flag.
    void resetKeeping(bool all);
    void phaseChanged();
    // Follows the lane's current session for the grade.
    void watchSession();
    void newShot(LibModel::Shot *shot, QPointF hwPoint, double stab, double trigStab, double result,
                 double area, double angle);

    RangeData *m_lane;
    int m_globalMode = 0;
    QString m_competitionName;
    QPointer<LibModel::Session> m_watchedSession;
    // The session last handed over for storing.
    QPointer<LibModel::Session> m_savedSession;
    QVariantList m_calibrationShots;
    QVariantList m_trialShots;
    QList<QVariantMap> m_shotValues;
    QPointF m_lastShotHwPoint;
    bool m_lastShotCorrection = false;
    bool m_running = false;
    bool m_savesAtEnd = true;
    QPointer<LibModel::Trace> m_finishedTrace;
};
