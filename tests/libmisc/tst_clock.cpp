#include <clock.h>

#include <QDateTime>
#include <QTest>
#include <QThread>

#include <atomic>

using LibMisc::Clock;

class TestClock : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { Clock::reset(); }

    void followsTheWallClockByDefault()
    {
        QVERIFY(!Clock::isManual());
        const qint64 before = QDateTime::currentMSecsSinceEpoch();
        const qint64 now = Clock::now();
        const qint64 after = QDateTime::currentMSecsSinceEpoch();
        QVERIFY(before <= now && now <= after);
        // advance() does not move the system clock.
        Clock::advance(1000000);
        QVERIFY(Clock::now() <= QDateTime::currentMSecsSinceEpoch());
    }

    void manualTimeIsFrozenUntilAdvancedOrReset()
    {
        Clock::setManual(1700000000000);
        QVERIFY(Clock::isManual());
        QCOMPARE(Clock::now(), 1700000000000);
        QThread::msleep(5);
        QCOMPARE(Clock::now(), 1700000000000);
        Clock::advance(250);
        QCOMPARE(Clock::now(), 1700000000250);
        Clock::advance(-1000);
        QCOMPARE(Clock::now(), 1699999999250);
        Clock::setManual(-1);
        QCOMPARE(Clock::now(), -1);
        Clock::reset();
        QVERIFY(qAbs(Clock::now() - QDateTime::currentMSecsSinceEpoch()) < 1000);
    }

    void readersOnOtherThreadsSeeTheManualTime()
    {
        Clock::setManual(42);
        std::atomic<qint64> seen {0};
        QThread *reader = QThread::create([&] { seen = Clock::now(); });
        reader->start();
        QVERIFY(reader->wait(5000));
        delete reader;
        QCOMPARE(seen.load(), 42);
    }
};

QTEST_GUILESS_MAIN(TestClock)
#include "tst_clock.moc"
