#include <abstractstorage.h>
#include <serie.h>
#include <session.h>
#include <shot.h>
#include <targetdescriptor.h>
#include <targetmanager.h>
#include <trace.h>

#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <limits>

using namespace LibModel;

namespace {
constexpr float NaNf = std::numeric_limits<float>::quiet_NaN();

TraceSample at(double x, double y, qint32 trigger = -1)
{
    TraceSample sample;
    sample.x = float(x);
    sample.y = float(y);
    sample.z = 0.0f;
    sample.trigger = trigger;
    return sample;
}
} // namespace

// Keeps persons in memory, as the database would.
class MemoryStorage : public AbstractStorage
{
public:
    QList<ShooterRecord> persons;
    bool failCreation = false;
    int writes = 0;

    ShooterRecord findShooter(const QString &name, const QString &organization,
                              const QString &group) override
    {
        for (const ShooterRecord &person : std::as_const(persons)) {
            if (person.name.compare(name, Qt::CaseInsensitive) == 0
                && person.organization.compare(organization, Qt::CaseInsensitive) == 0
                && person.group.compare(group, Qt::CaseInsensitive) == 0)
                return person;
        }
        return ShooterRecord();
    }

    ShooterRecord createShooter(const QString &name, const QString &organization,
                                const QString &group, const QVariantHash &properties) override
    {
        if (failCreation)
            return ShooterRecord();
        ShooterRecord person;
        person.id = persons.size() + 1;
        person.setName(name);
        person.setOrganization(organization);
        person.setGroup(group);
        person.setProperties(properties);
        person.isDirty = false;
        persons.append(person);
        return person;
    }

    bool write(Session *) override
    {
        ++writes;
        return true;
    }
};

class TestSession : public QObject
{
    Q_OBJECT

private:
    TargetManager manager;
    MemoryStorage storage;

    TargetDescriptor *airRifle() const
    {
        return manager.findByUuid(QLatin1String(TargetManager::AirRifleUuid));
    }

    // A session ready to shoot on the air rifle face: 100 samples per second.
    Session *makeSession(QObject *parent, ushort sampleRate = 100)
    {
        auto *session = new Session(&storage, parent);
        session->setTargetDescriptor(airRifle());
        session->setCaliber(4.5);
        session->setDistance(10.0);
        session->setSampleRate(sampleRate);
        return session;
    }

private slots:
    void init() { storage.persons.clear(); }

    void newSession()
    {
        Session session(&storage);
        QCOMPARE(session.uuid().size(), 38);
        QVERIFY(session.uuid().startsWith(QLatin1Char('{')));
        QVERIFY(!session.isValid());
        QVERIFY(session.isEmpty());
        QVERIFY(!session.isDirty());
        QCOMPARE(session.resampleRate(), 1000);
        QCOMPARE(session.timer(), -1);
        QVERIFY(session.name().isNull());
        QVERIFY(!session.organization().isNull() && session.organization().isEmpty());
        QCOMPARE(session.targetUuid(), QString(QLatin1String("")));
        QVERIFY(std::isnan(session.caliber()));
        QCOMPARE(session.step(), 4.0);
        QVERIFY(session.sex());
        QCOMPARE(session.storage(), &storage);
        QVERIFY(session.write());
        QCOMPARE(storage.writes, 1);
    }

    void validityNeedsEverything()
    {
        Session session(&storage);
        QSignalSpy valid(&session, &Session::isValidChanged);
        session.setTargetDescriptor(airRifle());
        session.setCaliber(4.5);
        session.setDistance(10);
        session.setSampleRate(100);
        session.setShooter(QStringLiteral("Иванов"), QStringLiteral("ЦСКА"), QString());
        QVERIFY(!session.isValid()); // no start time yet
        QCOMPARE(valid.count(), 0);
        QVERIFY(session.appendTrace(1700000000000));
        QVERIFY(session.isValid());
        QCOMPARE(valid.count(), 1);
        session.setCaliber(std::numeric_limits<double>::quiet_NaN());
        QVERIFY(!session.isValid());
        QCOMPARE(valid.count(), 2);
        QCOMPARE(session.targetUuid(), QLatin1String(TargetManager::AirRifleUuid));
    }

