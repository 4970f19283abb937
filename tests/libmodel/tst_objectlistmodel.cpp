// The object list model: property changes as dataChanged, and ownership of
// adopted items.
#include <qqmlobjectlistmodel.h>
#include <targetdescriptor.h>

#include <QSignalSpy>
#include <QTest>

using namespace LibModel;

namespace {

TargetDescriptor *item(const char *name, QObject *parent = nullptr)
{
    auto *descriptor = new TargetDescriptor(parent);
    descriptor->set_name(QLatin1String(name));
    return descriptor;
}

} // namespace

class TestObjectListModel : public QObject
{
    Q_OBJECT

private slots:
    void propertyChangesBecomeDataChanged()
    {
        QQmlObjectListModel<TargetDescriptor> model(nullptr, "name");
        auto *descriptor = new TargetDescriptor;
        model.append(descriptor);
        model.append(descriptor); // twice: connected once
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        descriptor->set_name(QStringLiteral("x"));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first().at(0).toModelIndex().row(), 0);
        const auto roles = changed.first().at(2).value<QList<int>>();
        QVERIFY(roles.contains(model.roleForName("name")) && roles.contains(Qt::DisplayRole));
        QCOMPARE(model.data(model.index(0), Qt::DisplayRole).toString(), QStringLiteral("x"));

        // Removing one row keeps the item and its connection for the other.
        model.remove(0);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(model.get(0), descriptor);
        descriptor->set_name(QStringLiteral("y"));
        QCOMPARE(changed.count(), 2);
    }

    void adoptedItemsAreDeletedOnRemoval()
    {
        QQmlObjectListModel<TargetDescriptor> model;
        QObject owner;
        QPointer<TargetDescriptor> adopted = item("a");
        QPointer<TargetDescriptor> kept = item("b", &owner);
        model.append(adopted.data());
        model.prepend(kept.data());
        model.clear();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!adopted);
        QVERIFY(kept);
        // A removed item no longer reaches the model.
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        kept->set_name(QStringLiteral("c"));
        QCOMPARE(changed.count(), 0);

        // An item deleted elsewhere leaves a row that reads null.
        model.append(kept.data());
        delete kept;
        QCOMPARE(model.count(), 1);
        QVERIFY(!model.get(0));
        QVERIFY(!model.data(model.index(0), Qt::UserRole).isValid());
    }
};

QTEST_GUILESS_MAIN(TestObjectListModel)
#include "tst_objectlistmodel.moc"
