#include "sortfilterproxymodel.h"

namespace LibModel {

SortFilterProxyModel::SortFilterProxyModel(QObject *parent)
    : QSortFilterProxyModel(parent)
{ }

void SortFilterProxyModel::setSourceModel(QAbstractItemModel *model)
{
    QSortFilterProxyModel::setSourceModel(model);
    applyFilterRoleName();
}

void SortFilterProxyModel::setFilterRoleName(const QString &name)
{
    if (name == m_filterRoleName)
        return;
    m_filterRoleName = name;
    applyFilterRoleName();
    emit filterRoleNameChanged();
}

QVariant SortFilterProxyModel::dataByRole(int i, int role) const
{
    return data(index(i, 0), role);
}

int SortFilterProxyModel::count() const
{
    return rowCount();
}

void SortFilterProxyModel::applyFilterRoleName()
{
    if (m_filterRoleName.isEmpty() || !sourceModel())
        return;
    const int role = roleNames().key(m_filterRoleName.toUtf8(), -1);
    if (role != -1)
        setFilterRole(role);
}

} // namespace LibModel