    void dirtyFlagRules()
    {
        Session session(&storage);
        QSignalSpy dirty(&session, &Session::isDirtyChanged);
        // These do not make the session dirty.
        session.setCompetitionName(QStringLiteral("Кубок"));
        session.setIsGto(true);
        session.setSampleRate(50);
        session.setResampleRate(500);
        session.setFilterCutoff(0.25);
        QVERIFY(!session.isDirty());
        QCOMPARE(dirty.count(), 0);

        session.setComments(QStringLiteral("ветер"));
        QVERIFY(session.isDirty());
        QCOMPARE(dirty.count(), 1);
        session.setPosition(Session::PositionProne); // already dirty: no signal
        QCOMPARE(dirty.count(), 1);

        session.clearDirty();
        QCOMPARE(dirty.count(), 1);
        session.setValue(QStringLiteral("medal"), QStringLiteral("gold"));
        QVERIFY(session.isDirty());
        QCOMPARE(session.medal(), QStringLiteral("gold"));

        session.clearDirty();
        session.setValue(QStringLiteral("medal"), QStringLiteral("gold")); // unchanged
        session.setValue(QStringLiteral("absent"), QVariant()); // nothing to remove
        QVERIFY(!session.isDirty());
        session.setValue(QStringLiteral("medal"), QVariant());
        QVERIFY(session.isDirty());
        QVERIFY(!session.properties().contains(QStringLiteral("medal")));
    }

    void uuidIsReplaceableOnce()
    {
        Session session(&storage);
        QSignalSpy changed(&session, &Session::uuidChanged);
        QVERIFY(!session.setUuid(QStringLiteral("not a uuid")));
        QVERIFY(!session.setUuid(QStringLiteral("{00000000-0000-0000-0000-000000000000}")));
        const QString first = QStringLiteral("{11111111-2222-3333-4444-555555555555}");
        QVERIFY(session.setUuid(first));
        QCOMPARE(session.uuid(), first);
        QVERIFY(session.isDirty());
        QVERIFY(!session.setUuid(QStringLiteral("{66666666-2222-3333-4444-555555555555}")));
        QCOMPARE(session.uuid(), first);
        QCOMPARE(changed.count(), 1);
    }

    void targetChoices()
    {
        Session session(&storage);
        QSignalSpy target(&session, &Session::targetDescriptorChanged);
        session.setTargetUuid(QStringLiteral("garbage"));
        QCOMPARE(target.count(), 0);
        session.setTargetUuid(QLatin1String(TargetManager::ChestFigureUuid));
        QCOMPARE(session.targetDescriptor()->name(), QStringLiteral("№4 грудная"));
        // Catalogue uuids are case-sensitive: an unknown one clears the target.
        session.setTargetUuid(QString::fromLatin1(TargetManager::ChestFigureUuid).toLower());
        QVERIFY(!session.targetDescriptor());
        QCOMPARE(target.count(), 2);

        // The target may change only while the session has no shots.
        session.setTargetDescriptor(airRifle());
        session.setSampleRate(100);
        session.appendTrace(1000)->appendSample(1000, at(1, 1));
        session.segments().first()->appendShot(0, -1, false, 0.0);
        session.setTargetDescriptor(nullptr);
        QCOMPARE(session.targetDescriptor(), airRifle());
    }

    void filterCutoffBounds()
    {
        Session session(&storage);
        session.setSampleRate(100);
        session.appendTrace(1);
        QSignalSpy cutoff(&session, &Session::filterCutoffChanged);
        QSignalSpy segments(&session, &Session::segmentsChanged);
        session.setFilterCutoff(0.04);
        session.setFilterCutoff(0.6);
        QCOMPARE(session.filterCutoff(), 0.5);
        session.setFilterCutoff(0.05);
        QCOMPARE(session.filterCutoff(), 0.05);
        session.setFilterCutoff(0.5);
        QCOMPARE(cutoff.count(), 2);
        QCOMPARE(segments.count(), 2);
    }

    void seriesAreCreatedToFillGaps()
    {
        Session *session = makeSession(this);
        Trace *trace = session->appendTrace(1700000000000);
        trace->appendSample(1700000000000, at(0.1, 0));
        QSignalSpy series(session, &Session::seriesChanged);
        QSignalSpy empty(session, &Session::isEmptyChanged);
        Shot *shot = trace->appendShot(2, 0, false, 0.0);
        QCOMPARE(session->series().size(), 3);
        QVERIFY(session->series().at(0)->shots().isEmpty());
        QVERIFY(session->series().at(1)->shots().isEmpty());
        QCOMPARE(session->series().at(2)->shots(), QList<Shot *>({shot}));
        QCOMPARE(shot->serie(), session->series().at(2));
        QCOMPARE(series.count(), 1);
        QCOMPARE(empty.count(), 1);
        QVERIFY(!session->isEmpty());
        trace->appendShot(1, 0, false, 0.0);
        QCOMPARE(session->series().size(), 3);
        QCOMPARE(series.count(), 1);
        QCOMPARE(session->series().at(1)->previous(), session->series().at(0));
        QVERIFY(!session->series().at(0)->previous());
        QVERIFY(!session->series().at(2)->next());
        delete session;
    }

