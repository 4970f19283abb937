// The program's facade to its pages (settings, limits, sounds, the database
// wipe) and the sound player with overlapping copies.
#include <applicationdata.h>
#include <multisoundeffect.h>
#include <testenvironment.h>

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QSoundEffect>
#include <QTest>

// Stands in for a sound effect: loads when told to, plays until finished.
class FakeEffect : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int status MEMBER status NOTIFY statusChanged)
    Q_PROPERTY(bool playing MEMBER playing)

public:
    using QObject::QObject;
    int status = QSoundEffect::Loading;
    bool playing = false;
    int plays = 0;

public slots:
    void play()
    {
        ++plays;
        playing = true;
    }

signals:
    void statusChanged();
};

class TestApplicationData : public QObject
{
    Q_OBJECT

private slots:
    void init() { TestEnvironment::resetUserState(); }

    void startClampsStoredLimits_data()
    {
        QTest::addColumn<QVariant>("storedRanges");
        QTest::addColumn<QVariant>("storedSeconds");
        QTest::addColumn<int>("ranges");
        QTest::addColumn<int>("seconds");
        QTest::newRow("absent") << QVariant() << QVariant() << 2 << 15;
        QTest::newRow("too small") << QVariant(-4) << QVariant(3) << 1 << 10;
        QTest::newRow("in range") << QVariant(4) << QVariant(30) << 4 << 30;
        QTest::newRow("garbage") << QVariant("lots") << QVariant("x") << 2 << 15;
        QTest::newRow("huge") << QVariant("99999999999") << QVariant(70000) << 6 << 60;
    }

    void startClampsStoredLimits()
    {
        QFETCH(QVariant, storedRanges);
        QFETCH(QVariant, storedSeconds);
        if (storedRanges.isValid())
            QSettings().setValue(QStringLiteral("maxRanges"), storedRanges);
        if (storedSeconds.isValid())
            QSettings().setValue(QStringLiteral("maxSecondsBeforeShot"), storedSeconds);
        ApplicationData facade;
        QTEST(facade.maxRanges(), "ranges");
        QTEST(facade.maxSecondsBeforeShot(), "seconds");
    }

    void settingsConversions_data()
    {
        // Each read falls back to its default (7, 1.5, "d", true) where it must.
        QTest::addColumn<QVariant>("stored"); // as read back from the file; none: absent
        QTest::addColumn<qlonglong>("integer");
        QTest::addColumn<double>("real");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("flag");
        QTest::newRow("number") << QVariant(12) << 12LL << 12.0 << QStringLiteral("12") << true;
        QTest::newRow("word") << QVariant("abc") << 7LL << 1.5 << QStringLiteral("abc") << true;
        QTest::newRow("real") << QVariant("2.5") << 7LL << 2.5 << QStringLiteral("2.5") << true;
        QTest::newRow("empty") << QVariant("") << 7LL << 1.5 << QString() << false;
        QTest::newRow("absent") << QVariant() << 7LL << 1.5 << QStringLiteral("d") << true;
    }

    void settingsConversions()
    {
        QFETCH(QVariant, stored);
        const QString key = QStringLiteral("window/x");
        ApplicationData facade;
        if (stored.isValid())
            facade.setValue(key, stored);
        QTEST(facade.intValue(key, 7), "integer");
        QTEST(facade.realValue(key, 1.5), "real");
        QTEST(facade.stringValue(key, QStringLiteral("d")), "text");
        QTEST(facade.boolValue(key, true), "flag");
        QCOMPARE(QSettings().value(key), stored); // written straight through
    }

    // A lane count is stored and makes the lanes; the pages re-read the
    // competition name on every signal, also for an unchanged name.
    void settersStoreAndMakeLanes()
    {
        ApplicationData facade;
        QSignalSpy name(&facade, &ApplicationData::competitionNameChanged);
        facade.setMaxRanges(2); // the current value: nothing written
        QVERIFY(!QSettings().contains(QStringLiteral("maxRanges")));
        facade.setMaxRanges(4);
        QCOMPARE(facade.ranges().size(), 4);
        QCOMPARE(QSettings().value(QStringLiteral("maxRanges")).toInt(), 4);
        facade.setCompetitionName(QStringLiteral("Кубок"));
        facade.setCompetitionName(QStringLiteral("Кубок"));
        QCOMPARE(name.count(), 2);
    }

    void soundsPlayOnceLoadedOnIdleCopies()
    {
        // A play asked for before any copy has loaded waits for the first
        // that does; a copy that fails to load does not take it.
        MultiSoundEffect player(nullptr, QUrl(), 4, [](QObject *parent, const QUrl &) {
            return new FakeEffect(parent);
        });
        QList<FakeEffect *> copies;
        for (QObject *copy : player.copies())
            copies << qobject_cast<FakeEffect *>(copy);
        const auto plays = [&] {
            QList<int> list;
            for (const FakeEffect *copy : copies)
                list << copy->plays;
            return list;
        };
        player.play();
        player.play(); // still one pending play, not two
        copies[0]->setProperty("status", int(QSoundEffect::Error));
        QVERIFY(player.isPlayPending());
        for (int i : {2, 3, 1})
            copies[i]->setProperty("status", int(QSoundEffect::Ready));
        QVERIFY(!player.isPlayPending());
        QCOMPARE(plays(), QList<int>({0, 0, 1, 0}));
        // Idle copies in the order they became ready; with all busy, dropped.
        player.play();
        QCOMPARE(plays(), QList<int>({0, 0, 1, 1}));
        player.play();
        player.play();
        QCOMPARE(plays(), QList<int>({0, 1, 1, 1}));
        copies[2]->setProperty("playing", false);
        player.play();
        QCOMPARE(plays(), QList<int>({0, 1, 2, 1}));

        // The facade keeps one player per sound. No sound card is needed: the
        // real effect loads the resource and the play happens.
        ApplicationData facade;
        const QUrl shot(QStringLiteral("qrc:/sounds/shot.wav"));
        QVERIFY(!facade.soundPlayer(shot));
        facade.playSound(shot);
        MultiSoundEffect *real = facade.soundPlayer(shot);
        QVERIFY(real && qobject_cast<QSoundEffect *>(real->copies().first()));
        facade.preloadSound(shot);
        QCOMPARE(facade.soundPlayer(shot), real);
        QTRY_VERIFY(!real->isPlayPending());
        QCOMPARE(real->copies().first()->property("status").toInt(), int(QSoundEffect::Ready));
    }

    void deleteDataBaseRemovesTheFolderAndExits()
    {
        const QString folder = ApplicationData::dataLocation();
        QVERIFY(QDir().mkpath(folder + QStringLiteral("/sub")));

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
