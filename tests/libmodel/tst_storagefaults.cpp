// Writes that meet a database they cannot change: a read-only file or
// connection, a file locked by another connection, a file that may not
// grow. Each write must fail cleanly, leave the stored sessions and the
// session in memory as they were, and succeed exactly once when the fault
// is gone.
#include <sessionbuilder.h>
#include <testenvironment.h>

#include <shot.h>
#include <storage.h>
#include <trace.h>

#include <QCoreApplication>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

using namespace LibModel;

namespace {

const QString Connection = QStringLiteral("faults");
const QString Other = QStringLiteral("other");

enum Fault {
    ReadOnlyPermissions, // the file and its folder without write permission
    ReadOnlyConnection, // SQLite opens the file read-only
    ExclusiveLock, // another connection is writing
    SharedLock, // another connection is reading: inserts work, the commit does not
    PageLimit, // the file may not grow (max_page_count)
};

QVariant scalar(const QString &statement)
{
    QSqlQuery query(QSqlDatabase::database(Connection));
    return query.exec(statement) && query.next() ? query.value(0) : QVariant();
}

// What a session holds in memory: its ids, dirty flag, samples and result.
QString snapshot(const Session *session)
{
    QStringList parts = {QString::number(session->id()), QString::number(session->isDirty()),
                         QString::number(session->resultInt())};
    for (const Trace *trace : session->segments())
        parts << QStringLiteral("trace %1 of %2").arg(trace->id()).arg(trace->count());
    for (const Shot *shot : session->shots())
        parts << QStringLiteral("shot %1").arg(shot->id());
    return parts.join(QLatin1Char(' '));
}

} // namespace

class TestStorageFaults : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> folder;
    qint64 timer = SessionBuilder::Start;

    QString path() const { return folder->filePath(QStringLiteral("storage.sqlite")); }

    std::unique_ptr<Session> makeSession(Storage *storage, int traces, int shots)
    {
        auto session = SessionBuilder(storage).shooter(QStringLiteral("Петров")).take();
        while (traces-- > 0)
            appendTrace(session.get(), shots);
        return session;
    }

    // A trace of noisy samples (so that it does not compress to nothing).
    void appendTrace(Session *session, int shots)
    {
        Trace *trace = session->appendTrace(timer);
        quint32 state = quint32(timer);
        for (int i = 0; i < 2000; ++i) {
            state = state * 1664525u + 1013904223u;
            TraceSample sample;
            sample.x = float(state % 10007) / 100.0f;
            sample.y = float((state >> 8) % 10009) / 100.0f;
            trace->appendSample(timer + 10 * i, sample);
        }
        for (int s = 0; s < shots; ++s)
            trace->appendShot(0, 100 + 300 * s, false, 0.5);
        timer += 60000;
    }

    qint64 storedShotsOf(qint64 sessionId)
    {
        return scalar(QStringLiteral("SELECT COUNT(*) FROM shots h JOIN traces t ON h.trace_id = "
                                     "t.trace_id WHERE t.session_id = %1;")
                              .arg(sessionId))
                .toLongLong();
    }

    // Makes the fault on the storage's file, or takes it away again.
    void setFault(Fault fault, Storage *storage, bool on)
    {
        switch (fault) {
        case ReadOnlyPermissions:
            // A file opened read-only stays so: the storage opens it again.
            storage->removeConnection();
            QCOMPARE(::chmod(QFile::encodeName(path()).constData(), on ? 0444 : 0644), 0);
            QCOMPARE(::chmod(QFile::encodeName(folder->path()).constData(), on ? 0555 : 0755), 0);
            QVERIFY(storage->open(path(), Connection));
            break;
        case ReadOnlyConnection: {
            QSqlDatabase db = QSqlDatabase::database(Connection, false);
            db.close();
            db.setConnectOptions(on ? QStringLiteral("QSQLITE_OPEN_READONLY") : QString());
            QVERIFY(db.open());
            break;
        }
        case ExclusiveLock:
        case SharedLock: {
            if (!on) {
                QSqlQuery(QSqlDatabase::database(Other)).exec(QStringLiteral("ROLLBACK;"));
                QSqlDatabase::database(Other).close();
                break;
            }
            // Fail at once instead of after the connection's busy timeout.
            QVERIFY(scalar(QStringLiteral("PRAGMA busy_timeout = 0;")).isValid());
            QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), Other);
            other.setDatabaseName(path());
            QVERIFY(other.open());
            // The lock lasts until the other connection's transaction ends.
            QSqlQuery lock(other);
            QVERIFY(lock.exec(fault == ExclusiveLock ? QStringLiteral("BEGIN EXCLUSIVE;")
                                                     : QStringLiteral("BEGIN;")));
            QVERIFY(lock.exec(QStringLiteral("SELECT COUNT(*) FROM sessions;")) && lock.next());
            break;
        }
        case PageLimit: {
            const qint64 pages
                    = on ? scalar(QStringLiteral("PRAGMA page_count;")).toLongLong() : 1073741823;
            QCOMPARE(scalar(QStringLiteral("PRAGMA max_page_count = %1;").arg(pages)).toLongLong(),
                     pages);
            break;
        }
        }
    }

