#pragma once

#include "shooterrecord.h"

#include <QAbstractListModel>
#include <QList>

namespace LibModel {

// All persons of the catalogue in name order. The storage keeps it in step
// with the database through merge(), so that views keep their current item.
class ShooterModel : public QAbstractListModel
{
    Q_OBJECT

public:
    enum ShooterRoles {
        IdRole = Qt::UserRole + 1,
        NameRole,
        OrganizationRole,
        GroupRole,
        ShootingModeRole
    };
    Q_ENUM(ShooterRoles)

    explicit ShooterModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

    Q_INVOKABLE QVariant dataByRole(int i, int role) const;
    Q_INVOKABLE int count() const;
    Q_INVOKABLE bool isEmpty() const;

    void append(const ShooterRecord &record);
    void insert(int row, const ShooterRecord &record);
    void replace(int row, const ShooterRecord &record);
    // Removes count rows starting at first; out-of-range requests are ignored.
    void removeRecords(int first, int count);
    const QList<ShooterRecord> &records() const { return m_records; }
    // The person of this name, organisation and group, letter case aside;
    // null when there is none.
    const ShooterRecord *find(const QString &name, const QString &organization,
                              const QString &group) const;

    // Brings the rows in line with a fresh query result (in name order),
    // touching only the rows that differ.
    void merge(const QList<ShooterRecord> &records);

private:
    QList<ShooterRecord> m_records;
};

} // namespace LibModel
