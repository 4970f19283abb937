#include <shooterrecord.h>

#include <QTest>

using LibModel::ShooterRecord;

class TestShooterRecord : public QObject
{
    Q_OBJECT

private slots:
    void settersSimplifyWhitespaceAndMarkDirty()
    {
        ShooterRecord record;
        QVERIFY(!record.isDirty);
        record.setName(QStringLiteral("  Иванов \t Иван\n"));
        QCOMPARE(record.name, QStringLiteral("Иванов Иван"));
        QVERIFY(record.isDirty);

        record.isDirty = false;
        record.setOrganization(QStringLiteral("ДОСААФ   Москва"));
        QCOMPARE(record.organization, QStringLiteral("ДОСААФ Москва"));
        QVERIFY(record.isDirty);

        // Setting the same text still marks the record dirty.
        record.isDirty = false;
        record.setGroup(QStringLiteral("A"));
        record.isDirty = false;
        record.setGroup(QStringLiteral(" A "));
        QCOMPARE(record.group, QStringLiteral("A"));
        QVERIFY(record.isDirty);

        record.isDirty = false;
        record.setProperties({{QStringLiteral("sex"), 1}});
        QVERIFY(record.isDirty);
    }

    void equalityComparesEveryField()
    {
        ShooterRecord a;
        a.id = 7;
        a.setName(QStringLiteral("Петров"));
        ShooterRecord b = a;
        QCOMPARE(a, b);
        b.isDirty = false;
        QVERIFY(a != b);
        b = a;
        b.properties.insert(QStringLiteral("step"), 5);
        QVERIFY(a != b);
        b = a;
        b.id = 8;
        QVERIFY(a != b);
    }
};

QTEST_GUILESS_MAIN(TestShooterRecord)
#include "tst_shooterrecord.moc"
