#include "session.h"
#include "abstractstorage.h"
#include "serie.h"
#include "shot.h"
#include "targetdescriptor.h"
#include "targetmanager.h"
#include "trace.h"

#include <QUuid>

#include <cmath>
#include <limits>

namespace LibModel {

namespace {
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

// Person keys that a new shooter takes over from the session's map.
const char *const PersonKeys[]
        = {"birthDate", "sex", "step", "pectoralNumber", "athleticRank", "gtoUuid"};

bool sameDouble(double a, double b)
{
    return a == b || (std::isnan(a) && std::isnan(b));
}

bool isUuid(const QString &text)
{
    return !QUuid::fromString(text).isNull();
}
} // namespace

Session::Session(AbstractStorage *storage, QObject *parent)
    : QObject(parent)
    , m_storage(storage)
    , m_uuid(QUuid::createUuid().toString())
    , m_caliber(NaN)
    , m_distance(NaN)
{
    m_shooter.organization = QLatin1String("");
    m_shooter.group = QLatin1String("");
}

QString Session::targetUuid() const
{
    return m_targetDescriptor ? m_targetDescriptor->uuid() : QLatin1String("");
}

TargetDescriptor *Session::targetDescriptor() const
{
    return m_targetDescriptor;
}

QString Session::medal() const
{
    return m_properties.value(QStringLiteral("medal")).toString();
}

void Session::revalidate()
{
    const bool valid = m_targetDescriptor && !m_shooter.name.isEmpty() && !std::isnan(m_caliber)
            && !std::isnan(m_distance) && m_timer > 0 && m_sampleRate != 0;
    if (valid == m_isValid)
        return;
    m_isValid = valid;
    emit isValidChanged();
}

void Session::setDirty(bool dirty)
{
    if (dirty == m_isDirty)
        return;
    m_isDirty = dirty;
    emit isDirtyChanged();
}

void Session::setEmpty(bool empty)
{
    if (empty == m_isEmpty)
        return;
    m_isEmpty = empty;
    emit isEmptyChanged();
}

bool Session::setUuid(const QString &uuid)
{
    if (!m_uuidReplaceable || uuid == m_uuid || !isUuid(uuid))
        return false;
    m_uuid = uuid;
    m_uuidReplaceable = false;
    setDirty(true);
    emit uuidChanged();
    return true;
}

void Session::setTargetUuid(const QString &uuid)
{
    if (!isUuid(uuid))
        return;
    const TargetManager *manager = TargetManager::instance();
    TargetDescriptor *descriptor = manager ? manager->findByUuid(uuid) : nullptr;
    if (descriptor == m_targetDescriptor)
        return;
    m_targetDescriptor = descriptor;
    setDirty(true);
    revalidate();
    emit targetDescriptorChanged();
}

void Session::setTargetDescriptor(TargetDescriptor *descriptor)
{
    if (!m_isEmpty || descriptor == m_targetDescriptor)
        return;
    m_targetDescriptor = descriptor;
    setDirty(true);
    revalidate();
    emit targetDescriptorChanged();
}

void Session::setCaliber(double caliber)
{
    if (sameDouble(caliber, m_caliber))
        return;
    m_caliber = caliber;
    setDirty(true);
    revalidate();
    emit caliberChanged();
}

void Session::setDistance(double distance)
{
    if (sameDouble(distance, m_distance))
        return;
    m_distance = distance;
    setDirty(true);
    revalidate();
    emit distanceChanged();
}

void Session::setTimer(qint64 timer)
{
    if (timer == m_timer)
        return;
    m_timer = timer;
    setDirty(true);
    revalidate();
    emit timerChanged();
}

void Session::setSampleRate(ushort rate)
{
    if (!m_segments.isEmpty() || rate == m_sampleRate)
        return;
    m_sampleRate = rate;
    revalidate();
    emit sampleRateChanged();
}

void Session::setShooterRecord(const ShooterRecord &shooter)
{
    if (shooter == m_shooter)
        return;
    m_shooter = shooter;
    setDirty(true);
    revalidate();
    emit shooterChanged();
}

void Session::setPosition(Position position)
{
    if (position == m_position)
        return;
    m_position = position;
    setDirty(true);
    emit positionChanged();
}

void Session::setComments(const QString &comments)
{
    if (comments == m_comments)
        return;
    m_comments = comments;
    setDirty(true);
    emit commentsChanged();
}

void Session::setCompetitionName(const QString &name)
{
    if (name == m_competitionName)
        return;
    m_competitionName = name;
    emit competitionNameChanged();
}

void Session::setIsGto(bool isGto)
{
    if (isGto == m_isGto)
        return;
    m_isGto = isGto;
    emit isGtoChanged();
}

void Session::setResampleRate(int rate)
{
    const ushort value = ushort(qBound(0, rate, 0xFFFF));
    if (value == m_resampleRate)
        return;
    m_resampleRate = value;
    for (Trace *trace : std::as_const(m_segments))
        trace->reprocess();
    emit resampleRateChanged();
}

void Session::setFilterCutoff(double cutoff)
{
    if (!(cutoff >= MinFilterCutoff && cutoff <= MaxFilterCutoff) || cutoff == m_filterCutoff)
        return;
    m_filterCutoff = cutoff;
    for (Trace *trace : std::as_const(m_segments))
        trace->setFilterCutoff(cutoff);
    emit filterCutoffChanged();
    emit segmentsChanged();
}

void Session::setValue(const QString &key, const QVariant &value)
{
    if (value.isNull()) {
        if (m_properties.remove(key) == 0)
            return;
    } else {
        const auto it = m_properties.constFind(key);
        if (it != m_properties.cend() && it.value() == value)
            return;
        m_properties.insert(key, value);
    }
    setDirty(true);
}

void Session::loadPulseData()
{
    m_pulseBeats.clear();
    const QVariant samples = m_properties.value(QStringLiteral("_pulse_samples"));
    if (samples.canConvert<QVariantList>() && samples.typeId() != QMetaType::QString) {
        const QVariantList list = samples.toList();
        m_pulseBeats.reserve(list.size());
        for (const QVariant &beat : list) {
            bool ok = false;
            const qint64 value = beat.toLongLong(&ok);
            if (!ok) {
                m_pulseBeats.clear();
                break;
            }
            m_pulseBeats.append(value);
        }
    }
    m_isPulseDataAvailable = !m_pulseBeats.isEmpty();
}

void Session::setShooter(const QString &name, const QString &organization, const QString &group)
{
    ShooterRecord person
            = m_storage ? m_storage->findShooter(name, organization, group) : ShooterRecord();
    if (person.id == 0) {
        QVariantHash personProperties;
        for (const char *key : PersonKeys) {
            const QString k = QLatin1String(key);
            const QVariant value = m_properties.value(k);
            if (value.isNull())
                continue;
            personProperties.insert(k, value);
            m_properties.remove(k);
        }
        person = m_storage ? m_storage->createShooter(name, organization, group, personProperties)
                           : ShooterRecord();
        // Not stored now (the database refuses writes): the session keeps
        // the person, and writing it later finds or makes the person.
        if (person.id == 0) {
            person.setName(name);
            person.setOrganization(organization);
            person.setGroup(group);
            person.setProperties(personProperties);
        }
    }

    bool ok = false;
    const double step = person.properties.value(QStringLiteral("step")).toDouble(&ok);
    if (ok)
        m_step = step;
    emit stepChanged();
    m_sex = person.properties.value(QStringLiteral("sex")).toString() == QStringLiteral("М");
    emit sexChanged();

    setShooterRecord(person);
}

Trace *Session::appendTrace(qint64 timer)
{
    if (m_timer == -1) {
        if (timer < 0)
            return nullptr;
        m_timer = timer;
        revalidate();
    }
    auto *trace = new Trace(this, timer, m_filterCutoff);
    m_segments.append(trace);
    emit segmentsChanged();
    return trace;
}

Serie *Session::ensureSerie(ushort index, bool *created)
{
    *created = false;
    while (m_series.size() <= index) {
        m_series.append(new Serie(this, ushort(m_series.size())));
        *created = true;
    }
    return m_series.at(index);
}

void Session::registerShot(Shot *shot, double result)
{
    m_shots.append(shot);
    if (!std::isnan(result)) {
        m_result += result;
        m_resultInt += int(std::trunc(result));
        emit resultChanged();
    }
    setDirty(true);
    setEmpty(false);
}

void Session::markTriggerDataAvailable()
{
    m_isTriggerDataAvailable = true;
    setDirty(true);
}

bool Session::write()
{
    return m_storage && m_storage->write(this);
}

QQmlListProperty<Shot> Session::shotList()
{
    return QQmlListProperty<Shot>(
            this, &m_shots,
            [](QQmlListProperty<Shot> *list) {
                return static_cast<QList<Shot *> *>(list->data)->size();
            },
            [](QQmlListProperty<Shot> *list, qsizetype i) {
                return static_cast<QList<Shot *> *>(list->data)->at(i);
            });
}

} // namespace LibModel
