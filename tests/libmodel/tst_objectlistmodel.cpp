#include <qqmlobjectlistmodel.h>
#include <targetdescriptor.h>
#include <targetmanager.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

using namespace LibModel;

// An item with a property name that gets no role, and a uid.
class Item : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString key READ key WRITE setKey NOTIFY keyChanged)
    Q_PROPERTY(int index READ index CONSTANT)

public:
    explicit Item(const QString &key = QString(), QObject *parent = nullptr)
        : QObject(parent)
        , m_key(key)
    { }
    QString key() const { return m_key; }
    void setKey(const QString &key)
    {
        m_key = key;
        emit keyChanged();
    }
    int index() const { return 0; }

signals:
    void keyChanged();

private:
    QString m_key;
};

class TestObjectListModel : public QObject
{
    Q_OBJECT

private:
    TargetManager manager;

private slots:
    void rolesComeFromProperties()
    {
        QTest::ignoreMessage(QtWarningMsg,
                             "QQmlObjectListModel: the property \"index\" of Item gets no role");
        QQmlObjectListModel<Item> model(nullptr, QByteArray(), QByteArrayLiteral("key"));
        const QHash<int, QByteArray> roles = model.roleNames();
        QVERIFY(!roles.contains(Qt::DisplayRole)); // no display role named
        QCOMPARE(roles.value(Qt::UserRole), QByteArrayLiteral("qtObject"));
        QVERIFY(model.roleForName("key") > Qt::UserRole);
        QVERIFY(model.roleForName("objectName") > Qt::UserRole);
        QCOMPARE(model.roleForName("index"), -1);
        QCOMPARE(model.roleForName("nothing"), -1);

        auto *item = new Item(QStringLiteral("a"));
        model.append(item);
        const QModelIndex row = model.index(0);
        QCOMPARE(model.data(row, model.roleForName("key")).toString(), QStringLiteral("a"));
        QCOMPARE(model.data(row, Qt::UserRole).value<QObject *>(), item);
        QCOMPARE(model.get(QStringLiteral("a")), item);
        QVERIFY(!model.get(QStringLiteral("b")));
    }

    void emptyAndOutOfRange()
    {
        QQmlObjectListModel<TargetDescriptor> model(nullptr, "name");
        QAbstractItemModelTester tester(&model);
        QVERIFY(model.isEmpty());
        QVERIFY(!model.getFirst());
        QVERIFY(!model.getLast());
        QVERIFY(!model.get(0));
        QVERIFY(!model.get(QStringLiteral("anything"))); // no uid role
        model.append(new TargetDescriptor);
        QVERIFY(!model.get(-1));
        QVERIFY(!model.get(1));
        QVERIFY(model.get(0));
        model.append(static_cast<QObject *>(nullptr));
        model.append(new QObject(&model)); // not a descriptor: ignored
        QCOMPARE(model.count(), 1);
        model.remove(5);
        model.remove(static_cast<QObject *>(nullptr));
        QCOMPARE(model.count(), 1);
    }

    void descriptorChangesBecomeDataChanged()
    {
        TargetDescriptor *rifle = manager.findByUuid(QLatin1String(TargetManager::AirRifleUuid));
        TargetManager::TargetModel *targets = manager.targets();
        QSignalSpy changed(targets, &QAbstractItemModel::dataChanged);

        rifle->set_name(QStringLiteral("№8 new"));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first().at(0).toModelIndex().row(), 0);
        const auto roles = changed.first().at(2).value<QList<int>>();
        QVERIFY(roles.contains(targets->roleForName("name")));
        QVERIFY(roles.contains(Qt::DisplayRole));
        QCOMPARE(targets->data(targets->index(0), Qt::DisplayRole).toString(),
                 QStringLiteral("№8 new"));

