// A session in memory: when it is valid and dirty, its series, shots and
// results, the person it is shot by, and the display points of its traces.
#include <sessionbuilder.h>
#include <testenvironment.h>

#include <serie.h>
#include <shot.h>
#include <storage.h>
#include <targetmanager.h>
#include <trace.h>

#include <chebfilter.h>
#include <resampler.h>

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

using namespace LibModel;

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

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

class TestSession : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir folder;
    Storage storage;

    Trace *trace = nullptr;

    // An air rifle session at 100 samples a second with one empty trace,
    // which `trace` points to.
    std::unique_ptr<Session> newSession()
    {
        SessionBuilder builder(&storage);
        trace = builder.trace().currentTrace();
        return builder.take();
    }

private slots:
    void init()
    {
        // A new file each time: no test sees another's persons.
        static int files = 0;
        SessionBuilder::targets();
        QVERIFY(storage.open(folder.filePath(QStringLiteral("%1.sqlite").arg(++files)),
                             QStringLiteral("session")));
    }

    void validityAndDirtiness()
    {
        Session session(&storage);
        QSignalSpy valid(&session, &Session::isValidChanged);
        session.setTargetUuid(QLatin1String(TargetManager::AirRifleUuid));
        session.setCaliber(4.5);
        session.setDistance(10);
        session.setSampleRate(100);
        session.setShooter(QStringLiteral("Иванов"), QStringLiteral("ЦСКА"), QString());
        QVERIFY(!session.isValid()); // no start time yet
        QVERIFY(!session.appendTrace(-5));
        QVERIFY(session.appendTrace(2000));
        QVERIFY(session.isValid());
        QCOMPARE(session.timer(), 2000);
        session.appendTrace(5000); // the start stays
        QCOMPARE(session.timer(), 2000);
        session.setSampleRate(50); // traces exist: ignored
        QCOMPARE(session.sampleRate(), 100);
        session.setCaliber(NaN);
        QVERIFY(!session.isValid());
        QCOMPARE(valid.count(), 2);

        // Display settings do not make a session dirty; what is stored does.
        session.clearDirty();
        QSignalSpy dirty(&session, &Session::isDirtyChanged);
        session.setCompetitionName(QStringLiteral("Кубок"));
        session.setIsGto(true);
        session.setResampleRate(500);
        session.setFilterCutoff(0.25);
        QVERIFY(!session.isDirty());
        session.setComments(QStringLiteral("ветер"));
        session.setPosition(Session::PositionProne); // already dirty: no signal
        QCOMPARE(dirty.count(), 1);
        session.clearDirty();
        session.setValue(QStringLiteral("absent"), QVariant()); // nothing to remove
        QVERIFY(!session.isDirty());
        session.setValue(QStringLiteral("medal"), QStringLiteral("gold"));
        QVERIFY(session.isDirty());
        session.clearDirty();
        session.setValue(QStringLiteral("medal"), QStringLiteral("gold")); // unchanged
        QVERIFY(!session.isDirty());
    }

    void uuidAndTargetChoices()
    {
        Session session(&storage);
        QVERIFY(!session.setUuid(QStringLiteral("not a uuid")));
        QVERIFY(!session.setUuid(QStringLiteral("{00000000-0000-0000-0000-000000000000}")));
        const QString first = QStringLiteral("{11111111-2222-3333-4444-555555555555}");
        QVERIFY(session.setUuid(first)); // replaceable once
        QVERIFY(!session.setUuid(QStringLiteral("{66666666-2222-3333-4444-555555555555}")));
        QCOMPARE(session.uuid(), first);

        // Catalogue uuids are case-sensitive: an unknown one clears the target.
        session.setTargetUuid(QLatin1String(TargetManager::ChestFigureUuid));
        QVERIFY(session.targetDescriptor());
        session.setTargetUuid(QString::fromLatin1(TargetManager::ChestFigureUuid).toLower());
        QVERIFY(!session.targetDescriptor());

        // The target may change only while the session has no shots.
        const std::unique_ptr<Session> shot = newSession();
        TargetDescriptor *rifle = shot->targetDescriptor();
        trace->appendSample(1000, at(1, 1));
        trace->appendShot(0, -1, false, 0.0);
        shot->setTargetDescriptor(nullptr);
        QCOMPARE(shot->targetDescriptor(), rifle);
    }

    void seriesAreCreatedToFillGaps()
    {
        const std::unique_ptr<Session> session = newSession();
        trace->appendSample(0, at(0.1, 0));
        QSignalSpy series(session.get(), &Session::seriesChanged);
        Shot *shot = trace->appendShot(2, 0, false, 0.0);
        QCOMPARE(session->series().size(), 3);
        QCOMPARE(session->series().at(1)->index(), 1);
        QVERIFY(session->series().at(1)->shots().isEmpty());
        QCOMPARE(session->series().at(2)->shots(), QList<Shot *>({shot}));
        QCOMPARE(shot->serie(), session->series().at(2));
        trace->appendShot(1, 0, false, 0.0);
        QCOMPARE(session->series().size(), 3);
        QCOMPARE(series.count(), 1);
    }

    void resultsAndIntegerResults()
    {
        const std::unique_ptr<Session> session = newSession();
        QSignalSpy result(session.get(), &Session::resultChanged);
        trace->appendSample(0, at(0.1, 0)); // 10.9
        trace->appendSample(0, at(0, 3.2)); // 9.7
        trace->appendSample(0, TraceSample()); // no aiming point
        trace->appendShot(0, 0, false, 0.0);
        trace->appendShot(0, 1, false, 0.0);
        QCOMPARE(QString::number(session->result(), 'f', 1), QStringLiteral("20.6"));
        QCOMPARE(session->resultInt(), 19);
        Shot *blind = trace->appendShot(1, 2, true, NaN);
        QVERIFY(std::isnan(blind->result()));
        QCOMPARE(session->resultInt(), 19);
        QCOMPARE(result.count(), 2);
        QCOMPARE(session->series().at(0)->resultInt(), 19);
        QCOMPARE(session->series().at(1)->result(), 0.0);

        // Without a target a shot has no score.
        Session untargeted(&storage);
        untargeted.setSampleRate(100);
        Trace *other = untargeted.appendTrace(5);
        other->appendSample(5, at(0.1, 0));
        QVERIFY(std::isnan(other->appendShot(0, 0, false, 0.0)->result()));
        QCOMPARE(untargeted.result(), 0.0);
    }

    void shotTimesAndNavigation()
    {
        const std::unique_ptr<Session> session = newSession();
        // Over 65535 samples (11 minutes at 100 a second) in one trace.
        for (int i = 0; i < 70000; ++i)
            trace->appendSample(0, i == 69999 ? at(0.1, 0) : at(20, 0));
        Shot *last = trace->appendShot(0, -1, false, 0.0);
        QCOMPARE(last->offset(), 69999);
        QCOMPARE(last->result(), 10.9);
        QCOMPARE(last->timer(), SessionBuilder::Start + 699990);
        Shot *first = trace->appendShot(0, 10, false, 0.0);
        Shot *third = trace->appendShot(1, 20, false, 0.0);
        QCOMPARE(first->timer(), SessionBuilder::Start + 100);
        QCOMPARE(last->next(), first);
        QCOMPARE(first->previous(), last);
        QCOMPARE(third->indexInSession(), 2);
        QCOMPARE(third->indexInSerie(), 0);
    }

    void triggerDataSwitchesOnOnce()
    {
        const std::unique_ptr<Session> session = newSession();
        session->clearDirty();
        QSignalSpy trigger(session.get(), &Session::isTriggerDataAvailableChanged);
        trace->appendSample(1, at(1, 1, -1));
        trace->appendSample(2, at(1, 1, 0xFFFF)); // -1 in the stored 16 bits
        QVERIFY(!session->isTriggerDataAvailable());
        QVERIFY(!session->isDirty());
        trace->appendSample(3, at(1, 1, 0));
        trace->appendSample(4, at(1, 1, 200));
        QVERIFY(session->isTriggerDataAvailable());
        QVERIFY(session->isDirty());
        QCOMPARE(trigger.count(), 1);
    }

    void shooterTakesThePersonKeys()
    {
        Session session(&storage);
        session.setValue(QStringLiteral("birthDate"), QStringLiteral("2001-02-03"));
        session.setValue(QStringLiteral("sex"), QStringLiteral("М"));
        session.setValue(QStringLiteral("step"), 6);
        session.setValue(QStringLiteral("medal"), QStringLiteral("gold"));
        session.setShooter(QStringLiteral("Петров"), QStringLiteral("ДОСААФ"), QStringLiteral("1"));
        const ShooterRecord person = storage.findShooterById(session.shooterId());
        QCOMPARE(person.name, QStringLiteral("Петров"));
        QCOMPARE(person.properties.value(QStringLiteral("birthDate")).toString(),
                 QStringLiteral("2001-02-03"));
        QCOMPARE(person.properties.value(QStringLiteral("step")).toInt(), 6);
        QCOMPARE(session.properties().keys(), QStringList({QStringLiteral("medal")}));
        QCOMPARE(session.step(), 6.0);
        QVERIFY(session.sex());

        // A known person is taken as stored; the session keeps its own
        // person keys.
        Session other(&storage);
        other.setValue(QStringLiteral("birthDate"), QStringLiteral("1999-01-01"));
        other.setShooter(QStringLiteral("Петров"), QStringLiteral("ДОСААФ"), QStringLiteral("1"));
        QCOMPARE(other.shooterId(), person.id);
        QVERIFY(other.properties().contains(QStringLiteral("birthDate")));

        // A person that cannot be stored now stays with the session with its
        // person keys, to be stored later; without the "М" a person is female.
        Session unstored(nullptr);
        unstored.setValue(QStringLiteral("gtoUuid"), QStringLiteral("x"));
        unstored.setShooter(QStringLiteral("Сидоров"), QString(), QString());
        QVERIFY(unstored.name() == QStringLiteral("Сидоров") && unstored.shooterId() == 0);
        QVERIFY(unstored.shooter().properties.contains(QStringLiteral("gtoUuid")));
        storage.createShooter(QStringLiteral("Анна"), QString(), QString(),
                              {{QStringLiteral("sex"), QStringLiteral("Ж")}});
        other.setShooter(QStringLiteral("Анна"), QString(), QString());
        QVERIFY(!other.sex());
    }

    void displayPoints()
    {
        const std::unique_ptr<Session> session = newSession();
        // A ramp in, the same ramp out at the display rate, 1000 a second.
        for (int i = 0; i < 20; ++i)
            trace->appendSample(0, at(2.0 * i, 5.0));
        QCOMPARE(trace->points().size(), 191); // 0 .. 190 ms
        QCOMPARE(trace->points().at(95), QPointF(19, 5));
        // Below the sensor's rate: the raw samples, unfiltered at cut-off 0.5.
        session->setResampleRate(50);
        QCOMPARE(trace->points().size(), 20);
        QCOMPARE(trace->points().at(19), QPointF(38, 5));
        // The filter follows the session, also in a trace made later.
        session->setFilterCutoff(0.04); // out of range: ignored
        QCOMPARE(session->filterCutoff(), 0.5);
        session->setFilterCutoff(0.1);
        QVERIFY(trace->points().at(1).x() < 2.0);
        Trace *later = session->appendTrace(SessionBuilder::Start + 100000);
        for (int i = 0; i < 20; ++i)
            later->appendSample(0, at(2.0 * i, 5.0));
        QCOMPARE(later->points(), trace->points());
    }

    void incrementalPointsEqualAFreshRun()
    {
        const std::unique_ptr<Session> session = newSession();
        session->setFilterCutoff(0.25);
        TracePoints incremental;
        for (int i = 0; i < 300; ++i) {
            const double t = i / 100.0;
            trace->appendSample(0, at(10 * std::sin(3 * t), 4 * std::cos(7 * t)));
            if (i % 7 == 0)
                incremental = trace->points();
        }
        incremental = trace->points();
        trace->reprocess();
        QCOMPARE(trace->points(), incremental);
        QCOMPARE(incremental.first(), QPointF(0.0, 4.0));
    }

    // Single-precision display points are the double-precision chain
    // (resampled to 1000 a second, then filtered) rounded once; a gap in the
    // aiming stays a gap at the same place. Of a long trace only recent points
    // are held: older ones read again come out the same to the bit.
    void displayPointsKeepTheirPrecisionAndGaps()
    {
        const std::unique_ptr<Session> session = newSession();
        session->setFilterCutoff(0.25);
        QVector<TraceSample> samples;
        for (int i = 0; i < 6000; ++i) {
            const double t = i / 100.0;
            // The second gap spans the start of a chunk of 128 samples.
            const bool gap = (i >= 400 && i < 410) || (i >= 3000 && i < 3300);
            samples.append(gap ? TraceSample()
                               : at(30 * std::sin(1.7 * t) + 0.4 * std::sin(13 * t),
                                    -20 + 2.5 * std::cos(1.3 * t)));
        }
        const auto reference = [&](double cutoff) {
            LibMisc::Resampler resampleX(nullptr, 1.0, 10.0), resampleY(nullptr, 1.0, 10.0);
            LibMisc::ChebFilter filterX(nullptr, LibMisc::ChebFilter::LowPass, cutoff, 0.5, 2);
            LibMisc::ChebFilter filterY(nullptr, LibMisc::ChebFilter::LowPass, cutoff, 0.5, 2);
            QVector<TracePoints::Point> expected;
            for (const TraceSample &sample : samples) {
                QList<double> xs, ys;
                resampleX.push(sample.x, xs);
                resampleY.push(sample.y, ys);
                for (qsizetype k = 0; k < qMin(xs.size(), ys.size()); ++k) {
                    const bool gap = std::isnan(xs.at(k)) || std::isnan(ys.at(k));
                    expected.append(gap ? TracePoints::Point {float(NaN), float(NaN)}
                                        : TracePoints::Point {float(filterX.filter(xs.at(k))),
                                                              float(filterY.filter(ys.at(k)))});
                }
            }
            return expected;
        };
        const auto same = [](const TracePoints::Point &p, const TracePoints::Point &q) {
            if (std::isnan(p.x) || std::isnan(q.x))
                return std::isnan(p.x) && std::isnan(p.y) && std::isnan(q.x) && std::isnan(q.y);
            return std::memcmp(&p, &q, sizeof p) == 0;
        };
        // Every point one by one (up and down), all at once, and a stretch
        // across chunks made again after the others pushed it out.
        const auto matches = [&](const QVector<TracePoints::Point> &expected) {
            const TracePoints &points = trace->points();
            if (points.size() != expected.size())
                return false;
            const auto point = [&](qsizetype i) {
                const QPointF p = points.at(i);
                return TracePoints::Point {float(p.x()), float(p.y())};
            };
            for (qsizetype i = 0; i < points.size(); ++i) {
                if (!same(point(i), expected.at(i)))
                    return false;
            }
            for (qsizetype i = points.size() - 1; i >= 0; i -= 7) {
                if (!same(point(i), expected.at(i)))
                    return false;
            }
            QVector<TracePoints::Point> read;
            for (const auto &[first, count] :
                 {std::pair(0, int(points.size())), std::pair(1200, 2000)}) {
                points.read(first, count, &read);
                for (qsizetype i = 0; i < count; ++i) {
                    if (!same(read.at(i), expected.at(first + i)))
                        return false;
                }
            }
            return true;
        };
        // Recorded as a lane does, the points brought up to date now and then.
        for (int i = 0; i < samples.size(); ++i) {
            trace->appendSample(0, samples.at(i));
            if (i % 50 == 0)
                trace->points();
        }
        const QVector<TracePoints::Point> expected = reference(0.25);
        QVERIFY(std::count_if(expected.cbegin(), expected.cend(),
                              [](const auto &p) { return std::isnan(p.x); })
                >= 3000);
        QVERIFY(matches(expected));
        session->setFilterCutoff(0.1);
        QVERIFY(matches(reference(0.1)));
        trace->setSamples(samples.mid(0, 2000));
        samples.resize(2000);
        QVERIFY(matches(reference(0.1)));
    }

    void windowedMeanScore()
    {
        const std::unique_ptr<Session> session = newSession();
        for (int i = 0; i < 200; ++i)
            trace->appendSample(0, i >= 100 && i % 2 ? TraceSample() : at(2.6, 0)); // 9.9
        const auto mean = [&](int end, int count) {
            return QString::number(trace->windowedMeanScore(end, count), 'f', 6);
        };
        // One second (100 samples, every tenth point) ending at sample 100.
        QCOMPARE(mean(100, 100), QStringLiteral("9.900000"));
        // A window that starts before the trace counts only what exists.
        QCOMPARE(mean(50, 100), QStringLiteral("4.950000"));
        // Points without an aiming point are skipped.
        session->setResampleRate(100);
        QCOMPARE(mean(200, 100), QStringLiteral("4.950000"));
        QCOMPARE(trace->windowedMeanScore(0, 100), 0.0);
        QCOMPARE(trace->windowedMeanScore(150, 0), 0.0);
    }
};

KAVRO_TEST_MAIN(TestSession, QCoreApplication)
#include "tst_session.moc"
