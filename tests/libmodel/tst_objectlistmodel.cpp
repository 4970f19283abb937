// The object list model: roles from an item's properties, property changes
// as dataChanged, and ownership of adopted items.
#include <qqmlobjectlistmodel.h>
#include <targetdescriptor.h>
#include <targetelement.h>

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
    void rolesComeFromProperties()
    {
        QQmlObjectListModel<TargetDescriptor> model(nullptr, QByteArray(),
                                                    QByteArrayLiteral("name"));
        TargetDescriptor *a = item("a");
        model.append(a);
        model.append(new QObject(&model)); // not a descriptor: ignored
        QCOMPARE(model.count(), 1);
        QCOMPARE(model.data(model.index(0), model.roleForName("name")).toString(), "a");
        QCOMPARE(model.data(model.index(0), Qt::UserRole).value<QObject *>(), a);
        QCOMPARE(model.get(QStringLiteral("a")), a);
        QVERIFY(!model.get(QStringLiteral("b")) && !model.get(1) && !model.get(-1));
    }

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

        // An element's type change also changes its type name.
        auto *element = new TargetElement;
        descriptor->elements()->append(element);
        QSignalSpy elements(descriptor->elements(), &QAbstractItemModel::dataChanged);
        element->set_type(TargetElement::Polygon);
        QVERIFY(elements.at(0).at(2).value<QList<int>>().contains(
                descriptor->elements()->roleForName("typeName")));
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
