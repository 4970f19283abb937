#include <applicationdata.h>
#include <multisoundeffect.h>
#include <testenvironment.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>

#include <memory>

class TestApplicationData : public QObject
{
    Q_OBJECT

private:
    static void store(const QString &key, const QVariant &value)
    {
        QSettings().setValue(key, value);
    }

private slots:
    void init() { TestEnvironment::resetUserState(); }

    void isTheProcessWideFacadeWhileItLives()
    {
        QVERIFY(!ApplicationData::instance());
        {
            ApplicationData facade;
            QCOMPARE(ApplicationData::instance(), &facade);
            QCOMPARE(facade.versionString(), QStringLiteral("25.05"));
            QCOMPARE(QCoreApplication::applicationVersion(), QStringLiteral("1.0.0"));
            QCOMPARE(facade.shootingMode(), 0);
            QVERIFY(facade.competitionName().isEmpty());
            QVERIFY(facade.devices().isEmpty());
            QCOMPARE(facade.averageFrameRate(), 0.0);
        }
        QVERIFY(!ApplicationData::instance());
    }

    void startClampsStoredLimits_data()
    {
        QTest::addColumn<QVariant>("storedRanges");
        QTest::addColumn<QVariant>("storedSeconds");
        QTest::addColumn<int>("ranges");
        QTest::addColumn<int>("seconds");
        QTest::newRow("absent") << QVariant() << QVariant() << 2 << 15;
        QTest::newRow("too small") << QVariant(0) << QVariant(3) << 1 << 10;
        QTest::newRow("too large") << QVariant(9) << QVariant(100) << 6 << 60;
        QTest::newRow("negative") << QVariant(-4) << QVariant(-1) << 1 << 10;
        QTest::newRow("in range") << QVariant(4) << QVariant(30) << 4 << 30;
        QTest::newRow("garbage") << QVariant("lots") << QVariant("x") << 2 << 15;
        QTest::newRow("huge") << QVariant("99999999999") << QVariant(70000) << 6 << 60;
    }

    void startClampsStoredLimits()
    {
        QFETCH(QVariant, storedRanges);
        QFETCH(QVariant, storedSeconds);
        if (storedRanges.isValid())
            store(QStringLiteral("maxRanges"), storedRanges);
        if (storedSeconds.isValid())
            store(QStringLiteral("maxSecondsBeforeShot"), storedSeconds);
        ApplicationData facade;
        QTEST(facade.maxRanges(), "ranges");
        QTEST(facade.maxSecondsBeforeShot(), "seconds");
    }

    void settingsConversions()
    {
        ApplicationData facade;
        store(QStringLiteral("int"), 12);
        store(QStringLiteral("text"), QStringLiteral("abc"));
        // As read back from the file after a restart.
        store(QStringLiteral("real"), QStringLiteral("2.5"));
        store(QStringLiteral("empty"), QString());

        QCOMPARE(facade.intValue(QStringLiteral("int")), 12);
        QCOMPARE(facade.intValue(QStringLiteral("text"), 7), 7); // not a number
        QCOMPARE(facade.intValue(QStringLiteral("real"), 7), 7); // "2.5" is no integer
        QCOMPARE(facade.intValue(QStringLiteral("absent"), -3), -3);
        QCOMPARE(facade.intValue(QStringLiteral("absent")), 0);
        QCOMPARE(facade.intValue(QStringLiteral("empty"), 4), 4);

        QCOMPARE(facade.realValue(QStringLiteral("real")), 2.5);
        QCOMPARE(facade.realValue(QStringLiteral("int")), 12.0);
        QCOMPARE(facade.realValue(QStringLiteral("text"), 1.5), 1.5);
        QCOMPARE(facade.realValue(QStringLiteral("absent")), 0.0);

        // Text and bool fall back only when the key is absent.
        QCOMPARE(facade.stringValue(QStringLiteral("int"), QStringLiteral("d")),
                 QStringLiteral("12"));
        QCOMPARE(facade.stringValue(QStringLiteral("empty"), QStringLiteral("d")), QString());
        QCOMPARE(facade.stringValue(QStringLiteral("absent"), QStringLiteral("d")),
                 QStringLiteral("d"));
        QCOMPARE(facade.stringValue(QStringLiteral("absent")), QString());
        QCOMPARE(facade.boolValue(QStringLiteral("int")), true);
        QCOMPARE(facade.boolValue(QStringLiteral("empty"), true), false);
        QCOMPARE(facade.boolValue(QStringLiteral("absent"), true), true);
        QCOMPARE(facade.boolValue(QStringLiteral("absent")), false);

        QVERIFY(!facade.value(QStringLiteral("absent")).isValid());
        QCOMPARE(facade.value(QStringLiteral("absent"), 5).toInt(), 5);

        // Writes go straight to the store; nothing is cached.
        facade.setValue(QStringLiteral("window/x"), 321);
        QCOMPARE(QSettings().value(QStringLiteral("window/x")).toInt(), 321);
        store(QStringLiteral("window/x"), 17);
        QCOMPARE(facade.intValue(QStringLiteral("window/x")), 17);
    }

