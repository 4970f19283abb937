#include "exercise.h"
#include "applicationdata.h"
#include "rangedata.h"

#include <fitnessnorm.h>
#include <session.h>
#include <shot.h>
#include <targetdescriptor.h>
#include <trace.h>

#include <QSettings>

#include <cmath>
#include <limits>

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

int storedInt(const QString &key, int fallback)
{
    bool ok = false;
    const qlonglong value = QSettings().value(key).toLongLong(&ok);
    return ok && value >= std::numeric_limits<int>::min()
                    && value <= std::numeric_limits<int>::max()
            ? int(value)
            : fallback;
}

bool storedBool(const QString &key, bool fallback)
{
    QSettings settings;
    return settings.contains(key) ? settings.value(key).toBool() : fallback;
}

// The fitness-norm grade word as the session stores it; empty outside
// fitness norms.
QString storedGrade(const LibModel::Session *session)
{
    if (!session || !session->isGto())
        return QString();
    return LibModel::FitnessNorm::gradeWord(
            LibModel::FitnessNorm::grade(session->resultInt(), session->step(), session->sex()));
}

} // namespace

Exercise::Exercise(RangeData *lane)
    : QObject(lane)
    , m_lane(lane)
{
    connect(lane, &RangeData::phaseChanged, this, &Exercise::phaseChanged);
    connect(lane, &RangeData::newShot, this, &Exercise::newShot);
    connect(lane, &RangeData::corSig, this, &Exercise::correctByTrialShots);
    connect(lane, &RangeData::sessionChanged, this, &Exercise::watchSession);
    watchSession();
    connect(lane, &RangeData::calibrationShot, this, [this](QPointF point, QPointF hw, double a) {
        if (m_lane->state() != RangeData::CalibrationState || calibrationComplete())
            return;
        m_calibrationShots.append(QVariantMap {{QStringLiteral("x"), point.x()},
                                               {QStringLiteral("y"), point.y()},
                                               {QStringLiteral("hx"), hw.x()},
                                               {QStringLiteral("hy"), hw.y()},
                                               {QStringLiteral("angle"), a}});
        emit calibrationShotsChanged();
    });
    connect(lane, &RangeData::calibrationShotMy, this,
            [this](QPointF point, QPointF hw, double a, double result) {
                m_trialShots.append(QVariantMap {{QStringLiteral("x"), point.x()},
                                                 {QStringLiteral("y"), point.y()},
                                                 {QStringLiteral("hx"), hw.x()},
                                                 {QStringLiteral("hy"), hw.y()},
                                                 {QStringLiteral("angle"), a},
                                                 {QStringLiteral("result"), result},
                                                 {QStringLiteral("marked"), true}});
                emit trialShotsChanged();
            });
}

QString Exercise::key(const char *name) const
{
    return QStringLiteral("range%1/%2").arg(m_lane->index()).arg(QLatin1String(name));
}

QPointF Exercise::mean(const QVariantList &shots, const char *x, const char *y, bool markedOnly)
{
    double sx = 0.0, sy = 0.0;
    int n = 0;
    for (const QVariant &entry : shots) {
        const QVariantMap shot = entry.toMap();
        if (markedOnly && !shot.value(QStringLiteral("marked")).toBool())
            continue;
        sx += shot.value(QLatin1String(x)).toDouble();
        sy += shot.value(QLatin1String(y)).toDouble();
        ++n;
    }
    return n > 0 ? QPointF(sx / n, sy / n) : QPointF(NaN, NaN);
}

bool Exercise::calibrationComplete() const
{
    const QPointF centre = calibrationMean();
    return !m_calibrationShots.isEmpty()
            && std::hypot(centre.x(), centre.y()) <= CalibrationTargetDiameter / 2.0;
}

int Exercise::markedTrialShots() const
{
    int n = 0;
    for (const QVariant &entry : m_trialShots)
        n += entry.toMap().value(QStringLiteral("marked")).toBool() ? 1 : 0;
    return n;
}

void Exercise::setGlobalMode(int mode)
{
    if (mode == m_globalMode)
        return;
    m_globalMode = mode;
    emit globalModeChanged();
}

void Exercise::setCompetitionName(const QString &name)
{
    if (name == m_competitionName)
        return;
    m_competitionName = name;
    emit competitionNameChanged();
}

