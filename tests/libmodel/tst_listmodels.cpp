// The list models of sessions and persons: competition places, the
// shooting mode and merging a new person list. (The filtering proxy: the lane
// screens' shooter list.)
#include <sessioninfomodel.h>
#include <shootermodel.h>

#include <QAbstractItemModelTester>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

using namespace LibModel;

namespace {

ShooterRecord person(qint64 id, const QString &name, const QString &organization = QString())
{
    ShooterRecord record;
    record.id = id;
    record.name = name;
    record.organization = organization;
    return record;
}

// Persons from "1A 2B": each an id and a name.
QList<ShooterRecord> people(const char *text)
{
    QList<ShooterRecord> records;
    static const QRegularExpression entry(QStringLiteral("(\\d+)(\\S+)"));
    for (auto it = entry.globalMatch(QString::fromLatin1(text)); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        records << person(match.captured(1).toLongLong(), match.captured(2));
    }
    return records;
}

SessionInfo session(uint id, int result, const QVariant &resultReal = QVariant())
{
    SessionInfo info;
    info.id = id;
    info.result = result;
    if (resultReal.isValid())
        info.properties.insert(QStringLiteral("resultReal"), resultReal);
    return info;
}

QStringList column(const SessionInfoModel &model, int role)
{
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row)
        texts.append(model.dataByRole(row, role).toString());
    return texts;
}

} // namespace

class TestListModels : public QObject
{
    Q_OBJECT

private slots:
    void competitionPlaces_data()
    {
        QTest::addColumn<QList<int>>("results");
        QTest::addColumn<QVariantList>("realResults");
        QTest::addColumn<QStringList>("places");
        QTest::addColumn<QStringList>("realPlaces");

        const QVariant none;
        QTest::newRow("ties") << QList<int> {93, 95, 90, 93} << QVariantList {9.3, 9.5, 9.0, 9.3}
                              << QStringList {"2 - 3", "1", "4", "2 - 3"}
                              << QStringList {"2 - 3", "1", "4", "2 - 3"};
        // Absent real results count as 0; real ties are exact equality.
        QTest::newRow("real ranking")
                << QList<int> {10, 10, 10, 10} << QVariantList {9.5, none, 9.25, 9.5}
                << QStringList {"1 - 4", "1 - 4", "1 - 4", "1 - 4"}
                << QStringList {"1 - 2", "4", "3", "1 - 2"};
        // -1 is 65535 and 65636 is 100 once truncated to 16 bits.
        QTest::newRow("16-bit results")
                << QList<int> {100, -1, 65636, 5000, 70000}
                << QVariantList {none, none, none, none, none}
                << QStringList {"4 - 5", "1", "4 - 5", "2", "3"} << QStringList(5, "1 - 5");
    }

    void competitionPlaces()
    {
        QFETCH(QList<int>, results);
        QFETCH(QVariantList, realResults);
        QFETCH(QStringList, places);
        QFETCH(QStringList, realPlaces);

        SessionInfoModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        for (int i = 0; i < results.size(); ++i)
            model.append(session(uint(i + 1), results.at(i), realResults.at(i)));

        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        model.computePlaces();
        QCOMPARE(column(model, SessionInfoModel::PlaceRole), places);
        QCOMPARE(column(model, SessionInfoModel::PlaceRealRole), realPlaces);
        QCOMPARE(changed.count(), results.size());

        // Nothing changes on a second run, so nothing is announced.
        changed.clear();
        model.computePlaces();
        QCOMPARE(changed.count(), 0);
    }

    void shootingMode()
    {
        // Persons with a step from 4 to 15 (also as text) shoot the norms.
        const std::pair<QVariant, const char *> cases[]
                = {{4, "isGto"},    {15.0, "isGto"},       {"7", "isGto"},  {3.9, "noGto"},
                   {15.5, "noGto"}, {QVariant(), "noGto"}, {"abc", "noGto"}};
        for (const auto &[step, mode] : cases) {
            ShooterRecord record = person(1, "A");
            if (step.isValid())
                record.properties.insert(QStringLiteral("step"), step);
            ShooterModel model;
            model.append(record);
            QCOMPARE(model.dataByRole(0, ShooterModel::ShootingModeRole).toString(), mode);
        }
    }

    void merge_data()
    {
        QTest::addColumn<QList<ShooterRecord>>("after");
        QTest::addColumn<int>("inserted");
        QTest::addColumn<int>("removed");
        QTest::addColumn<int>("changed");
        // From 1A 2B 3C 4D (id and name).
        QTest::newRow("unchanged") << people("1A 2B 3C 4D") << 0 << 0 << 0;
        QTest::newRow("renamed") << people("1A 2Bb 3C 4D") << 0 << 0 << 1;
        QTest::newRow("new in the middle") << people("1A 2B 9Bz 3C 4D") << 1 << 0 << 0;
        QTest::newRow("deleted in the middle") << people("1A 3C 4D") << 0 << 1 << 0;
        QTest::newRow("to empty") << people("") << 0 << 1 << 0;
        // A rename that moves A to the end: B and C are moved in front of it.
        QTest::newRow("moved") << people("2B 3C 4D 1Z") << 3 << 3 << 1;
    }

    void merge()
    {
        QFETCH(QList<ShooterRecord>, after);
        QFETCH(int, inserted);
        QFETCH(int, removed);
        QFETCH(int, changed);
        ShooterModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.merge(people("1A 2B 3C 4D"));
        QSignalSpy insertedSpy(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy removedSpy(&model, &QAbstractItemModel::rowsRemoved);
        QSignalSpy changedSpy(&model, &QAbstractItemModel::dataChanged);
        QSignalSpy resetSpy(&model, &QAbstractItemModel::modelReset);
        model.merge(after);
        QCOMPARE(model.records(), after);
        QCOMPARE(insertedSpy.count(), inserted);
        QCOMPARE(removedSpy.count(), removed);
        QCOMPARE(changedSpy.count(), changed);
        QCOMPARE(resetSpy.count(), 0);
        if (changed == 1 && inserted == 0) // the renamed row
            QCOMPARE(changedSpy.at(0).at(0).value<QModelIndex>().row(), 1);
    }

    void mergeKeepsCurrentItemOnInsertAndDelete()
    {
        ShooterModel model;
        model.merge(people("1A 2B 3C"));
        const QPersistentModelIndex current = model.index(2);
        model.merge(people("1A 4Ab 2B 3C"));
        QCOMPARE(current.row(), 3);
        model.merge(people("1A 2B 3C"));
        QCOMPARE(current.row(), 2);
        QCOMPARE(current.data(ShooterModel::IdRole).toLongLong(), 3);
    }
};

QTEST_GUILESS_MAIN(TestListModels)
#include "tst_listmodels.moc"
