#pragma once

#include <QObject>

// The phases of an exercise on a lane: from no phase into the beginning, on
// the first shot into the trial shots (when there are any) and then the
// scored ones, and back to no phase when they are all shot. With time
// limits a phase also ends when its time is up, whatever shots remain; with
// a joint time the trial and scored shots share one limit. After the end the
// recording runs on for the shooter's follow-through, then closes until the
// next exercise.
class PhaseMachine : public QObject
{
    Q_OBJECT

public:
    enum Phase { NoPhase = 0, BeginningPhase = 1, CalibrationPhase = 2, ShootingPhase = 3 };

    // How long the recording runs on after the end of an exercise.
    static constexpr qint64 FollowThrough = 1000; // ms

    // What the exercise is shot with; times in seconds.
    struct Plan
    {
        qint16 shots = 10;
        qint16 trialShots = 3;
        bool withTimeLimits = false;
        bool withJointTime = false;
        int jointTime = 0;
        int trialTime = 0;
        int shotsTime = 0;
    };

    Plan &plan() { return m_plan; }
    const Plan &plan() const { return m_plan; }

    Phase phase() const { return m_phase; }
    // Another phase without the steps between (the exercise stopped).
    void setPhase(Phase phase);
    int remainingShots() const { return m_remainingShots; }
    double timeToEndOfPhase() const { return m_timeToEndOfPhase; }
    bool recordingClosed() const { return m_recordingClosed; }

    // The next step at `now`, the time of the event that makes it; the trial
    // and the scored phase end only with no shots left.
    void advance(qint64 now);
    // From no phase into the beginning, whatever phase it was in.
    void restart(qint64 now);
    // A new session: no time counted down, the recording open.
    void reset(qint64 now);

    // A sample at `time` while the time limits run: the phase ends when its
    // time is up. True when the time to its end was updated.
    bool countDown(qint64 time);
    // True once, at the first sample after the follow-through.
    bool recordingEnds(qint64 time);
    // A shot at `time`: seconds since the last one, or since the scored
    // shots began for the first.
    double shotInterval(qint64 time);
    // A shot of the phase was fired.
    void countShot() { --m_remainingShots; }

signals:
    void phaseChanged();
    // The trial shots are over; the scored shots begin next.
    void trialsOver();

private:
    bool timed() const;

    Plan m_plan;
    Phase m_phase = NoPhase;
    int m_remainingShots = 0;
    qint64 m_phaseStart = 0;
    qint64 m_phaseDuration = 0;
    double m_timeToEndOfPhase = 0.0;
    qint64 m_lastShotTime = -1;
    qint64 m_closeRecordingAt = -1;
    bool m_recordingClosed = false;
};
