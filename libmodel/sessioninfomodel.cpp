#include "sessioninfomodel.h"

#include <QDateTime>
#include <QHash>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numeric>

namespace LibModel {

namespace {

const QString CompetitionNameKey = QStringLiteral("competitionName");
const QString ResultRealKey = QStringLiteral("resultReal");

QString personText(const SessionInfo &info, const char *key)
{
    return info.person.properties.value(QLatin1String(key)).toString();
}

// The real-valued result used for the second ranking; 0 when the session
// has none (NaN would break the ordering, so it counts as 0 as well).
double realResult(const SessionInfo &info)
{
    const double value = info.properties.value(ResultRealKey).toDouble();
    return std::isnan(value) ? 0.0 : value;
}

// Competition places for a list of values, best (largest) first. Each value
// takes the next place; c rows sharing a value all get "p - q" covering the
// c places they occupy, and the next value starts after them.
template<typename T>
QStringList placeTexts(const QList<T> &values)
{
    QList<T> distinct = values;
    std::sort(distinct.begin(), distinct.end(), std::greater<T>());
    distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());

    QStringList texts(values.size());
    int place = 1;
    for (const T &value : distinct) {
        const int count = int(values.count(value));
        const QString text = count == 1
                ? QString::number(place)
                : QStringLiteral("%1 - %2").arg(place).arg(place + count - 1);
        for (int i = 0; i < values.size(); ++i) {
            if (values.at(i) == value)
                texts[i] = text;
        }
        place += count;
    }
    return texts;
}

} // namespace

SessionInfoModel::SessionInfoModel(QObject *parent)
    : QAbstractListModel(parent)
{ }

int SessionInfoModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant SessionInfoModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= m_rows.size())
        return QVariant();

    const SessionInfo &info = m_rows.at(index.row());
    switch (role) {
    case IdRole:
        return info.id;
    case TimerRole:
        return info.timer;
    case DateTimeRole:
        return QDateTime::fromMSecsSinceEpoch(info.timer);
    case YearRole:
        return QDateTime::fromMSecsSinceEpoch(info.timer).date().year();
    case CommentsRole:
        return info.comments;
    case ShotCountRole:
        return info.shotCount;
    case ShooterNameRole:
        return info.person.name;
    case ShooterOrganizationRole:
        return info.person.organization;
    case ShooterGroupRole:
        return info.person.group;
    case StepRole:
        return info.person.properties.value(QStringLiteral("step")).toDouble();
    case ResultRole:
        return info.result;
    case PlaceRole:
        return info.place;
    case TimePlaceRole:
        return info.timePlace;
    case CompetitionNameRole:
        return info.properties.value(CompetitionNameKey);
    case CompetitionTypeRole:
        return info.properties.value(QStringLiteral("competitionType"));
    case MedalRole:
        return info.properties.value(QStringLiteral("medal")).toString();
    case GtoUuidRole:
        return personText(info, "gtoUuid");
    case BirthDateRole:
        return personText(info, "birthDate");
    case SexRole:
        return personText(info, "sex");
    case PectoralNumberRole:
        return personText(info, "pectoralNumber");
    case AthleticRankRole:
        return personText(info, "athleticRank");
    case ResultRealRole: {
        const auto it = info.properties.constFind(ResultRealKey);
        return it == info.properties.constEnd() ? QVariant() : QVariant(it->toDouble());
    }
    case PlaceRealRole:
        return info.placeReal;
    default:
        return QVariant();
    }
}

QHash<int, QByteArray> SessionInfoModel::roleNames() const
{
    return {
            {IdRole, "id"},
            {TimerRole, "timer"},
            {DateTimeRole, "dateTime"},
            {YearRole, "year"},
            {CommentsRole, "comments"},
            {ShotCountRole, "shotCount"},
            {ShooterNameRole, "shooterName"},
            {ShooterOrganizationRole, "shooterOrganization"},
            {ShooterGroupRole, "shooterGroup"},
            {StepRole, "step"},
            {ResultRole, "result"},
            {PlaceRole, "place"},
            {TimePlaceRole, "timePlace"},
            {CompetitionNameRole, "competitionName"},
            {CompetitionTypeRole, "competitionType"},
            {MedalRole, "medal"},
            {GtoUuidRole, "gtoUuid"},
            {BirthDateRole, "birthDate"},
            {SexRole, "sex"},
            {PectoralNumberRole, "pectoralNumber"},
            {AthleticRankRole, "athleticRank"},
            {ResultRealRole, "resultReal"},
            {PlaceRealRole, "placeReal"},
    };
}

