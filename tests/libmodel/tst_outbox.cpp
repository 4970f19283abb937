// Sessions through the outbox into a real SQLite file: stored, in order, as
// if written directly; damaged files set aside; pending while the database
// refuses them (locked, read-only, gone, full), then delivered once, with a
// shooter made meanwhile. A writer's lock and delivery by the program and the
// tool: tst_outboxdelivery, tst_kavrodb.
#include <mountsandbox.h>
#include <sessionbuilder.h>
#include <sqlfile.h>
#include <testenvironment.h>

#include <recordcodec.h>
#include <sessionoutbox.h>
#include <shot.h>
#include <storage.h>
#include <trace.h>

#include <QBitArray>
#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QUuid>

#include <unistd.h>

using namespace LibModel;

namespace {

enum Fault { ReaderLock, ReadOnlyFile, FolderDeleted, DiskFull };

// Every row of the database, ids included.
QString rows(const QString &connection)
{
    QSqlQuery query(QSqlDatabase::database(connection));
    QStringList values;
    for (const char *table : {"persons", "sessions", "traces", "shots"}) {
        query.exec(QStringLiteral("SELECT * FROM %1;").arg(QLatin1String(table)));
        while (query.next())
            for (int i = 0; i < query.record().count(); ++i)
                values << QString::fromLatin1(query.value(i).toByteArray().toHex());
    }
    return values.join(QLatin1Char(' '));
}

// A session as the outbox filed it when the samples were inside the
// checked payload (format 1).
QByteArray firstFormat(const Session &session)
{
    QByteArray payload;
    QDataStream out(&payload, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_5_15);
    const ShooterRecord shooter = session.shooter();
    out << session.uuid() << session.targetUuid() << session.caliber() << session.distance()
        << session.timer() << quint16(session.sampleRate()) << qint32(session.position())
        << session.comments() << session.competitionName() << session.isGto() << shooter.name
        << shooter.organization << shooter.group << shooter.properties << session.properties()
        << qint32(session.segments().size());
    for (const Trace *trace : session.segments()) {
        out << trace->timerStart() << RecordCodec::encodeSamples(trace->samples())
            << trace->properties() << qint32(trace->shots().size());
        for (const Shot *shot : trace->shots())
            out << quint16(shot->serieIndex()) << qint32(shot->offset()) << shot->isMissed()
                << shot->phase() << shot->timer() << shot->properties();
    }
    QByteArray bytes;
    QDataStream head(&bytes, QIODevice::WriteOnly);
    head.setVersion(QDataStream::Qt_5_15);
    head << quint32(0x4B505345) << quint16(1) << payload << quint16(qChecksum(payload));
    return bytes;
}

} // namespace

