// Finished exercises of the program's lanes go through the outbox: stored
// once another connection's write lock is gone, while running or at start.

#include <applicationdata.h>
#include <catalog.h>
#include <exercise.h>
#include <lanerig.h>
#include <sessionbuilder.h>
#include <sessiondelivery.h>
#include <sqlfile.h>
#include <testenvironment.h>

#include <session.h>
#include <sessionoutbox.h>
#include <trace.h>

#include <QFile>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

QVariant stored(const char *statement)
{
    return SqlFile::value(ApplicationData::databasePath(), QLatin1String(statement));
}

// Another connection takes or gives up the database's write lock.
void lock(bool held)
{
    const QString name = QStringLiteral("lock");
    if (held) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(ApplicationData::databasePath());
        QVERIFY(db.open() && QSqlQuery(db).exec(QStringLiteral("BEGIN IMMEDIATE;")));
        return;
    }
    QSqlQuery(QSqlDatabase::database(name)).exec(QStringLiteral("COMMIT;"));
    QSqlDatabase::database(name).close();
    QSqlDatabase::removeDatabase(name);
}

// A one-shot exercise on the facade's first lane, fired to its end.
RangeData *finishExercise(ApplicationData *facade, LaneRig *rig)
{
    RangeData *lane = facade->ranges().first();
    lane->setDeviceSerialNumber(rig->serial());
    LibModel::Session *session = lane->session();
    session->setTargetDescriptor(facade->targetManager()->findByUuid(
            QLatin1String(LibModel::TargetManager::AirRifleUuid)));
    session->setDistance(10.0);
    session->setCaliber(4.5);
    session->setShooter(QStringLiteral("Петров"), QStringLiteral("Динамо"), QString());
    lane->setCalibrationOffset(QPointF(LaneRig::CentreX, LaneRig::CentreY));
    Exercise::Settings settings;
    settings.withTimeLimits = false;
    lane->exercise()->begin(settings);
    lane->setCalibrationMode(false);
    for (int i = 0; i < 3 && lane->phase() != RangeData::NoPhase; ++i)
        rig->shoot();
    return lane->phase() == RangeData::NoPhase ? lane : nullptr;
}

} // namespace

class TestOutboxDelivery : public QObject
{
    Q_OBJECT

private slots:
    void lockedDatabase()
    {
        TestEnvironment::resetUserState();
        LaneRig rig;
        auto facade = std::make_unique<ApplicationData>();
        QSignalSpy delivered(facade.get(), &ApplicationData::sessionsDelivered);
        QVERIFY(delivered.wait(10000)); // what an earlier run left: nothing

        // Filed at once; the lane follows the sensor while the worker waits.
        lock(true);
        RangeData *lane = finishExercise(facade.get(), &rig);
        QVERIFY(lane);
        QCOMPARE(facade->pendingSessions(), 1);
        const QPointF before = lane->aimingPoint();
        rig.pose.x += 20.0;
        rig.frames(10);
        QVERIFY(lane->aimingPoint() != before);
        QVERIFY(delivered.wait(10000));
        QCOMPARE(facade->pendingSessions(), 1);
        QVERIFY(!facade->pendingReason().isEmpty());
        QCOMPARE(stored("SELECT COUNT(*) FROM sessions;").toInt(), 0);

        // Stored on demand once the lock is gone, with the shooter chosen
        // under the lock; stopping afterwards hands nothing over again.
        lock(false);
        facade->deliverPending();
        QVERIFY(delivered.wait(10000));
        QCOMPARE(delivered.last().at(0).toInt(), 1);
        QCOMPARE(facade->pendingSessions(), 0);
        QVERIFY(facade->pendingReason().isEmpty());
        QCOMPARE(stored("SELECT name FROM persons JOIN sessions USING (person_id);"),
                 QVariant(QStringLiteral("Петров")));
        // The catalogue's worker adds the person too: it is made once.
        QTRY_VERIFY(!facade->catalog()->busy());
        QCOMPARE(stored("SELECT COUNT(*) FROM persons;").toInt(), 1);
        lane->exercise()->stopAndKeep();
        QCOMPARE(facade->pendingSessions(), 0);

        // The program ends while a session waits; the next start stores it
        // (damaged files: tst_outbox).
        lock(true);
        QVERIFY(finishExercise(facade.get(), &rig));
        QCOMPARE(facade->pendingSessions(), 1);
        facade.reset();
        lock(false);
        facade = std::make_unique<ApplicationData>();
        QCOMPARE(facade->pendingSessions(), 1);
        QSignalSpy atStart(facade.get(), &ApplicationData::sessionsDelivered);
        QVERIFY(atStart.wait(10000));
        QCOMPARE(atStart.first(), QVariantList({1, 0, 0}));
        QCOMPARE(facade->pendingSessions(), 0);
        QCOMPARE(stored("SELECT COUNT(*) FROM sessions;").toInt(), 2);
    }

    void heldWhileTheOutboxCannotBeMade()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("held.sqlite"));
        // A file where the outbox folder belongs: nothing can be filed.
        QFile blocker(LibModel::SessionOutbox::folderFor(path));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        SessionDelivery delivery(path);
        QSignalSpy finished(&delivery, &SessionDelivery::finished);
        QVERIFY(finished.wait(10000));

        for (const QString &name : {QStringLiteral("Первый"), QStringLiteral("Второй")})
            delivery.submit(*SessionBuilder().shooter(name).shots({{0.1, 0}}).take());
        QCOMPARE(delivery.pending(), 2);
        QTRY_VERIFY(!delivery.reason().isEmpty());
        QCOMPARE(delivery.pending(), 2);
        QTRY_COMPARE(delivery.unfiled(), 2); // what the quit dialog warns will be lost

        // Filed and stored in the order they were finished once the way is free.
        QVERIFY(blocker.remove());
        delivery.deliverPending();
        QTRY_COMPARE(delivery.pending(), 0);
        QCOMPARE(delivery.unfiled(), 0);
        QCOMPARE(SqlFile::value(path,
                                QStringLiteral("SELECT GROUP_CONCAT(name) FROM (SELECT p.name FROM "
                                               "sessions JOIN persons p USING (person_id) "
                                               "ORDER BY session_id);"))
                         .toString(),
                 QStringLiteral("Первый,Второй"));
    }
};

KAVRO_TEST_MAIN(TestOutboxDelivery, QGuiApplication)
#include "tst_outboxdelivery.moc"
