#pragma once

#include "qqmlobjectlistmodelbase.h"

#include <QHash>
#include <QList>
#include <QMetaMethod>
#include <QMetaProperty>
#include <QPointer>
#include <QVector>

// A list of T (a QObject subclass) as a QAbstractListModel. Roles: "display"
// (the property named as display role, when one is named), "qtObject" (the
// item itself) and one role per property of T. A property change of an item
// becomes dataChanged for its row and role. Items without a parent are adopted
// and deleted (deferred) when removed; items that have a parent stay with it.
template<class T>
class QQmlObjectListModel : public QQmlObjectListModelBase
{
public:
    explicit QQmlObjectListModel(QObject *parent = nullptr,
                                 const QByteArray &displayRole = QByteArray(),
                                 const QByteArray &uidRole = QByteArray())
        : QQmlObjectListModelBase(parent)
        , m_displayRoleName(displayRole)
        , m_uidRoleName(uidRole)
    {
        static const QByteArray reserved[] = {"id", "index", "class", "model", "modelData"};
        if (!displayRole.isEmpty())
            m_roles.insert(Qt::DisplayRole, QByteArrayLiteral("display"));
        m_roles.insert(Qt::UserRole, QByteArrayLiteral("qtObject"));

        const QMetaObject &meta = T::staticMetaObject;
        int nextRole = Qt::UserRole + 1;
        for (int i = 0; i < meta.propertyCount(); ++i) {
            const QMetaProperty property = meta.property(i);
            const QByteArray name = property.name();
            if (std::find(std::begin(reserved), std::end(reserved), name) != std::end(reserved)) {
                qWarning("QQmlObjectListModel: the property \"%s\" of %s gets no role",
                         name.constData(), meta.className());
                continue;
            }
            const int role = nextRole++;
            m_roles.insert(role, name);
            if (property.hasNotifySignal())
                m_signalRoles[property.notifySignalIndex()].append(role);
        }
        const int slotIndex = metaObject()->indexOfSlot("onItemPropertyChanged()");
        m_handler = metaObject()->method(slotIndex);
    }

    ~QQmlObjectListModel() override
    {
        for (const QPointer<T> &item : std::as_const(m_items)) {
            if (item)
                disconnect(item, nullptr, this, nullptr);
        }
    }

    // Typed access for C++ callers.
    T *at(int idx) const
    {
        return idx >= 0 && idx < m_items.size() ? m_items.at(idx).data() : nullptr;
    }
    const QList<QPointer<T>> &items() const { return m_items; }
    void append(T *item) { insertItem(m_items.size(), item); }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : int(m_items.size());
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        T *item = at(index.row());
        if (!index.isValid() || !item)
            return QVariant();
        if (role == Qt::DisplayRole)
            return m_displayRoleName.isEmpty() ? QVariant()
                                               : item->property(m_displayRoleName.constData());
        if (role == Qt::UserRole)
            return QVariant::fromValue(static_cast<QObject *>(item));
        const auto name = m_roles.constFind(role);
        return name == m_roles.cend() ? QVariant() : item->property(name->constData());
    }

    QHash<int, QByteArray> roleNames() const override { return m_roles; }

    int size() const override { return int(m_items.size()); }
    int count() const override { return int(m_items.size()); }
    bool isEmpty() const override { return m_items.isEmpty(); }
    bool contains(QObject *item) const override { return indexOf(item) >= 0; }

    int indexOf(QObject *item) const override
    {
        if (!item)
            return -1;
        for (int i = 0; i < m_items.size(); ++i) {
            if (m_items.at(i).data() == item)
                return i;
        }
        return -1;
    }

    int roleForName(const QByteArray &name) const override
    {
        for (auto it = m_roles.cbegin(); it != m_roles.cend(); ++it) {
            if (it.value() == name)
                return it.key();
        }
        return -1;
    }

    void clear() override
    {
        if (m_items.isEmpty())
            return;
        beginRemoveRows(QModelIndex(), 0, int(m_items.size()) - 1);
        const QList<QPointer<T>> removed = m_items;
        m_items.clear();
        for (const QPointer<T> &item : removed)
            dereferenceItem(item);
        updateCount();
        endRemoveRows();
    }

    void append(QObject *item) override { insertItem(m_items.size(), qobject_cast<T *>(item)); }
    void prepend(QObject *item) override { insertItem(0, qobject_cast<T *>(item)); }

    void insert(int idx, QObject *item) override
    {
        insertItem(qBound(0, idx, int(m_items.size())), qobject_cast<T *>(item));
    }

    void move(int idx, int pos) override
    {
        const int n = int(m_items.size());
        if (idx < 0 || idx >= n || pos < 0 || pos >= n || idx == pos)
            return;
        // Qt's move notification names the row before which the item lands.
        beginMoveRows(QModelIndex(), idx, idx, QModelIndex(), pos > idx ? pos + 1 : pos);
        m_items.move(idx, pos);
        endMoveRows();
    }

    void remove(QObject *item) override { remove(indexOf(item)); }

    void remove(int idx) override
    {
        if (idx < 0 || idx >= m_items.size())
            return;
        beginRemoveRows(QModelIndex(), idx, idx);
        const QPointer<T> item = m_items.takeAt(idx);
        dereferenceItem(item);
        updateCount();
        endRemoveRows();
    }

    QObject *get(int idx) const override { return at(idx); }

    QObject *get(const QString &uid) const override
    {
        return m_uidRoleName.isEmpty() ? nullptr : m_byUid.value(uid).data();
    }

    QObject *getFirst() const override { return at(0); }
    QObject *getLast() const override { return at(int(m_items.size()) - 1); }

    QVariantList toVarArray() const override
    {
        QVariantList list;
        list.reserve(m_items.size());
        for (const QPointer<T> &item : m_items)
            list.append(QVariant::fromValue(static_cast<QObject *>(item.data())));
        return list;
    }