class TestOutbox : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<Storage> storage;
    QString path;

    std::unique_ptr<Session> finished(const QString &shooter, qint64 start = SessionBuilder::Start)
    {
        return SessionBuilder(storage.get(), start).shooter(shooter).shots({{0.1, 0}}).take();
    }

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir(dir->path()).mkdir(QStringLiteral("data")));
        path = dir->filePath(QStringLiteral("data/storage.sqlite"));
        storage = std::make_unique<Storage>();
        QVERIFY(storage->open(path, QStringLiteral("outbox")));
        storage->setBusyTimeout(0);
    }

    void cleanup() { storage.reset(); }

    void deliveredInOrderAsWrittenDirectly()
    {
        SessionBuilder builder(storage.get());
        builder.value(QStringLiteral("birthDate"), QStringLiteral("2001-02-03"))
                .shooter(QStringLiteral("Орлова"), QStringLiteral("ЦСКА"), QStringLiteral("2"))
                .competition(QStringLiteral("Кубок"), true)
                .shots({{0.3, -1.2}, {5.0, 5.0}})
                .missed(1)
                .trace()
                .shot(-2.2, 0.4, 1);
        Session *first = builder.session();
        first->setComments(QStringLiteral("ветер"));
        first->setPosition(Session::PositionKneeling);
        first->segments().first()->setProperties({{QStringLiteral("k"), 7}});
        first->shots().last()->setProperties({{QStringLiteral("p"), 0.25}});
        const std::unique_ptr<Session> second = finished(QStringLiteral("Ким"), 1000);
        QVERIFY(first->write() && second->write());

        // The same two through the outbox of a new file, which knows neither
        // person, with damaged files between them: emptied, cut short, one
        // byte changed in the middle, in the head (share kept, where changed);
        // the second filed by an earlier version of the program.
        Storage other;
        const QString otherPath = dir->filePath(QStringLiteral("other.sqlite"));
        QVERIFY(other.open(otherPath, QStringLiteral("other")));
        SessionOutbox outbox(SessionOutbox::folderFor(otherPath));
        QVERIFY(outbox.put(*first));
        QFile file(outbox.pending().constFirst());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        const QList<QPair<double, double>> damages = {{0, -1}, {0.6, -1}, {1, 0.5}, {1, 0}};
        for (int d = 0; d < damages.size(); ++d) {
            QByteArray damaged = bytes.left(int(damages[d].first * bytes.size()));
            if (damages[d].second >= 0)
                damaged[int(damages[d].second * bytes.size())] ^= 0x55;
            QFile copy(file.fileName().replace(QStringLiteral(".session"),
                                               QStringLiteral("%1.session").arg(d)));
            QVERIFY(copy.open(QIODevice::WriteOnly) && copy.write(damaged) == damaged.size());
        }
        QFile earlier(outbox.folder() + QStringLiteral("/9999999999999999-")
                      + QUuid::fromString(second->uuid()).toString(QUuid::WithoutBraces)
                      + QStringLiteral(".session"));
        QVERIFY(earlier.open(QIODevice::WriteOnly) && earlier.write(firstFormat(*second)) > 0);
        earlier.close();
        // A value of a type the program never stores: some of the toolkit's
        // readers would take whatever memory the file claims.
        second->setValue(QStringLiteral("bits"), QBitArray(64));
        QVERIFY(outbox.put(*second));

        const SessionOutbox::Delivery delivery = outbox.deliver(&other);
        QCOMPARE(QList<int>({delivery.delivered, delivery.rejected, delivery.pending}),
                 QList<int>({2, 5, 0}));
        QCOMPARE(outbox.rejectedCount(), 5);
        const QString written = rows(QStringLiteral("outbox"));
        QVERIFY(written.size() > 1000);
        QCOMPARE(rows(QStringLiteral("other")), written);
    }

    void pendingUntilTheFaultIsGone_data()
    {
        QTest::addColumn<int>("fault");
        QTest::newRow("locked by a reader") << int(ReaderLock);
        QTest::newRow("read-only file") << int(ReadOnlyFile);
        QTest::newRow("folder deleted, then put back") << int(FolderDeleted);
        QTest::newRow("disk full") << int(DiskFull);
    }

    void pendingUntilTheFaultIsGone()
    {
        QFETCH(int, fault);
        MountSandbox sandbox; // permissions do not bind root, a mount does
        if (!sandbox.isAvailable()
            && (fault == DiskFull || (fault == ReadOnlyFile && ::geteuid() == 0)))
            QSKIP(qPrintable(sandbox.reason()));
        const QString data = QFileInfo(path).path();
        if (fault == DiskFull) // the database anew on a small disk, outbox and all
            QVERIFY(sandbox.smallDisk(data, 4 << 20)
                    && storage->open(path, QStringLiteral("outbox")));
        const QString copy = dir->filePath(QStringLiteral("copy"));
        QSqlDatabase lock = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"),
                                                      QLatin1String(QTest::currentDataTag()));
        lock.setDatabaseName(path);
        const auto setFault = [&](bool on) {
            switch (fault) {
            case ReaderLock: // the inserts work, the commit does not: all is rolled back
                QVERIFY((!on || lock.open())
                        && QSqlQuery(lock).exec(on ? QStringLiteral("BEGIN;")
                                                   : QStringLiteral("END;")));
                QVERIFY(!on || QSqlQuery(lock).exec(QStringLiteral("SELECT * FROM sessions;")));
                break;
            case ReadOnlyFile: // as when the program started on it
                if (sandbox.isAvailable())
                    QVERIFY(on ? sandbox.readOnly(path) : sandbox.writable(path));
                else
                    QVERIFY(QFile::setPermissions(path,
                                                  on ? QFile::Permissions(QFile::ReadOwner)
                                                     : QFile::ReadOwner | QFile::WriteOwner));
                QVERIFY(!on || storage->reopen());
                break;
            case FolderDeleted:
                QVERIFY(on ? QFile::copy(path, copy) && QDir(data).removeRecursively()
                           : QFile::rename(copy, path));
                break;
            case DiskFull:
                QVERIFY(on ? sandbox.fill(data) : sandbox.resize(data, 64 << 20));
                break;
            }
        };
        QVERIFY(finished(QStringLiteral("Ким"))->write());
        setFault(true);
        // A shooter chosen during the fault, who is not in the database.
        const std::unique_ptr<Session> session = finished(QStringLiteral("Новиков"));
        SessionOutbox outbox(SessionOutbox::folderFor(path));
        if (fault == DiskFull) { // no room for the outbox file either, then for it alone
            QVERIFY(!outbox.put(*session) && !outbox.lastError().isEmpty());
            QCOMPARE(QDir(outbox.folder()).entryList(QDir::Files), QStringList());
            QVERIFY(sandbox.fill(data, (outbox.encode(*session).size() + 4095) & ~4095));
        }
        QVERIFY2(outbox.put(*session), qPrintable(outbox.lastError()));
        const SessionOutbox::Delivery refused = outbox.deliver(storage.get());
        QCOMPARE(QList<int>({refused.delivered, refused.pending}), QList<int>({0, 1}));
        QVERIFY(!refused.error.isEmpty() && refused.error == outbox.lastError());
        setFault(false);
        QCOMPARE(outbox.deliver(storage.get()).delivered, 1);

        // Delivered again (a crash before its file went): nothing more is stored.
        QVERIFY(outbox.put(*session));
        const SessionOutbox::Delivery again = outbox.deliver(storage.get());
        QCOMPARE(QList<int>({again.delivered, again.pending}), QList<int>({1, 0}));
        QCOMPARE(SqlFile::value(path,
                                QStringLiteral("SELECT GROUP_CONCAT(p.name) FROM sessions s "
                                               "JOIN persons p USING (person_id);"))
                         .toString(),
                 QStringLiteral("Ким,Новиков"));
        QCOMPARE(SqlFile::value(path, QStringLiteral("PRAGMA integrity_check;")).toString(),
                 QStringLiteral("ok"));
    }
};

KAVRO_TEST_MAIN(TestOutbox, QCoreApplication)
#include "tst_outbox.moc"
