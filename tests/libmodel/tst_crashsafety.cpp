// A writer process is killed with SIGKILL at random moments while it saves
// sessions; after every kill the database must be intact, open through the
// storage, and hold every session it held before, each one complete.
//
// The writer is this same program, started again with KAVRO_CRASH_WRITER
// naming the database. It saves sessions of random size in a loop and saves
// some of them a second time with one more trace (the update path). Each
// session carries the counts it must have in its property map, written in
// the same transaction as its rows.
#include <recordcodec.h>
#include <session.h>
#include <storage.h>
#include <targetmanager.h>
#include <testenvironment.h>
#include <trace.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdio>
#include <memory>

#include <sys/prctl.h>
#include <unistd.h>

using namespace LibModel;

namespace {

constexpr char WriterVariable[] = "KAVRO_CRASH_WRITER";
const QString ExpectedTraces = QStringLiteral("expectedTraces");
const QString ExpectedShots = QStringLiteral("expectedShots");

void appendTraceWithShots(Session *session, qint64 timer, int shots, QRandomGenerator &random)
{
    Trace *trace = session->appendTrace(timer);
    const int samples = 100 + random.bounded(400);
    for (int i = 0; i < samples; ++i) {
        TraceSample sample;
        sample.x = float(random.generateDouble() * 20.0 - 10.0);
        sample.y = float(random.generateDouble() * 20.0 - 10.0);
        sample.z = 0.05f;
        trace->appendSample(timer + 10 * i, sample);
    }
    for (int s = 0; s < shots; ++s)
        trace->appendShot(ushort(session->shots().size() / 10), (s + 1) * samples / (shots + 1),
                          false, 0.5);
}

// The child: saves sessions until it is killed (or, should the parent be
// gone, for at most half a minute).
int runWriter(const QString &path)
{
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    Storage storage;
    if (!storage.open(path, QStringLiteral("writer"))) {
        std::fprintf(stderr, "writer: cannot open %s\n", qPrintable(path));
        return 2;
    }
    std::fputs("ready\n", stdout);
    std::fflush(stdout);

    TargetManager targets;
    QRandomGenerator random(quint32(::getpid()));
    QElapsedTimer running;
    running.start();
    qint64 timer = 1700000000000 + qint64(::getpid()) * 10000000;
    while (running.elapsed() < 30000) {
        Session session(&storage);
        session.setTargetDescriptor(targets.findByUuid(QLatin1String(TargetManager::AirRifleUuid)));
        session.setCaliber(4.5);
        session.setDistance(10.0);
        session.setSampleRate(100);
        session.setShooter(QStringLiteral("Стрелок %1").arg(random.bounded(20)),
                           QStringLiteral("Клуб"), QStringLiteral("A"));
        const int traces = 1 + random.bounded(3);
        int shots = 0;
        for (int t = 0; t < traces; ++t) {
            const int count = random.bounded(6);
            appendTraceWithShots(&session, timer, count, random);
            shots += count;
            timer += 60000;
        }
        session.setValue(ExpectedTraces, traces);
        session.setValue(ExpectedShots, shots);
        if (!session.write()) {
            std::fputs("writer: a session was not written\n", stderr);
            return 3;
        }
        if (random.bounded(2) == 0) {
            // Saved again after one more trace: the update path.
            const int count = 1 + random.bounded(4);
            appendTraceWithShots(&session, timer, count, random);
            timer += 60000;
            session.setValue(ExpectedTraces, traces + 1);
            session.setValue(ExpectedShots, shots + count);
            if (!session.write()) {
                std::fputs("writer: a session was not written again\n", stderr);
                return 3;
            }
        }
    }
    return 0;
}

// The integrity check on a connection of its own, outside the storage.
QString integrityCheck(const QString &path)
{
    const QString name = QStringLiteral("integrity");
    QString result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery query(db);
            if (query.exec(QStringLiteral("PRAGMA integrity_check;"))) {
                QStringList lines;
                while (query.next())
                    lines << query.value(0).toString();
                result = lines.join(QLatin1Char('\n'));
            }
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return result;
}

} // namespace

