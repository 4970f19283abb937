// Where the program's database is: the command line over the setting over
// the default file, and the settings page's check (in the background) and
// apply.
#include <databasesettings.h>
#include <testenvironment.h>

#include <QCoreApplication>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>

using LibModel::StorageLocation;

class TestDatabaseSettings : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        TestEnvironment::resetUserState();
        DatabaseSettings::clearOption();
    }

    void choosesTheDatabase_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("expected"); // empty: the default file
        QTest::newRow("default") << QStringList() << QString() << QString();
        QTest::newRow("setting") << QStringList() << "postgresql://srv/club"
                                 << "postgresql://srv/club";
        QTest::newRow("setting with a password")
                << QStringList() << "postgresql://me:pw@srv/club" << QString();
        QTest::newRow("option over setting")
                << QStringList {"--simulate", "--database", "/data/club.sqlite"}
                << "postgresql://srv/club"
                << "/data/club.sqlite";
        QTest::newRow("option with =") << QStringList {"--database=postgresql:///club?host=/run/pg"}
                                       << QString() << "postgresql:///club?host=/run/pg";
    }

    void choosesTheDatabase()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, setting);
        QFETCH(QString, expected);
        if (!setting.isEmpty())
            QSettings().setValue(DatabaseSettings::settingKey(), setting);
        QString error;
        QVERIFY(DatabaseSettings::configure(QStringList {"kavrotir"} + arguments, &error));
        QCOMPARE(DatabaseSettings::location(),
                 StorageLocation::parse(expected.isEmpty() ? DatabaseSettings::defaultFile()
                                                           : expected));
    }

    void refusesBadAddresses()
    {
        QString error;
        for (const QStringList &arguments :
             {QStringList {"--database"}, QStringList {"--database", "--simulate"},
              QStringList {"--database=postgresql://srv"}}) {
            QVERIFY(!DatabaseSettings::configure(QStringList {"kavrotir"} + arguments, &error));
            QVERIFY(!error.isEmpty());
        }
        QVERIFY(!DatabaseSettings::option().isValid());

        DatabaseSettings settings(DatabaseSettings::location());
        for (const auto &[server, text] : {std::pair {true, "club.sqlite"},
                                           {false, "postgresql://srv/club"},
                                           {true, "postgresql://me:pw@srv/club"},
                                           {true, ""}}) {
            QVERIFY(!settings.apply(server, QString::fromLatin1(text)));
            QVERIFY(settings.failed());
            QVERIFY(!QSettings().contains(DatabaseSettings::settingKey()));
        }
        QVERIFY(settings.apply(true, " postgresql://srv/club "));
        QCOMPARE(settings.stored(), QStringLiteral("postgresql://srv/club"));
        QVERIFY(settings.restartNeeded());
        QVERIFY(settings.apply(false, QString()));
        QVERIFY(!settings.restartNeeded());
    }

    // The check runs on a thread of its own: a server that is not there
    // reports its error; a missing file is not made. (A file's schema and
    // counts: the settings page's test.)
    void checksInTheBackground()
    {
        QTemporaryDir folder;
        DatabaseSettings settings(DatabaseSettings::location());
        QSignalSpy checked(&settings, &DatabaseSettings::checked);
        const auto check = [&](bool server, const QString &text) {
            checked.clear();
            return settings.check(server, text) && (checked.count() || checked.wait(20000))
                    && checked.constFirst().constFirst().toBool();
        };
        QVERIFY(!check(true, "postgresql:///club?host=" + folder.filePath("nowhere")));
        QVERIFY(settings.failed() && settings.message().startsWith(QStringLiteral("Не удалось")));
        QVERIFY(!settings.checking());
        QVERIFY(check(false, folder.filePath("new.sqlite")));
        QVERIFY(!QFile::exists(folder.filePath("new.sqlite")));
    }
};

KAVRO_TEST_MAIN(TestDatabaseSettings, QCoreApplication)
#include "tst_databasesettings.moc"
