// The archive pages' reads and the catalogue's reads and changes off the GUI
// thread, on a real SQLite file: what the storage reads itself, a busy flag
// while they are out, the newest answered, refusals reported.
#include <applicationdata.h>
#include <archivereader.h>
#include <catalog.h>
#include <sessionbuilder.h>
#include <testenvironment.h>

#include <session.h>
#include <sessioninfomodel.h>
#include <shootermodel.h>
#include <shot.h>
#include <storage.h>
#include <trace.h>

#include <QFile>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>

using namespace LibModel;

// Everything the pages can show of every row, places included.
static QStringList texts(const SessionInfoModel *model)
{
    QList<int> roles = model->roleNames().keys();
    std::sort(roles.begin(), roles.end());
    QStringList texts;
    for (int row = 0; row < model->rowCount(); ++row)
        for (int role : std::as_const(roles))
            texts << model->data(model->index(row), role).toString();
    return texts;
}

// What the pages and a later write use of a session, row ids included.
static QStringList describe(const Session *session)
{
    QStringList texts {session->uuid(), session->shooter().name, QString::number(session->id()),
                       QString::number(session->result()),
                       QString::number(session->isTriggerDataAvailable())};
    for (const Trace *trace : session->segments()) {
        texts << QString::number(trace->id());
        for (const Shot *shot : trace->shots())
            texts << QString::number(shot->id()) << QString::number(shot->result()); // nan: missed
    }
    return texts;
}

// Waits for the answer to ticket; the model or session it carries.
template<typename Answer>
static std::unique_ptr<Answer> answer(QSignalSpy &spy, int ticket)
{
    if (spy.isEmpty() && !spy.wait())
        return nullptr;
    const QList<QVariant> args = spy.takeFirst();
    return std::unique_ptr<Answer>(args.at(0).toInt() == ticket ? args.at(1).value<Answer *>()
                                                                : nullptr);
}

// Waits until the catalogue has no request out.
static bool settled(Catalog &catalog)
{
    QSignalSpy busy(&catalog, &Catalog::busyChanged);
    while (catalog.busy()) {
        if (!busy.wait())
            return false;
    }
    return true;
}

class TestArchiveReader : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    Storage storage;
    QString path;
    qint64 ivanov = 0, firstId = 0;