class TestCrashSafety : public QObject
{
    Q_OBJECT

private slots:
    void killedWriterLeavesCompleteSessions()
    {
        constexpr int Kills = 150;
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString path = folder.filePath(QStringLiteral("storage.sqlite"));
        const QString journal = path + QStringLiteral("-journal");
        QRandomGenerator random(20240601);

        // Every session seen so far: its uuid and its shot count, which only
        // grows (an update adds a trace).
        QHash<QString, qint64> seen;
        qint64 checkedUpTo = 0;
        int interrupted = 0;
        int survived = 0;
        for (int kill = 0; kill < Kills; ++kill) {
            QProcess writer;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QLatin1String(WriterVariable), path);
            writer.setProcessEnvironment(environment);
            writer.setProcessChannelMode(QProcess::SeparateChannels);
            writer.start(QCoreApplication::applicationFilePath(), {});
            QVERIFY2(writer.waitForStarted(10000), qPrintable(writer.errorString()));
            // Most kills come while sessions are written; every fifth comes
            // at any moment from the start, opening the file included.
            if (kill % 5 != 0) {
                QElapsedTimer waiting;
                waiting.start();
                while (!writer.readAllStandardOutput().contains("ready")
                       && writer.state() == QProcess::Running && waiting.elapsed() < 10000)
                    writer.waitForReadyRead(100);
                QVERIFY2(writer.state() == QProcess::Running,
                         writer.readAllStandardError().constData());
                QTest::qSleep(random.bounded(60));
            } else {
                QTest::qSleep(random.bounded(40));
            }
            QCOMPARE(writer.state(), QProcess::Running);
            QCOMPARE(::kill(pid_t(writer.processId()), SIGKILL), 0);
            QVERIFY(writer.waitForFinished(10000));
            QCOMPARE(writer.exitStatus(), QProcess::CrashExit);
            if (QFileInfo(journal).size() > 0)
                ++interrupted; // a transaction was under way

            QCOMPARE(integrityCheck(path), QStringLiteral("ok"));
            Storage storage;
            QVERIFY2(storage.open(path, QStringLiteral("check")),
                     qPrintable(QStringLiteral("the storage does not open after kill %1")
                                        .arg(kill + 1)));

            // Every row of every session is there, as its own counts say.
            QSqlQuery sessions(QSqlDatabase::database(QStringLiteral("check")));
            QVERIFY(sessions.exec(QStringLiteral(
                    "SELECT session_id, uuid, shot_count, properties, (SELECT COUNT(*) FROM "
                    "traces t WHERE t.session_id = s.session_id), (SELECT COUNT(*) FROM shots h "
                    "JOIN traces t ON h.trace_id = t.trace_id WHERE t.session_id = s.session_id) "
                    "FROM sessions s ORDER BY session_id;")));
            QHash<QString, qint64> present;
            QList<qint64> fresh;
            while (sessions.next()) {
                const qint64 id = sessions.value(0).toLongLong();
                const QString uuid = sessions.value(1).toString();
                QVariantHash properties;
                QVERIFY(RecordCodec::decodeProperties(sessions.value(3).toByteArray(),
                                                      &properties));
                const qint64 shots = sessions.value(2).toLongLong();
                QCOMPARE(sessions.value(4).toLongLong(),
                         properties.value(ExpectedTraces).toLongLong());
                QCOMPARE(sessions.value(5).toLongLong(),
                         properties.value(ExpectedShots).toLongLong());
                QCOMPARE(shots, properties.value(ExpectedShots).toLongLong());
                present.insert(uuid, shots);
                if (id > checkedUpTo || seen.value(uuid, -1) != shots)
                    fresh << id;
            }
            sessions.finish();
            for (auto it = seen.cbegin(); it != seen.cend(); ++it) {
                QVERIFY2(present.contains(it.key()), "a stored session was lost");
                QVERIFY2(present.value(it.key()) >= it.value(), "a stored session lost shots");
            }
            // The new and changed ones read back whole through the storage.
            for (const qint64 id : std::as_const(fresh)) {
                std::unique_ptr<Session> session(storage.readSession(uint(id)));
                QVERIFY2(session, qPrintable(QStringLiteral("session %1 does not read").arg(id)));
                QCOMPARE(session->segments().size(),
                         session->properties().value(ExpectedTraces).toLongLong());
                QCOMPARE(qint64(session->shots().size()),
                         session->properties().value(ExpectedShots).toLongLong());
                checkedUpTo = qMax(checkedUpTo, id);
            }
            seen = present;
            ++survived;
        }
        Storage storage;
        QVERIFY(storage.open(path, QStringLiteral("final")));
        Storage::Statistics statistics;
        QVERIFY(storage.statistics(&statistics));
        qInfo("%d kills survived, %d of them during a transaction; %lld sessions, %lld traces, "
              "%lld shots stored",
              survived, interrupted, statistics.sessions, statistics.traces, statistics.shots);
        QVERIFY(statistics.sessions > 0);
        QCOMPARE(survived, Kills);
    }
};

int main(int argc, char *argv[])
{
    TestEnvironment::prepare();
    QCoreApplication app(argc, argv);
    LibMisc::ApplicationIdentity::apply();
    if (qEnvironmentVariableIsSet(WriterVariable))
        return runWriter(qEnvironmentVariable(WriterVariable));
    TestCrashSafety tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_crashsafety.moc"