    void resultsAndIntegerResults()
    {
        Session *session = makeSession(this);
        Trace *trace = session->appendTrace(1700000000000);
        QSignalSpy result(session, &Session::resultChanged);
        trace->appendSample(1700000000000, at(0.1, 0)); // 10.9
        trace->appendSample(1700000000010, at(0, 3.2)); // 9.7
        trace->appendSample(1700000000020, TraceSample()); // no aiming point
        trace->appendShot(0, 0, false, 0.0);
        trace->appendShot(0, 1, false, 0.0);
        QCOMPARE(QString::number(session->result(), 'f', 1), QStringLiteral("20.6"));
        QCOMPARE(session->resultInt(), 19);
        QCOMPARE(result.count(), 2);
        Shot *blind = trace->appendShot(1, 2, true, std::numeric_limits<double>::quiet_NaN());
        QVERIFY(std::isnan(blind->result()));
        QVERIFY(std::isnan(blind->breach().x()));
        QCOMPARE(session->resultInt(), 19);
        QCOMPARE(result.count(), 2);
        QCOMPARE(session->series().at(0)->resultInt(), 19);
        QCOMPARE(session->series().at(1)->result(), 0.0);
        QCOMPARE(session->shots().size(), 3);

        // Without a target a shot has no score.
        Session untargeted(&storage);
        untargeted.setSampleRate(100);
        Trace *other = untargeted.appendTrace(5);
        other->appendSample(5, at(0.1, 0));
        QVERIFY(std::isnan(other->appendShot(0, 0, false, 0.0)->result()));
        QCOMPARE(untargeted.result(), 0.0);
        delete session;
    }

    void shotTimerAndNavigation()
    {
        Session *session = makeSession(this, 50);
        Trace *trace = session->appendTrace(1000000);
        for (int i = 0; i < 250; ++i)
            trace->appendSample(1000000 + 20 * i, at(1, 1));
        QCOMPARE(trace->timerEnd(), 1000000 + 5000);
        Shot *last = trace->appendShot(0, -1, false, 0.0);
        QCOMPARE(last->offset(), 249);
        QCOMPARE(last->timer(), 1000000 + 4980);
        Shot *first = trace->appendShot(0, 10, false, 0.0);
        Shot *third = trace->appendShot(1, 20, false, 0.0);
        QCOMPARE(first->timer(), 1000000 + 200);
        QCOMPARE(last->next(), first);
        QCOMPARE(first->previous(), last);
        QVERIFY(!last->previous());
        QVERIFY(!third->next());
        QCOMPARE(first->previousInSerie(), last);
        QVERIFY(!first->nextInSerie());
        QCOMPARE(third->indexInSession(), 2);
        QCOMPARE(third->indexInSerie(), 0);
        QCOMPARE(trace->shots().size(), 3);
        delete session;
    }

    void longTracesKeepTheirShotOffsets()
    {
        // Over 65535 samples (11 minutes at 100 per second) in one trace.
        Session *session = makeSession(this);
        Trace *trace = session->appendTrace(1);
        for (int i = 0; i < 70000; ++i)
            trace->appendSample(1 + 10 * i, i == 69999 ? at(0.1, 0) : at(20, 0));
        Shot *shot = trace->appendShot(0, -1, false, 0.0);
        QCOMPARE(shot->offset(), 69999);
        QCOMPARE(shot->result(), 10.9);
        delete session;
    }

    void triggerDataSwitchesOnOnce()
    {
        Session *session = makeSession(this);
        Trace *trace = session->appendTrace(1);
        session->clearDirty();
        QSignalSpy trigger(session, &Session::isTriggerDataAvailableChanged);
        trace->appendSample(1, at(1, 1, -1));
        trace->appendSample(2, at(1, 1, 0xFFFF)); // -1 in the stored 16 bits
        QVERIFY(!session->isTriggerDataAvailable());
        QVERIFY(!session->isDirty());
        trace->appendSample(3, at(1, 1, 0));
        QVERIFY(session->isTriggerDataAvailable());
        QVERIFY(session->isDirty());
        trace->appendSample(4, at(1, 1, 200));
        QCOMPARE(trigger.count(), 1);
        delete session;
    }

