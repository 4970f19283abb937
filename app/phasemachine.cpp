#include "phasemachine.h"

void PhaseMachine::setPhase(Phase phase)
{
    if (phase == m_phase)
        return;
    m_phase = phase;
    emit phaseChanged();
}

void PhaseMachine::restart(qint64 now)
{
    m_phase = NoPhase;
    advance(now);
}

void PhaseMachine::reset(qint64 now)
{
    m_phaseStart = now;
    m_timeToEndOfPhase = 0.0;
    m_closeRecordingAt = -1;
    m_recordingClosed = false;
}

void PhaseMachine::advance(qint64 now)
{
    switch (m_phase) {
    case NoPhase:
        m_closeRecordingAt = -1;
        m_recordingClosed = false;
        m_remainingShots = m_plan.trialShots != 0 ? m_plan.trialShots : m_plan.shots;
        if (m_plan.withTimeLimits) {
            const int seconds = m_plan.withJointTime ? m_plan.jointTime
                    : m_plan.trialShots != 0         ? m_plan.trialTime
                                                     : m_plan.shotsTime;
            m_phaseDuration = 1000LL * seconds;
        }
        m_phase = BeginningPhase;
        m_phaseStart = now;
        emit phaseChanged();
        break;
    case BeginningPhase:
        m_phase = m_plan.trialShots != 0 ? CalibrationPhase : ShootingPhase;
        m_phaseStart = now;
        // Shooting straight away: the first shot's interval counts from here.
        if (m_phase == ShootingPhase)
            m_lastShotTime = now;
        emit phaseChanged();
        break;
    case CalibrationPhase:
        if (m_remainingShots != 0)
            break;
        m_remainingShots = m_plan.shots;
        m_lastShotTime = now;
        if (!m_plan.withJointTime) {
            m_phaseStart = now;
            m_phaseDuration = 1000LL * m_plan.shotsTime;
        }
        emit trialsOver();
        m_phase = ShootingPhase;
        emit phaseChanged();
        break;
    case ShootingPhase:
        if (m_remainingShots != 0)
            break;
        m_phase = NoPhase;
        m_closeRecordingAt = now + FollowThrough;
        emit phaseChanged();
        m_phaseStart = now;
        break;
    }
}

bool PhaseMachine::timed() const
{
    return m_plan.withTimeLimits && (m_phase == CalibrationPhase || m_phase == ShootingPhase);
}

bool PhaseMachine::countDown(qint64 time)
{
    if (!timed())
        return false;
    if (time - m_phaseStart > m_phaseDuration) {
        m_remainingShots = 0;
        advance(time);
    }
    if (m_phase != CalibrationPhase && m_phase != ShootingPhase)
        return false;
    m_timeToEndOfPhase = double(m_phaseDuration - (time - m_phaseStart)) / 1000.0;
    return true;
}

bool PhaseMachine::recordingEnds(qint64 time)
{
    if (m_closeRecordingAt < 0 || time < m_closeRecordingAt)
        return false;
    m_closeRecordingAt = -1;
    m_recordingClosed = true;
    return true;
}

double PhaseMachine::shotInterval(qint64 time)
{
    const double seconds = double(time - m_lastShotTime) / 1000.0;
    m_lastShotTime = time;
    return seconds;
}