QString Exercise::fitnessGrade() const
{
    return LibModel::FitnessNorm::displayWord(storedGrade(m_lane->session()));
}

void Exercise::watchSession()
{
    if (m_watchedSession)
        disconnect(m_watchedSession, nullptr, this, nullptr);
    m_watchedSession = m_lane->session();
    if (LibModel::Session *session = m_watchedSession) {
        using LibModel::Session;
        connect(session, &Session::resultChanged, this, &Exercise::fitnessGradeChanged);
        connect(session, &Session::stepChanged, this, &Exercise::fitnessGradeChanged);
        connect(session, &Session::sexChanged, this, &Exercise::fitnessGradeChanged);
        connect(session, &Session::isGtoChanged, this, &Exercise::fitnessGradeChanged);
    }
    emit fitnessGradeChanged();
}

Exercise::Settings Exercise::storedSettings() const
{
    Settings s;
    s.trialShots = storedInt(key("calibrationShotsPerSerie"), 0);
    s.shots = storedInt(key("shotCountLimit"), 1);
    s.withTimeLimits = storedBool(key("withTimeLimits"), true);
    s.withJointTime = !storedBool(key("separateCalibrationTime"), true);
    s.jointTime = storedInt(key("jointTime"), 30);
    s.trialTime = storedInt(key("calibrationShotsTime"), 10);
    s.shotsTime = storedInt(key("serieShotsTime"), 20);
    s.shootingMode = m_globalMode != RangeData::UndefinedMode
            ? m_globalMode
            : storedInt(key("shootingMode"), RangeData::TrainingMode);
    s.autoCorrection = storedBool(key("autoCorrection"), false);
    s.withCalibration = storedBool(key("withCalibration"), false);
    return s;
}

void Exercise::clearShots()
{
    m_calibrationShots.clear();
    m_trialShots.clear();
    m_shotValues.clear();
    m_lastShotCorrection = false;
    m_finishedTrace = nullptr;
    emit calibrationShotsChanged();
    emit trialShotsChanged();
    emit lastShotChanged();
    emit finishedTraceChanged();
}

void Exercise::begin(const Settings &s)
{
    RangeData *lane = m_lane;
    lane->setCalibrationShotsPerSerie(s.trialShots);
    lane->setShotCountLimit(s.shots);
    lane->setWithTimeLimits(s.withTimeLimits);
    lane->setWithJointTime(s.withJointTime);
    lane->setJointTime(s.jointTime);
    lane->setCalibrationShotsTime(s.trialTime);
    lane->setShotsTime(s.shotsTime);
    lane->setShootingMode(RangeData::ShootingMode(s.shootingMode));
    lane->setAutoCorrection(s.autoCorrection);
    lane->setWithCalibration(s.withCalibration);
    m_running = false; // no end of an earlier start
    clearShots();
    lane->restartPhases();
    m_running = true;
    lane->setState(s.withCalibration ? RangeData::CalibrationState : RangeData::ShootingState);
}

void Exercise::start(const QString &name, const QString &organization, const QString &group)
{
    LibModel::Session *session = m_lane->session();
    session->setShooter(name, organization, group);
    session->setCaliber(QSettings().value(key("caliber")).toDouble());
    session->setDistance(QSettings().value(key("distance")).toDouble());
    const Settings s = storedSettings();
    QSettings().setValue(key("step"),
                         s.shootingMode == RangeData::TrainingMode ? 0 : qRound(session->step()));
    begin(s);
}