    void appendTraceFixesTheStartTime()
    {
        Session session(&storage);
        session.setSampleRate(100);
        QVERIFY(!session.appendTrace(-5));
        QVERIFY(session.segments().isEmpty());
        Trace *first = session.appendTrace(2000);
        QCOMPARE(session.timer(), 2000);
        QVERIFY(!session.isDirty());
        Trace *second = session.appendTrace(5000);
        QCOMPARE(session.timer(), 2000);
        QCOMPARE(second->timerStart(), 5000);
        QCOMPARE(session.segments(), QList<Trace *>({first, second}));
        session.setSampleRate(50); // traces exist: ignored
        QCOMPARE(session.sampleRate(), 100);
    }

    void setShooterMovesPersonKeys()
    {
        Session session(&storage);
        session.setValue(QStringLiteral("birthDate"), QStringLiteral("2001-02-03"));
        session.setValue(QStringLiteral("sex"), QStringLiteral("М"));
        session.setValue(QStringLiteral("step"), 6);
        session.setValue(QStringLiteral("medal"), QStringLiteral("gold"));
        QSignalSpy shooter(&session, &Session::shooterChanged);
        QSignalSpy step(&session, &Session::stepChanged);

        session.setShooter(QStringLiteral(" Петров  Пётр "), QStringLiteral("ДОСААФ"),
                           QStringLiteral("1"));
        QCOMPARE(storage.persons.size(), 1);
        const ShooterRecord &person = storage.persons.first();
        QCOMPARE(person.name, QStringLiteral("Петров Пётр"));
        QCOMPARE(person.properties.value(QStringLiteral("birthDate")).toString(),
                 QStringLiteral("2001-02-03"));
        QCOMPARE(person.properties.value(QStringLiteral("step")).toInt(), 6);
        QVERIFY(!session.properties().contains(QStringLiteral("birthDate")));
        QVERIFY(!session.properties().contains(QStringLiteral("sex")));
        QVERIFY(session.properties().contains(QStringLiteral("medal")));
        QCOMPARE(session.shooterId(), person.id);
        QCOMPARE(session.step(), 6.0);
        QVERIFY(session.sex());
        QCOMPARE(shooter.count(), 1);
        QCOMPARE(step.count(), 1);

        // A known person (any letter case) is taken as stored; the session
        // keeps its own person keys.
        Session other(&storage);
        other.setValue(QStringLiteral("birthDate"), QStringLiteral("1999-01-01"));
        other.setShooter(QStringLiteral("ПЕТРОВ ПЁТР"), QStringLiteral("досааф"),
                         QStringLiteral("1"));
        QCOMPARE(storage.persons.size(), 1);
        QCOMPARE(other.shooterId(), person.id);
        QVERIFY(other.properties().contains(QStringLiteral("birthDate")));
    }

    void failedCreationKeepsTheShooter()
    {
        Session session(&storage);
        session.setValue(QStringLiteral("gtoUuid"), QStringLiteral("x"));
        storage.failCreation = true;
        session.setShooter(QStringLiteral("Сидоров"), QString(), QString());
        storage.failCreation = false;
        QVERIFY(session.name().isNull());
        QCOMPARE(session.shooterId(), 0);
        QVERIFY(!session.properties().contains(QStringLiteral("gtoUuid")));
        // Without the "М" the person is female.
        storage.createShooter(QStringLiteral("Анна"), QString(), QString(),
                              {{QStringLiteral("sex"), QStringLiteral("Ж")}});
        session.setShooter(QStringLiteral("Анна"), QString(), QString());
        QVERIFY(!session.sex());
        QCOMPARE(session.step(), 4.0);
    }

    void pulseData()
    {
        Session session(&storage);
        session.setProperties({{QStringLiteral("_pulse_samples"),
                                QVariantList({qint64(100), qint64(900), QStringLiteral("1700")})}});
        session.loadPulseData();
        QVERIFY(session.isPulseDataAvailable());
        QCOMPARE(session.pulseBeats(), QVector<qint64>({100, 900, 1700}));
        session.setProperties({{QStringLiteral("_pulse_samples"),
                                QVariantList({qint64(100), QStringLiteral("beat")})}});
        session.loadPulseData();
        QVERIFY(!session.isPulseDataAvailable());
        QVERIFY(session.pulseBeats().isEmpty());
        session.setProperties({{QStringLiteral("_pulse_samples"), QStringLiteral("1,2,3")}});
        session.loadPulseData();
        QVERIFY(!session.isPulseDataAvailable());
    }