protected:
    void onItemPropertyChanged() override
    {
        const int row = indexOf(sender());
        const auto roles = m_signalRoles.constFind(senderSignalIndex());
        if (row < 0 || roles == m_signalRoles.cend())
            return;
        QVector<int> changed = *roles;
        if (!m_displayRoleName.isEmpty()) {
            for (int role : *roles) {
                if (m_roles.value(role) == m_displayRoleName) {
                    changed.append(Qt::DisplayRole);
                    break;
                }
            }
        }
        const QModelIndex index = QAbstractListModel::index(row);
        emit dataChanged(index, index, changed);
    }

private:
    void insertItem(int row, T *item)
    {
        if (!item)
            return;
        beginInsertRows(QModelIndex(), row, row);
        m_items.insert(row, QPointer<T>(item));
        referenceItem(item);
        updateCount();
        endInsertRows();
    }

    void referenceItem(T *item)
    {
        if (!item->parent())
            item->setParent(this);
        const QMetaObject *meta = item->metaObject();
        for (auto it = m_signalRoles.cbegin(); it != m_signalRoles.cend(); ++it)
            connect(item, meta->method(it.key()), this, m_handler, Qt::UniqueConnection);
        const QString uid = uidOf(item);
        if (!uid.isEmpty())
            m_byUid.insert(uid, item);
    }

    void dereferenceItem(const QPointer<T> &item)
    {
        // The same item may sit in several rows; only its last row lets go.
        if (!item || indexOf(item) >= 0)
            return;
        disconnect(item, nullptr, this, nullptr);
        disconnect(this, nullptr, item, nullptr);
        const QString uid = uidOf(item);
        if (!uid.isEmpty() && m_byUid.value(uid) == item)
            m_byUid.remove(uid);
        if (item->parent() == this)
            item->deleteLater();
    }

    QString uidOf(T *item) const
    {
        return m_uidRoleName.isEmpty() ? QString()
                                       : item->property(m_uidRoleName.constData()).toString();
    }

    void updateCount()
    {
        if (m_count != m_items.size()) {
            m_count = int(m_items.size());
            emit countChanged();
        }
    }

    QList<QPointer<T>> m_items;
    int m_count = 0;
    QByteArray m_displayRoleName;
    QByteArray m_uidRoleName;
    QHash<int, QByteArray> m_roles;
    QHash<int, QVector<int>> m_signalRoles; // notify signal index -> roles
    QHash<QString, QPointer<T>> m_byUid;
    QMetaMethod m_handler;
};