void Exercise::applySettings(const QVariantMap &form)
{
    const auto value = [&form](const char *name) { return form.value(QLatin1String(name)); };
    auto *target = qobject_cast<LibModel::TargetDescriptor *>(value("target").value<QObject *>());
    const bool limited = value("withTimeLimits").toBool();
    const bool joint = value("joint").toBool();
    m_running = false;
    m_lane->reset();
    clearShots();
    LibModel::Session *session = m_lane->session();
    session->setTargetDescriptor(target);
    m_lane->setWithTimeLimits(limited);
    if (limited) {
        m_lane->setWithJointTime(joint);
        if (joint) {
            m_lane->setJointTime(value("jointTime").toInt());
        } else {
            m_lane->setShotsTime(value("serieTime").toInt());
            m_lane->setCalibrationShotsTime(value("trialTime").toInt());
        }
    }
    m_lane->setShotCountLimit(value("shots").toInt());
    m_lane->setCalibrationShotsPerSerie(value("trialShots").toInt());
    session->setDistance(value("distance").toDouble());
    session->setCaliber(value("caliber").toDouble());
    if (m_globalMode == RangeData::CompetitionMode || m_globalMode == RangeData::GTOMode)
        session->setCompetitionName(m_competitionName);
    session->setIsGto(m_globalMode == RangeData::GTOMode);
    m_lane->setCaliberVisualisationScale(value("scale").toDouble());

    QSettings settings;
    settings.setValue(key("caliberVisualisationScale"), value("scale").toDouble());
    settings.setValue(key("distance"), value("distance").toDouble());
    settings.setValue(key("caliber"), value("caliber").toDouble());
    settings.setValue(key("target"), target ? target->uuid() : QString());
    settings.setValue(key("calibrationShotsPerSerie"), value("trialShots").toInt());
    settings.setValue(key("shotCountLimit"), value("shots").toInt());
    settings.setValue(key("withTimeLimits"), limited);
    settings.setValue(key("targetIndex"), value("targetIndex").toInt());
    if (limited) {
        settings.setValue(key("separateCalibrationTime"), !joint);
        if (joint) {
            settings.setValue(key("jointTime"), value("jointTime").toInt());
        } else {
            settings.setValue(key("calibrationShotsTime"), value("trialTime").toInt());
            settings.setValue(key("serieShotsTime"), value("serieTime").toInt());
        }
    }
    settings.setValue(key("autoCorrection"), value("autoCorrection").toBool());
    settings.setValue(key("withCalibration"), value("withCalibration").toBool());
    m_lane->setPhase(RangeData::NoPhase);
    m_lane->setState(RangeData::SelectShooterState);
}

void Exercise::enterState()
{
    switch (m_lane->state()) {
    case RangeData::SettingsState: {
        // A new session for the next shooter, on the same target; one still
        // untouched (the stop keeps more of the last) stays as it is.
        m_running = false;
        const LibModel::Session *session = m_lane->session();
        if (!session->name().isEmpty() || !session->segments().isEmpty())
            resetKeeping(false);
        break;
    }
    case RangeData::CalibrationState:
        m_calibrationShots.clear();
        emit calibrationShotsChanged();
        m_lane->setCalibrationMode(true);
        break;
    case RangeData::ShootingState:
        // Without a new calibration the last one is used again.
        if (!m_lane->withCalibration())
            m_lane->setCalibrationOffset(m_lane->storedOffset());
        m_lane->setCalibrationMode(false);
        break;
    default:
        break;
    }
}

void Exercise::clearCalibration()
{
    m_calibrationShots.clear();
    emit calibrationShotsChanged();
}

void Exercise::confirmCalibration()
{
    if (m_calibrationShots.isEmpty())
        return;
    const QPointF hw = mean(m_calibrationShots, "hx", "hy");
    m_lane->setCalibrationOffset(hw);
    m_lane->setStoredOffset(hw);
    m_lane->setCalibrationAngle(mean(m_calibrationShots, "angle", "angle").x());
    m_lane->setState(RangeData::ShootingState);
}

void Exercise::setTrialShotMarked(int index, bool marked)
{
    if (index < 0 || index >= m_trialShots.size())
        return;
    QVariantMap shot = m_trialShots.at(index).toMap();
    if (shot.value(QStringLiteral("marked")).toBool() == marked)
        return;
    shot.insert(QStringLiteral("marked"), marked);
    m_trialShots[index] = shot;
    emit trialShotsChanged();
}

void Exercise::correctByTrialShots()
{
    if (markedTrialShots() > 0)
        m_lane->setCalibrationOffset(mean(m_trialShots, "hx", "hy", true));
}

void Exercise::correctByLastShot()
{
    if (!m_lastShotCorrection)
        return;
    m_lastShotCorrection = false;
    emit lastShotChanged();
    m_lane->setCalibrationOffset(m_lastShotHwPoint);
}