    void pointsWithoutResampling()
    {
        Session *session = makeSession(this);
        session->setResampleRate(50); // below the sensor's rate: no resampling
        QCOMPARE(session->resampleRate(), 100);
        Trace *trace = session->appendTrace(1);
        QVERIFY(trace->points().isEmpty());
        for (int i = 0; i < 10; ++i)
            trace->appendSample(1 + 10 * i, at(i, -i));
        const QVector<QPointF> &points = trace->points();
        QCOMPARE(points.size(), 10);
        for (int i = 0; i < 10; ++i)
            QCOMPARE(points.at(i), QPointF(i, -i)); // cut-off 0.5: unfiltered
        delete session;
    }

    void pointsWithResampling()
    {
        Session *session = makeSession(this);
        Trace *trace = session->appendTrace(1);
        // A ramp in, the same ramp out at ten times the rate.
        for (int i = 0; i < 20; ++i)
            trace->appendSample(1 + 10 * i, at(2.0 * i, 5.0));
        const QVector<QPointF> points = trace->points();
        QCOMPARE(points.size(), 191); // 0 .. 190 ms, one per millisecond
        for (int k = 0; k < points.size(); ++k) {
            QVERIFY(std::fabs(points.at(k).x() - 0.2 * k) < 1e-9);
            QCOMPARE(points.at(k).y(), 5.0);
        }
        // Back to the sensor's rate: the points are made anew.
        QSignalSpy samples(trace, &Trace::samplesChanged);
        session->setResampleRate(100);
        QCOMPARE(samples.count(), 1);
        QCOMPARE(trace->points().size(), 20);
        delete session;
    }

    void incrementalPointsEqualAFreshRun()
    {
        Session *session = makeSession(this);
        session->setFilterCutoff(0.25);
        Trace *trace = session->appendTrace(1);
        QVector<QPointF> incremental;
        for (int i = 0; i < 300; ++i) {
            const double t = i / 100.0;
            trace->appendSample(1 + 10 * i, at(10 * std::sin(3 * t), 4 * std::cos(7 * t)));
            if (i % 7 == 0)
                incremental = trace->points();
        }
        incremental = trace->points();
        trace->reprocess();
        QCOMPARE(trace->points(), incremental);
        // The filter is on: the second point is smoothed, the first is not.
        QCOMPARE(incremental.first(), QPointF(0.0, 4.0));
        delete session;
    }

    void filterFollowsTheSession()
    {
        Session *session = makeSession(this);
        session->setResampleRate(100);
        Trace *trace = session->appendTrace(1);
        trace->appendSample(1, at(0, 0));
        trace->appendSample(11, at(10, 10));
        QCOMPARE(trace->points().at(1), QPointF(10, 10));
        QSignalSpy samples(trace, &Trace::samplesChanged);
        session->setFilterCutoff(0.1);
        QCOMPARE(samples.count(), 1);
        QVERIFY(trace->points().at(1).x() < 10.0);
        // A trace made later takes the session's current cut-off.
        Trace *later = session->appendTrace(100);
        later->appendSample(100, at(0, 0));
        later->appendSample(110, at(10, 10));
        QCOMPARE(later->points().at(1), trace->points().at(1));
        delete session;
    }

    void windowedMeanScore()
    {
        Session *session = makeSession(this);
        Trace *trace = session->appendTrace(1);
        for (int i = 0; i < 200; ++i)
            trace->appendSample(1 + 10 * i, at(2.6, 0)); // 9.9 everywhere
        // One second (100 samples, every tenth point) ending at sample 150.
        QCOMPARE(QString::number(trace->windowedMeanScore(150, 100), 'f', 6),
                 QStringLiteral("9.900000"));
        // A window that starts before the trace counts only what exists.
        QCOMPARE(QString::number(trace->windowedMeanScore(50, 100), 'f', 6),
                 QStringLiteral("4.950000"));
        QCOMPARE(trace->windowedMeanScore(0, 100), 0.0);
        QCOMPARE(trace->windowedMeanScore(150, 0), 0.0);

        // Points without an aiming point are skipped.
        Session *gaps = makeSession(this);
        gaps->setResampleRate(100);
        Trace *gappy = gaps->appendTrace(1);
        for (int i = 0; i < 100; ++i)
            gappy->appendSample(1 + 10 * i, i % 2 ? TraceSample() : at(2.6, 0));
        QCOMPARE(QString::number(gappy->windowedMeanScore(100, 100), 'f', 6),
                 QStringLiteral("4.950000"));
        delete session;
        delete gaps;
    }
};

QTEST_GUILESS_MAIN(TestSession)
#include "tst_session.moc"