    void settersStoreAndNotifyOnlyOnChange()
    {
        ApplicationData facade;
        QSignalSpy ranges(&facade, &ApplicationData::maxRangesChanged);
        QSignalSpy seconds(&facade, &ApplicationData::maxSecondsBeforeShotChanged);
        QSignalSpy mode(&facade, &ApplicationData::shootingModeChanged);

        facade.setMaxRanges(2); // the current value: no write, no signal
        QCOMPARE(ranges.count(), 0);
        QVERIFY(!QSettings().contains(QStringLiteral("maxRanges")));
        facade.setMaxRanges(4);
        QCOMPARE(ranges.count(), 1);
        QCOMPARE(facade.maxRanges(), 4);
        QCOMPARE(QSettings().value(QStringLiteral("maxRanges")).toInt(), 4);

        // The setter does not clamp: the window stores 5 during a run, and
        // the next start clamps it back to 10.
        facade.setMaxSecondsBeforeShot(5);
        QCOMPARE(seconds.count(), 1);
        QCOMPARE(facade.maxSecondsBeforeShot(), 5);
        facade.setMaxSecondsBeforeShot(5);
        QCOMPARE(seconds.count(), 1);
        QCOMPARE(ApplicationData().maxSecondsBeforeShot(), 10);

        facade.setShootingMode(2);
        facade.setShootingMode(2);
        QCOMPARE(mode.count(), 1);
    }

    void competitionNameNotifiesEvenWhenEqual()
    {
        ApplicationData facade;
        QSignalSpy spy(&facade, &ApplicationData::competitionNameChanged);
        facade.setCompetitionName(QStringLiteral("Кубок"));
        facade.setCompetitionName(QStringLiteral("Кубок"));
        QCOMPARE(spy.count(), 2);
        QCOMPARE(facade.competitionName(), QStringLiteral("Кубок"));
        QVERIFY(!QSettings().contains(QStringLiteral("range/competitionName")));
    }

    void createsTheDataFolder()
    {
        const QString folder = ApplicationData::dataLocation();
        QVERIFY(folder.startsWith(TestEnvironment::root()));
        QVERIFY(!QDir(folder).exists());
        ApplicationData facade;
        QVERIFY(QDir(folder).exists());
    }

    void soundPlayersAreMadeOncePerSource()
    {
        ApplicationData facade;
        const QUrl shot(QStringLiteral("qrc:/sounds/shot.wav"));
        QVERIFY(!facade.soundPlayer(shot));
        facade.preloadSound(shot);
        MultiSoundEffect *player = facade.soundPlayer(shot);
        QVERIFY(player);
        QCOMPARE(player->copies().size(), 5);
        facade.playSound(shot);
        facade.preloadSound(shot);
        QCOMPARE(facade.soundPlayer(shot), player);
        facade.playSound(QUrl(QStringLiteral("qrc:/sounds/missing.wav")));
        QVERIFY(facade.soundPlayer(QUrl(QStringLiteral("qrc:/sounds/missing.wav"))));
    }

    void frameRateCountsRenderedFrames()
    {
        ApplicationData facade;
        QSignalSpy frames(&facade, &ApplicationData::framesChanged);
        QSignalSpy rate(&facade, &ApplicationData::averageFrameRateChanged);
        facade.calculateAverageFrameRate(); // closes the interval since start
        for (int i = 0; i < 30; ++i)
            facade.onAfterRendering();
        QCOMPARE(facade.frames(), 30);
        QCOMPARE(frames.count(), 30);
        QTest::qSleep(100);
        facade.calculateAverageFrameRate();
        // 30 frames in at least 100 ms: at most 300 per second, and positive.
        QVERIFY(facade.averageFrameRate() > 0.0);
        QVERIFY(facade.averageFrameRate() <= 300.0);
        QVERIFY(rate.count() >= 1);
        // The next interval starts from zero.
        QTest::qSleep(20);
        facade.calculateAverageFrameRate();
        QCOMPARE(facade.averageFrameRate(), 0.0);
        QCOMPARE(facade.frames(), 30);
    }

    void frameRateTimerRuns()
    {
        ApplicationData facade;
        facade.onAfterRendering();
        QSignalSpy rate(&facade, &ApplicationData::averageFrameRateChanged);
        QVERIFY(rate.wait(2000));
    }

    void deleteDataBaseRemovesTheFolderAndExits()
    {
        const QString folder = ApplicationData::dataLocation();
        QVERIFY(QDir().mkpath(folder + QStringLiteral("/sub")));
        QFile file(folder + QStringLiteral("/storage.sqlite"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("data");
        file.close();

        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("KAVRO_TEST_DELETE_DATABASE"), QStringLiteral("1"));
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::ForwardedChannels);
        child.start(QCoreApplication::applicationFilePath(), {});
        QVERIFY(child.waitForFinished(30000));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
        QVERIFY(!QDir(folder).exists());
        QVERIFY(QDir(TestEnvironment::root()).exists());
    }
};

int main(int argc, char *argv[])
{
    TestEnvironment::prepare();
    QApplication app(argc, argv);
    LibMisc::ApplicationIdentity::apply();
    if (qEnvironmentVariableIsSet("KAVRO_TEST_DELETE_DATABASE")) {
        // Child of deleteDataBaseRemovesTheFolderAndExits: wipes and ends.
        auto *facade = new ApplicationData;
        facade->deleteDataBase();
        return 99; // not reached
    }
    TestApplicationData tc;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tc, argc, argv);
}

#include "tst_applicationdata.moc"