bool Exercise::save()
{
    LibModel::Session *session = m_lane->session();
    session->setValue(QStringLiteral("competitionName"), m_competitionName);
    session->setValue(QStringLiteral("competitionType"), m_globalMode);
    if (m_globalMode != RangeData::TrainingMode) {
        const qsizetype shots = session->shots().size();
        const double mean = shots > 0 ? session->result() / double(shots) : 0.0;
        session->setValue(QStringLiteral("medal"),
                          session->isGto() ? storedGrade(session) : QString::number(mean, 'f', 1));
    }
    session->setValue(QStringLiteral("resultReal"), session->result());
    // Handed over once: the facade keeps it until the database has it.
    if (session == m_savedSession)
        return true;
    ApplicationData *facade = ApplicationData::instance();
    const bool saved = facade ? facade->saveSession(session) : session->write();
    if (saved)
        m_savedSession = session;
    return saved;
}

void Exercise::resetKeeping(bool all)
{
    LibModel::Session *old = m_lane->session();
    LibModel::TargetDescriptor *target = old->targetDescriptor();
    const double distance = old->distance();
    const double caliber = old->caliber();
    const QString competition = old->competitionName();
    const bool gto = old->isGto();
    const QPointF offset = m_lane->storedOffset();
    m_lane->reset();
    LibModel::Session *fresh = m_lane->session();
    fresh->setTargetDescriptor(target);
    fresh->setDistance(distance);
    fresh->setCaliber(caliber);
    if (all) {
        fresh->setCompetitionName(competition);
        fresh->setIsGto(gto);
    }
    m_lane->setStoredOffset(offset);
    clearShots();
}

void Exercise::interrupt()
{
    if (m_running && !m_lane->session()->shots().isEmpty())
        stopAndKeep();
    else
        m_lane->setState(RangeData::SettingsState);
}

void Exercise::stopAndKeep()
{
    m_running = false;
    save();
    m_lane->setPhase(RangeData::NoPhase);
    resetKeeping(true);
    m_lane->setState(RangeData::SettingsState);
}

void Exercise::phaseChanged()
{
    if (!m_running || m_lane->phase() != RangeData::NoPhase)
        return;
    m_running = false;
    LibModel::Session *session = m_lane->session();
    m_finishedTrace = m_lane->currentTrace() ? m_lane->currentTrace()
            : session->segments().isEmpty()  ? nullptr
                                             : session->segments().last();
    emit finishedTraceChanged();
    m_lane->setFirstRound(false);
    emit finished(m_savesAtEnd && save());
}

void Exercise::newShot(LibModel::Shot *shot, QPointF hwPoint, double stab, double trigStab,
                       double result, double area, double angle)
{
    Q_UNUSED(shot)
    m_shotValues.append({{QStringLiteral("time"), m_lane->timeSincePreviousShot()},
                         {QStringLiteral("stab"), stab},
                         {QStringLiteral("trigStab"), trigStab},
                         {QStringLiteral("result"), result},
                         {QStringLiteral("area"), area},
                         {QStringLiteral("angle"), angle}});
    m_lastShotHwPoint = hwPoint;
    m_lastShotCorrection = true;
    emit lastShotChanged();
}

QVariant Exercise::shotValues(int indexInSession) const
{
    if (indexInSession < 0 || indexInSession >= m_shotValues.size())
        return QVariant();
    QVariantMap values = m_shotValues.at(indexInSession);
    const int count = indexInSession + 1;
    values.insert(QStringLiteral("mean"), meanResult(count, false));
    if (count > 10)
        values.insert(QStringLiteral("meanOfTen"), meanResult(count, true));
    return values;
}

double Exercise::meanResult(int count, bool lastTen) const
{
    const QList<LibModel::Shot *> &shots = m_lane->session()->shots();
    const int to = qBound(0, count, int(shots.size()));
    const int from = lastTen ? qMax(0, to - 10) : 0;
    if (to <= from)
        return NaN;
    double sum = 0.0;
    for (int i = from; i < to; ++i) {
        if (!std::isnan(shots.at(i)->result()))
            sum += shots.at(i)->result();
    }
    return sum / (to - from);
}

int Exercise::ageFromBirthDate(const QString &text) const
{
    return LibModel::FitnessNorm::ageFromDate(text, QDate::currentDate());
}

int Exercise::stepFromAge(int age) const
{
    return LibModel::FitnessNorm::stepFromAge(age);
}