        changed.clear();
        rifle->set_comments(QStringLiteral("note"));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.first().at(2).value<QList<int>>(),
                 QList<int>({targets->roleForName("comments")}));
        rifle->set_name(QStringLiteral("№8"));
        rifle->reset_comments();
    }

    void elementTypeChangeAlsoChangesTypeName()
    {
        TargetDescriptor descriptor;
        auto *element = new TargetElement;
        descriptor.elements()->append(element);
        QSignalSpy changed(descriptor.elements(), &QAbstractItemModel::dataChanged);
        element->set_type(TargetElement::Polygon);
        QCOMPARE(changed.count(), 1);
        const auto roles = changed.first().at(2).value<QList<int>>();
        QVERIFY(roles.contains(descriptor.elements()->roleForName("type")));
        QVERIFY(roles.contains(descriptor.elements()->roleForName("typeName")));
        QVERIFY(roles.contains(Qt::DisplayRole));
    }

    void sameItemTwiceConnectsOnce()
    {
        QQmlObjectListModel<TargetDescriptor> model(nullptr, "name");
        auto *descriptor = new TargetDescriptor;
        model.append(descriptor);
        model.append(descriptor);
        QCOMPARE(model.count(), 2);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        descriptor->set_name(QStringLiteral("x"));
        QCOMPARE(changed.count(), 1);

        // Removing one row keeps the item and its connection for the other.
        model.remove(0);
        QCOMPARE(model.count(), 1);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(model.get(0), descriptor);
        descriptor->set_name(QStringLiteral("y"));
        QCOMPARE(changed.count(), 2);
    }

    void adoptedItemsAreDeletedOnRemoval()
    {
        QQmlObjectListModel<Item> model(nullptr, QByteArray(), QByteArrayLiteral("key"));
        QObject owner;
        QPointer<Item> adopted = new Item(QStringLiteral("a"));
        QPointer<Item> kept = new Item(QStringLiteral("b"), &owner);
        model.append(adopted.data());
        model.prepend(kept.data());
        QCOMPARE(adopted->parent(), &model);
        QCOMPARE(kept->parent(), &owner);
        QCOMPARE(model.indexOf(adopted), 1);

        QSignalSpy count(&model, &QQmlObjectListModelBase::countChanged);
        model.clear();
        QCOMPARE(count.count(), 1);
        QVERIFY(model.isEmpty());
        QVERIFY(!model.get(QStringLiteral("a")));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!adopted);
        QVERIFY(kept);
        // A removed item no longer reaches the model.
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        kept->setKey(QStringLiteral("c"));
        QCOMPARE(changed.count(), 0);
    }

    void itemDestroyedElsewhereReadsNull()
    {
        QQmlObjectListModel<Item> model;
        QObject owner;
        auto *item = new Item(QStringLiteral("a"), &owner);
        model.append(item);
        delete item;
        QCOMPARE(model.count(), 1);
        QVERIFY(!model.get(0));
        QVERIFY(!model.data(model.index(0), Qt::UserRole).isValid());
        QCOMPARE(model.toVarArray().size(), 1);
    }

    void moveAndInsertKeepTheModelConsistent()
    {
        QQmlObjectListModel<Item> model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        for (const char *key : {"a", "b", "c", "d"})
            model.append(new Item(QString::fromLatin1(key)));
        model.insert(99, new Item(QStringLiteral("e"))); // clamped to the end
        model.insert(-3, new Item(QStringLiteral("z"))); // clamped to the front
        const auto keys = [&] {
            QString joined;
            for (int i = 0; i < model.count(); ++i)
                joined += qobject_cast<Item *>(model.get(i))->key();
            return joined;
        };
        QCOMPARE(keys(), QStringLiteral("zabcde"));
        model.move(0, 5);
        QCOMPARE(keys(), QStringLiteral("abcdez"));
        model.move(4, 1);
        QCOMPARE(keys(), QStringLiteral("aebcdz"));
        model.move(0, 6); // out of range: nothing
        QCOMPARE(keys(), QStringLiteral("aebcdz"));
        model.remove(model.get(2));
        QCOMPARE(keys(), QStringLiteral("aecdz"));
        QCOMPARE(qobject_cast<Item *>(model.getLast())->key(), QStringLiteral("z"));
    }
};

QTEST_GUILESS_MAIN(TestObjectListModel)
#include "tst_objectlistmodel.moc"
