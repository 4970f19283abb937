#include "shootermodel.h"

#include <QSet>

namespace LibModel {

ShooterModel::ShooterModel(QObject *parent)
    : QAbstractListModel(parent)
{ }

int ShooterModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_records.size());
}

QVariant ShooterModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() < 0 || index.row() >= m_records.size())
        return QVariant();

    const ShooterRecord &record = m_records.at(index.row());
    switch (role) {
    case IdRole:
        return record.id;
    case NameRole:
        return record.name;
    case OrganizationRole:
        return record.organization;
    case GroupRole:
        return record.group;
    case ShootingModeRole: {
        // Persons with a fitness-test step in 4..15 shoot in that mode.
        bool ok = false;
        const double step = record.properties.value(QStringLiteral("step")).toDouble(&ok);
        return ok && step >= 4.0 && step <= 15.0 ? QStringLiteral("isGto")
                                                 : QStringLiteral("noGto");
    }
    default:
        return QVariant();
    }
}

QHash<int, QByteArray> ShooterModel::roleNames() const
{
    return {
            {IdRole, "id"},       {NameRole, "name"},         {OrganizationRole, "organization"},
            {GroupRole, "group"}, {ShootingModeRole, "step"},
    };
}

QVariant ShooterModel::dataByRole(int i, int role) const
{
    return data(index(i, 0), role);
}

int ShooterModel::count() const
{
    return int(m_records.size());
}

bool ShooterModel::isEmpty() const
{
    return m_records.isEmpty();
}

void ShooterModel::append(const ShooterRecord &record)
{
    insert(int(m_records.size()), record);
}

void ShooterModel::insert(int row, const ShooterRecord &record)
{
    row = qBound(0, row, int(m_records.size()));
    beginInsertRows(QModelIndex(), row, row);
    m_records.insert(row, record);
    endInsertRows();
}

void ShooterModel::replace(int row, const ShooterRecord &record)
{
    if (row < 0 || row >= m_records.size())
        return;
    m_records[row] = record;
    const QModelIndex changed = index(row, 0);
    emit dataChanged(changed, changed);
}

void ShooterModel::removeRecords(int first, int count)
{
    if (first < 0 || count <= 0 || first + count > m_records.size())
        return;
    beginRemoveRows(QModelIndex(), first, first + count - 1);
    m_records.remove(first, count);
    endRemoveRows();
}

void ShooterModel::merge(const QList<ShooterRecord> &records)
{
    QSet<qint64> ids;
    for (const ShooterRecord &record : records)
        ids.insert(record.id);

    for (int i = 0; i < records.size(); ++i) {
        const ShooterRecord &record = records.at(i);

        // A person who is gone is dropped where they stand; otherwise every
        // row after it would be moved up one by one and removed at the end.
        while (i < m_records.size() && !ids.contains(m_records.at(i).id))
            removeRecords(i, 1);

        if (i >= m_records.size()) {
            append(record);
            continue;
        }
        if (m_records.at(i).id == record.id) {
            if (m_records.at(i) != record)
                replace(i, record);
            continue;
        }
        for (int j = i + 1; j < m_records.size(); ++j) {
            if (m_records.at(j).id == record.id) {
                removeRecords(j, 1);
                break;
            }
        }
        insert(i, record);
    }

    if (m_records.size() > records.size())
        removeRecords(int(records.size()), int(m_records.size() - records.size()));
}

const ShooterRecord *ShooterModel::find(const QString &name, const QString &organization,
                                        const QString &group) const
{
    const auto same = [](const QString &a, const QString &b) {
        return a.compare(b, Qt::CaseInsensitive) == 0;
    };
    for (const ShooterRecord &record : m_records) {
        if (same(record.name, name) && same(record.organization, organization)
            && same(record.group, group))
            return &record;
    }
    return nullptr;
}

} // namespace LibModel