private slots:
    void initTestCase()
    {
        path = dir.filePath(QStringLiteral("storage.sqlite"));
        QVERIFY(storage.open(path, QStringLiteral("gui")));
        const QString club = QStringLiteral("Клуб"), cup = QStringLiteral("Кубок");
        SessionBuilder first(&storage), second(&storage, SessionBuilder::Start + 3600000),
                third(&storage, SessionBuilder::Start + 7200000);
        first.shooter(QStringLiteral("Иванов"), club).competition(cup).shots({{0.1, 0}, {2.6, 0}});
        firstId = first.missed(1).trace().shot(-3.0, 1.0, 1).write();
        second.shooter(QStringLiteral("Петров"), club).competition(cup).shot(4, 4).write();
        third.shooter(QStringLiteral("Иванов"), club).competition(QStringLiteral("ГТО"), true);
        QVERIFY(third.shot(0.5, 0.5).write() > 0);
        ivanov = storage.lookupShooter(QStringLiteral("Иванов"), club, QString());
        QVERIFY(firstId > 0 && ivanov > 0);
    }

    void listsMatchTheStorage_data()
    {
        QTest::addColumn<QString>("competition"); // empty: the person's sessions
        QTest::addColumn<bool>("gto");
        QTest::newRow("a person's") << QString() << false;
        QTest::newRow("a competition, with places") << QStringLiteral("Кубок") << false;
        QTest::newRow("a fitness-norm event") << QStringLiteral("ГТО") << true;
    }

    void listsMatchTheStorage()
    {
        QFETCH(QString, competition);
        QFETCH(bool, gto);
        ArchiveReader reader(path, &storage);
        QSignalSpy read(&reader, &ArchiveReader::sessionsRead);
        const auto model = answer<SessionInfoModel>(
                read,
                competition.isEmpty() ? reader.readSessions(ivanov)
                                      : reader.readCompetition(competition, gto));
        const std::unique_ptr<SessionInfoModel> direct(
                competition.isEmpty() ? storage.sessions(ivanov)
                                      : storage.sessionsByCompetitionName(competition, gto));
        QVERIFY(model && model->rowCount() > 0);
        QCOMPARE(texts(model.get()), texts(direct.get()));
    }

    // A newer list supersedes an older one; a session read is apart.
    void onlyTheNewestRequestIsAnswered()
    {
        ArchiveReader reader(path, &storage);
        QSignalSpy busy(&reader, &ArchiveReader::busyChanged);
        QSignalSpy lists(&reader, &ArchiveReader::sessionsRead);
        QSignalSpy sessions(&reader, &ArchiveReader::sessionRead);
        reader.readSessions(0);
        const int whole = reader.readSession(uint(firstId));
        const int newest = reader.readCompetition(QStringLiteral("ГТО"), true);
        QVERIFY(answer<Session>(sessions, whole));
        QCOMPARE(answer<SessionInfoModel>(lists, newest)->rowCount(), 1);
        QVERIFY(!reader.busy() && busy.count() == 2);
        QVERIFY(lists.isEmpty() && sessions.isEmpty());
    }

    void sessionMatchesTheStorage()
    {
        ArchiveReader reader(path, &storage);
        QSignalSpy read(&reader, &ArchiveReader::sessionRead);
        const auto session = answer<Session>(read, reader.readSession(uint(firstId)));
        const std::unique_ptr<Session> direct(storage.readSession(uint(firstId)));
        QVERIFY(session && direct && !session->isDirty());
        QCOMPARE(session->storage(), static_cast<AbstractStorage *>(&storage));
        QCOMPARE(describe(session.get()), describe(direct.get()));
        QVERIFY(!answer<Session>(read, reader.readSession(99999)));
    }

    // A change the database refuses comes back as a failure with its
    // reason, never as a success; asking does not wait for the lock.
    void refusedChangesReportTheirReason_data()
    {
        QTest::addColumn<int>("change");
        QTest::addColumn<QString>("failure");
        QTest::newRow("a person") << 0 << QStringLiteral("Не удалось удалить пользователя: ");
        QTest::newRow("a session") << 1 << QStringLiteral("Не удалось удалить сессию: ");
        QTest::newRow("an import") << 2 << QStringLiteral("Не удалось сохранить стрелков: ");
    }

    void refusedChangesReportTheirReason()
    {
        QFETCH(int, change);
        QFETCH(QString, failure);
        const QString list = dir.filePath(QStringLiteral("list.json"));
        QFile file(list);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(R"([{"name": "Новиков", "organization": "Клуб", "group": "", "isGto": false}])");
        file.close();
        std::unique_ptr<Session> first(storage.readSession(uint(firstId)));
        QVERIFY(first && storage.reloadShooters());
        const qint64 persons = storage.shooters()->count();

        Catalog catalog(path, nullptr);
        QSignalSpy done(&catalog, &Catalog::changeDone);
        {
            QSqlDatabase lock
                    = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("lock"));
            lock.setDatabaseName(path);
            QVERIFY(lock.open() && QSqlQuery(lock).exec(QStringLiteral("BEGIN IMMEDIATE;")));
            const int ticket = change == 0 ? catalog.deleteShooter(ivanov)
                    : change == 1          ? catalog.deleteSession(first->uuid())
                                           : catalog.importShooters(list);
            QVERIFY(catalog.busy() && done.isEmpty()); // answered later
            QVERIFY(done.wait());
            QCOMPARE(done.at(0).at(0).toInt(), ticket);
            QCOMPARE(done.at(0).at(2).toInt(), 0); // nobody added
            QVERIFY(!done.at(0).at(3).toString().isEmpty());
            QVERIFY(catalog.error().startsWith(failure));
            QVERIFY(QSqlQuery(lock).exec(QStringLiteral("ROLLBACK;")));
            lock.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("lock"));
        QVERIFY(settled(catalog));
        QVERIFY(storage.reloadShooters());
        QCOMPARE(storage.shooters()->count(), persons);
        QVERIFY(std::unique_ptr<Session>(storage.readSession(uint(firstId))));
    }

    // A session the program's outbox delivers shows in the lists.
    void catalogFollowsDeliveries()
    {
        ApplicationData facade;
        Catalog *catalog = facade.catalog();
        QVERIFY(settled(*catalog));
        SessionBuilder builder(facade.storage());
        builder.shooter(QStringLiteral("Орлов"), QStringLiteral("Динамо"))
                .competition(QStringLiteral("Весна"))
                .shot(0, 0);
        QVERIFY(facade.saveSession(builder.session()));
        QTRY_COMPARE(catalog->competitions(), QStringList {QStringLiteral("Весна")});
    }
};

KAVRO_TEST_MAIN(TestArchiveReader, QGuiApplication)
#include "tst_archivereader.moc"
