#include <sessioninfomodel.h>
#include <shootermodel.h>
#include <sortfilterproxymodel.h>

#include <QAbstractItemModelTester>
#include <QDateTime>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QSignalSpy>
#include <QTest>

#include <memory>

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

SessionInfo session(uint id, int result, const QVariant &resultReal = QVariant(),
                    const QString &competition = QString())
{
    SessionInfo info;
    info.id = id;
    info.result = result;
    if (resultReal.isValid())
        info.properties.insert(QStringLiteral("resultReal"), resultReal);
    if (!competition.isEmpty())
        info.properties.insert(QStringLiteral("competitionName"), competition);
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
        QTest::newRow("all equal") << QList<int> {80, 80, 80} << QVariantList {none, none, none}
                                   << QStringList {"1 - 3", "1 - 3", "1 - 3"}
                                   << QStringList {"1 - 3", "1 - 3", "1 - 3"};
        QTest::newRow("single row")
                << QList<int> {50} << QVariantList {none} << QStringList {"1"} << QStringList {"1"};
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

    void sortByResultRanksOneCompetition()
    {
        SessionInfoModel model;
        const QString a = QStringLiteral("Cup A");
        model.append(session(1, 93, {}, a));
        model.append(session(2, 95, {}, a));
        model.append(session(3, 93, {}, a));
        model.append(session(4, 90, {}, a));
        model.append(session(5, 93, {}, QStringLiteral("Cup B")));
        model.append(session(6, 50, {}, QStringLiteral("Cup B")));

        model.sortByResult(a);
        // Rows keep their order; a row of another competition with a ranked
        // result takes that result's place, others stay untouched.
        QCOMPARE(column(model, SessionInfoModel::IdRole),
                 QStringList({"1", "2", "3", "4", "5", "6"}));
        QCOMPARE(column(model, SessionInfoModel::PlaceRole),
                 QStringList({"2-3", "1", "2-3", "4", "2-3", ""}));

        // Without a name only rows without a competition name are ranked.
        SessionInfoModel unnamed;
        unnamed.append(session(1, 7));
        unnamed.append(session(2, 9));
        unnamed.append(session(3, 9, {}, a));
        unnamed.sortByResult();
        QCOMPARE(column(unnamed, SessionInfoModel::PlaceRole), QStringList({"2", "1", "1"}));
    }

    void sortByTimeOrdersAndNumbersRows()
    {
        SessionInfoModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        const QList<qint64> timers {300, 100, 200, 100, 300};
        for (int i = 0; i < timers.size(); ++i) {
            SessionInfo info;
            info.id = uint(i + 1);
            info.timer = timers.at(i);
            model.append(info);
        }
        const QPersistentModelIndex third = model.index(2); // id 3, starts at 200

        model.sortByTime();
        QCOMPARE(column(model, SessionInfoModel::TimerRole),
                 QStringList({"100", "100", "200", "300", "300"}));
        QCOMPARE(column(model, SessionInfoModel::IdRole), QStringList({"2", "4", "3", "1", "5"}));
        QCOMPARE(column(model, SessionInfoModel::TimePlaceRole),
                 QStringList({"1", "1", "3", "4", "4"}));
        QCOMPARE(third.data(SessionInfoModel::IdRole).toUInt(), 3u);
    }

    void sessionRoles()
    {
        SessionInfoModel model;
        QVERIFY(model.isEmpty());
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);

        SessionInfo info = session(7, 42, 10.5, QStringLiteral("Cup"));
        info.timer = QDateTime(QDate(2021, 6, 5), QTime(12, 0)).toMSecsSinceEpoch();
        info.person.name = QStringLiteral("Сидоров");
        info.person.properties.insert(QStringLiteral("step"), QStringLiteral("6"));
        model.append(session(1, 0));
        model.append(info);

        QCOMPARE(inserted.count(), 2);
        QCOMPARE(inserted.at(1).at(1).toInt(), 1);
        QCOMPARE(inserted.at(1).at(2).toInt(), 1);
        QVERIFY(!model.isEmpty());

        QCOMPARE(model.dataByRole(1, SessionInfoModel::YearRole).toInt(), 2021);
        QCOMPARE(model.dataByRole(1, SessionInfoModel::ShooterNameRole).toString(), "Сидоров");
        QCOMPARE(model.dataByRole(1, SessionInfoModel::StepRole).toDouble(), 6.0);
        QCOMPARE(model.dataByRole(1, SessionInfoModel::ResultRealRole).toDouble(), 10.5);
        QCOMPARE(model.dataByRole(1, SessionInfoModel::CompetitionNameRole).toString(), "Cup");

        // Absent values: step reads as 0, the stored variants stay invalid.
        QCOMPARE(model.dataByRole(0, SessionInfoModel::StepRole).toDouble(), 0.0);
        QVERIFY(!model.dataByRole(0, SessionInfoModel::ResultRealRole).isValid());
        QVERIFY(!model.dataByRole(0, SessionInfoModel::CompetitionNameRole).isValid());

        const QHash<int, QByteArray> names = model.roleNames();
        QCOMPARE(names.size(), 23);
        QCOMPARE(names.value(257), "id");
        QCOMPARE(names.value(266), "step");
        QCOMPARE(names.value(279), "placeReal");
    }

    void dataByRoleOutOfRange()
    {
        SessionInfoModel sessions;
        sessions.append(session(1, 10));
        ShooterModel shooters;
        shooters.append(person(1, "A"));

        for (int row : {-1, 1}) {
            QVERIFY(!sessions.dataByRole(row, SessionInfoModel::IdRole).isValid());
            QVERIFY(!shooters.dataByRole(row, ShooterModel::NameRole).isValid());
        }
        QVERIFY(!sessions.dataByRole(0, Qt::DisplayRole).isValid());
        QVERIFY(!shooters.dataByRole(0, ShooterModel::ShootingModeRole + 1).isValid());
    }

    void shootingMode_data()
    {
        QTest::addColumn<QVariant>("step");
        QTest::addColumn<QString>("mode");

        QTest::newRow("lowest") << QVariant(4) << "isGto";
        QTest::newRow("highest") << QVariant(15.0) << "isGto";
        QTest::newRow("as text") << QVariant("7") << "isGto";
        QTest::newRow("below") << QVariant(3.9) << "noGto";
        QTest::newRow("above") << QVariant(15.5) << "noGto";
        QTest::newRow("missing") << QVariant() << "noGto";
        QTest::newRow("not a number") << QVariant("abc") << "noGto";
    }

    void shootingMode()
    {
        QFETCH(QVariant, step);
        QFETCH(QString, mode);

        ShooterRecord record = person(1, "A");
        if (step.isValid())
            record.properties.insert(QStringLiteral("step"), step);
        ShooterModel model;
        model.append(record);
        QCOMPARE(model.dataByRole(0, ShooterModel::ShootingModeRole).toString(), mode);
        QCOMPARE(model.roleNames().value(ShooterModel::ShootingModeRole), "step");
    }

    void merge_data()
    {
        QTest::addColumn<QList<ShooterRecord>>("before");
        QTest::addColumn<QList<ShooterRecord>>("after");
        QTest::addColumn<int>("inserted");
        QTest::addColumn<int>("removed");
        QTest::addColumn<int>("changed");

        const QList<ShooterRecord> abcd {person(1, "A"), person(2, "B"), person(3, "C"),
                                         person(4, "D")};
        QTest::newRow("unchanged") << abcd << abcd << 0 << 0 << 0;
        QTest::newRow("renamed") << abcd
                                 << QList<ShooterRecord> {abcd[0], person(2, "Bb"), abcd[2],
                                                          abcd[3]}
                                 << 0 << 0 << 1;
        QTest::newRow("new in the middle")
                << abcd
                << QList<ShooterRecord> {abcd[0], abcd[1], person(9, "Bz"), abcd[2], abcd[3]} << 1
                << 0 << 0;
        QTest::newRow("deleted in the middle")
                << abcd << QList<ShooterRecord> {abcd[0], abcd[2], abcd[3]} << 0 << 1 << 0;
        QTest::newRow("deleted at the end") << abcd << abcd.mid(0, 3) << 0 << 1 << 0;
        QTest::newRow("to empty") << abcd << QList<ShooterRecord>() << 0 << 1 << 0;
        // A rename that moves A to the end: B and C are moved in front of it.
        QTest::newRow("moved") << abcd
                               << QList<ShooterRecord> {abcd[1], abcd[2], abcd[3], person(1, "Z")}
                               << 3 << 3 << 1;
    }

    void merge()
    {
        QFETCH(QList<ShooterRecord>, before);
        QFETCH(QList<ShooterRecord>, after);
        QFETCH(int, inserted);
        QFETCH(int, removed);
        QFETCH(int, changed);

        ShooterModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.merge(before);
        QCOMPARE(model.records(), before);

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
        model.merge({person(1, "A"), person(2, "B"), person(3, "C")});
        const QPersistentModelIndex current = model.index(2);

        model.merge({person(1, "A"), person(4, "Ab"), person(2, "B"), person(3, "C")});
        QCOMPARE(current.row(), 3);
        model.merge({person(1, "A"), person(2, "B"), person(3, "C")});
        QCOMPARE(current.row(), 2);
        QCOMPARE(current.data(ShooterModel::IdRole).toLongLong(), 3);
    }

    void proxyFiltersNamesIgnoringCase()
    {
        ShooterModel shooters;
        shooters.merge({person(1, "Иванов Иван", "Динамо"), person(2, "ИВАНОВА Мария", "Спартак"),
                        person(3, "Петров Пётр", "Динамо")});

        SortFilterProxyModel byName;
        byName.setFilterRoleName(QStringLiteral("name")); // before the source model
        byName.setSourceModel(&shooters);
        QAbstractItemModelTester tester(&byName,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(byName.filterRole(), int(ShooterModel::NameRole));
        byName.setFilterCaseSensitivity(Qt::CaseInsensitive);
        byName.setFilterFixedString(QStringLiteral("иванов"));
        QCOMPARE(byName.count(), 2);
        QCOMPARE(byName.dataByRole(1, ShooterModel::NameRole).toString(), "ИВАНОВА Мария");
        QVERIFY(!byName.dataByRole(2, ShooterModel::NameRole).isValid());

        // Stacked on an organization filter, and following source changes.
        SortFilterProxyModel byOrganization;
        byOrganization.setSourceModel(&shooters);
        byOrganization.setFilterRoleName(QStringLiteral("organization"));
        byOrganization.setFilterFixedString(QStringLiteral("Динамо"));
        byName.setSourceModel(&byOrganization);
        QCOMPARE(byName.count(), 1);
        shooters.insert(1, person(5, "Иванова Анна", "Динамо"));
        QCOMPARE(byName.count(), 2);

        byName.setFilterCaseSensitivity(Qt::CaseSensitive);
        QCOMPARE(byName.count(), 0);
    }

    void proxyFromQml()
    {
        ShooterModel shooters;
        shooters.merge({person(1, "Иванов"), person(2, "Петров")});
        qmlRegisterType<SortFilterProxyModel>("ListModelsTest", 1, 0, "SortFilterProxy");

        QQmlEngine engine;
        engine.rootContext()->setContextProperty(QStringLiteral("shooters"), &shooters);
        QQmlComponent component(&engine);
        component.setData("import QtQml\n"
                          "import ListModelsTest 1.0\n"
                          "SortFilterProxy {\n"
                          "  filterRoleName: 'name'\n"
                          "  filterCaseSensitivity: Qt.CaseInsensitive\n"
                          "  sourceModel: shooters\n"
                          "  Component.onCompleted: setFilterFixedString('ПЕТ')\n"
                          "}\n",
                          QUrl());
        std::unique_ptr<QObject> object(component.create());
        QVERIFY2(object, qPrintable(component.errorString()));
        auto *proxy = qobject_cast<SortFilterProxyModel *>(object.get());
        QVERIFY(proxy);
        QCOMPARE(proxy->sourceModel(), &shooters);
        QCOMPARE(proxy->count(), 1);
        QCOMPARE(proxy->dataByRole(0, ShooterModel::IdRole).toLongLong(), 2);
    }
};

QTEST_GUILESS_MAIN(TestListModels)
#include "tst_listmodels.moc"