private slots:
    void init()
    {
        folder = std::make_unique<QTemporaryDir>();
        QVERIFY(folder->isValid());
    }

    void cleanup()
    {
        if (QSqlDatabase::contains(Other))
            QSqlDatabase::removeDatabase(Other);
        ::chmod(QFile::encodeName(folder->path()).constData(), 0755);
        folder.reset();
    }

    void writeFailsCleanlyAndSucceedsOnceTheFaultIsGone_data()
    {
        QTest::addColumn<int>("fault");
        QTest::newRow("read-only file") << int(ReadOnlyPermissions);
        QTest::newRow("read-only connection") << int(ReadOnlyConnection);
        QTest::newRow("locked by a writer") << int(ExclusiveLock);
        QTest::newRow("locked by a reader") << int(SharedLock);
        QTest::newRow("page limit") << int(PageLimit);
    }

    void writeFailsCleanlyAndSucceedsOnceTheFaultIsGone()
    {
        QFETCH(int, fault);
        if (fault == ReadOnlyPermissions && ::geteuid() == 0)
            QSKIP("permissions do not bind root; the read-only connection covers this fault");

        auto storage = std::make_unique<Storage>();
        QVERIFY(storage->open(path(), Connection));
        // A stored session, and one that will be saved again with more.
        std::unique_ptr<Session> stored = makeSession(storage.get(), 2, 3);
        QVERIFY(stored->write());
        const qint64 storedId = stored->id();

        setFault(Fault(fault), storage.get(), true);
        if (QTest::currentTestFailed())
            return;

        // Two writes under the fault: a new session and more of a stored one.
        std::unique_ptr<Session> fresh = makeSession(storage.get(), 3, 4);
        const QString freshBefore = snapshot(fresh.get());
        appendTrace(stored.get(), 2);
        stored->setComments(QStringLiteral("one more trace"));
        const QString storedBefore = snapshot(stored.get());
        QVERIFY(!storage->write(fresh.get()));
        QVERIFY(!storage->write(stored.get()));
        QCOMPARE(snapshot(fresh.get()), freshBefore);
        QCOMPARE(snapshot(stored.get()), storedBefore);

        setFault(Fault(fault), storage.get(), false);
        if (QTest::currentTestFailed())
            return;

        // Nothing of either had reached the file, which is still sound (seen
        // only now: a locked file cannot be read either).
        QCOMPARE(scalar(QStringLiteral("PRAGMA integrity_check;")).toString(),
                 QStringLiteral("ok"));
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM sessions;")).toInt(), 1);
        QCOMPARE(storedShotsOf(storedId), 6);

        // Written once: saving again adds nothing.
        for (int i = 0; i < 2; ++i)
            QVERIFY(storage->write(fresh.get()) && storage->write(stored.get()));
        QCOMPARE(stored->id(), storedId);
        QVERIFY(!fresh->isDirty() && !stored->isDirty());
        QCOMPARE(scalar(QStringLiteral("SELECT COUNT(*) FROM sessions;")).toInt(), 2);
        QCOMPARE(storedShotsOf(storedId), 8);
        QCOMPARE(storedShotsOf(fresh->id()), 12);
        for (const Session *session : {fresh.get(), stored.get()}) {
            const std::unique_ptr<Session> read(storage->readSession(uint(session->id())));
            QVERIFY(read);
            QCOMPARE(read->segments().size(), session->segments().size());
            QCOMPARE(read->shots().size(), session->shots().size());
            QCOMPARE(read->resultInt(), session->resultInt());
        }
    }
};

KAVRO_TEST_MAIN(TestStorageFaults, QCoreApplication)
#include "tst_storagefaults.moc"