void SessionInfoModel::sortByResult(const QString &competName)
{
    QList<quint16> sorted;
    for (const SessionInfo &info : std::as_const(m_rows)) {
        if (info.properties.value(CompetitionNameKey).toString() == competName)
            sorted.append(quint16(info.result));
    }
    std::sort(sorted.begin(), sorted.end(), std::greater<quint16>());

    // A run of k equal results from position p covers the places "p-(p+k-1)".
    QHash<quint16, QString> placeOf;
    for (int start = 0; start < sorted.size();) {
        int end = start + 1;
        while (end < sorted.size() && sorted.at(end) == sorted.at(start))
            ++end;
        placeOf.insert(sorted.at(start),
                       end - start == 1 ? QString::number(start + 1)
                                        : QStringLiteral("%1-%2").arg(start + 1).arg(end));
        start = end;
    }

    for (int row = 0; row < m_rows.size(); ++row) {
        const auto it = placeOf.constFind(quint16(m_rows.at(row).result));
        if (it == placeOf.constEnd() || m_rows.at(row).place == *it)
            continue;
        m_rows[row].place = *it;
        notifyRowChanged(row, {PlaceRole});
    }
}

void SessionInfoModel::sortByResult()
{
    sortByResult(QString());
}

void SessionInfoModel::sortByTime(const QString &competName)
{
    Q_UNUSED(competName)

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);

    QList<int> order(m_rows.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [this](int a, int b) { return m_rows.at(a).timer < m_rows.at(b).timer; });

    QList<SessionInfo> sorted;
    sorted.reserve(m_rows.size());
    QList<int> newRowOf(m_rows.size());
    for (int i = 0; i < order.size(); ++i) {
        sorted.append(m_rows.at(order.at(i)));
        newRowOf[order.at(i)] = i;
    }
    m_rows = sorted;

    // Rows starting together share a number; the next start time skips the
    // numbers the shared rows would have taken, so it gets its position + 1.
    quint16 number = 1;
    for (int row = 0; row < m_rows.size(); ++row) {
        if (row > 0 && m_rows.at(row).timer != m_rows.at(row - 1).timer)
            number = quint16(row + 1);
        m_rows[row].timePlace = QString::number(number);
    }

    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex &index : before)
        after.append(this->index(newRowOf.at(index.row()), index.column()));
    changePersistentIndexList(before, after);

    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void SessionInfoModel::sortByTime()
{
    sortByTime(QString());
}

QVariant SessionInfoModel::dataByRole(int i, int role) const
{
    return data(index(i, 0), role);
}

bool SessionInfoModel::isEmpty() const
{
    return m_rows.isEmpty();
}

void SessionInfoModel::append(const SessionInfo &info)
{
    const int row = int(m_rows.size());
    beginInsertRows(QModelIndex(), row, row);
    m_rows.append(info);
    endInsertRows();
}

void SessionInfoModel::computePlaces()
{
    QList<quint16> results;
    QList<double> realResults;
    results.reserve(m_rows.size());
    realResults.reserve(m_rows.size());
    for (const SessionInfo &info : std::as_const(m_rows)) {
        results.append(quint16(info.result));
        realResults.append(realResult(info));
    }

    const QStringList places = placeTexts(results);
    const QStringList realPlaces = placeTexts(realResults);
    for (int row = 0; row < m_rows.size(); ++row) {
        SessionInfo &info = m_rows[row];
        QList<int> roles;
        if (info.place != places.at(row)) {
            info.place = places.at(row);
            roles.append(PlaceRole);
        }
        if (info.placeReal != realPlaces.at(row)) {
            info.placeReal = realPlaces.at(row);
            roles.append(PlaceRealRole);
        }
        if (!roles.isEmpty())
            notifyRowChanged(row, roles);
    }
}

void SessionInfoModel::notifyRowChanged(int row, const QList<int> &roles)
{
    const QModelIndex changed = index(row, 0);
    emit dataChanged(changed, changed, roles);
}

} // namespace LibModel
