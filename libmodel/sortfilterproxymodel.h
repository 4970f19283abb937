#pragma once

#include <QSortFilterProxyModel>

namespace LibModel {

// The filter stacked on the list models in QML. Besides the inherited
// properties it lets QML pick the filter role by its role name.
class SortFilterProxyModel : public QSortFilterProxyModel
{
    Q_OBJECT
    Q_PROPERTY(QString filterRoleName READ filterRoleName WRITE setFilterRoleName NOTIFY
                       filterRoleNameChanged)

public:
    explicit SortFilterProxyModel(QObject *parent = nullptr);

    void setSourceModel(QAbstractItemModel *model) override;

    QString filterRoleName() const { return m_filterRoleName; }
    void setFilterRoleName(const QString &name);

    Q_INVOKABLE QVariant dataByRole(int i, int role) const;
    Q_INVOKABLE int count() const;

signals:
    void filterRoleNameChanged();

private:
    // Resolves the role name against the current source model. QML may set
    // the name before the source model, so a new source model resolves it
    // again.
    void applyFilterRoleName();

    QString m_filterRoleName;
};

} // namespace LibModel
