#include <resampler.h>

#include <QTest>

#include <cmath>

using LibMisc::Resampler;

class TestResampler : public QObject
{
    Q_OBJECT

private slots:
    void equalIntervalsPassValuesThrough()
    {
        Resampler resampler(nullptr, 10, 10);
        QVERIFY(resampler.push(1.0).isEmpty());
        QVERIFY(resampler.push(4.0).isEmpty());
        QCOMPARE(resampler.push(2.0), QList<double>({1.0, 4.0, 2.0}));
        QCOMPARE(resampler.push(8.0), QList<double>({8.0}));
        QCOMPARE(resampler.push(-3.0), QList<double>({-3.0}));
    }

    void doubleOutputInterval()
    {
        Resampler resampler(nullptr, 20, 10);
        resampler.push(1.0);
        resampler.push(5.0);
        QCOMPARE(resampler.push(3.0), QList<double>({1.0, 3.0}));
        QVERIFY(resampler.push(7.0).isEmpty());
        QCOMPARE(resampler.push(9.0), QList<double>({9.0}));
    }

    void rampsAndConstantsAreReproduced()
    {
        // 100 samples per second in, 1000 out (milliseconds), and an odd
        // ratio: a linear ramp comes out as the same ramp at every output.
        const double ratios[][2] = {{1.0, 10.0}, {1000.0 / 1000.0, 1000.0 / 60.0}, {3.0, 7.0}};
        for (const auto &intervals : ratios) {
            Resampler resampler(nullptr, intervals[0], intervals[1]);
            Resampler constant(nullptr, intervals[0], intervals[1]);
            QList<double> out;
            for (int i = 0; i < 50; ++i) {
                resampler.push(2.0 + 0.5 * i * intervals[1], out);
                for (double value : constant.push(-4.25))
                    QCOMPARE(value, -4.25);
            }
            QVERIFY(out.size() > 40);
            for (int k = 0; k < out.size(); ++k)
                QVERIFY2(std::fabs(out.at(k) - (2.0 + 0.5 * k * intervals[0])) < 1e-9,
                         qPrintable(QStringLiteral("output %1 = %2").arg(k).arg(out.at(k))));
        }
    }

    void parabolaThroughThreePoints()
    {
        // Halfway between the first two inputs of 0, 1, 4 (x^2 at 0, 1, 2).
        Resampler resampler(nullptr, 5, 10);
        resampler.push(0.0);
        resampler.push(1.0);
        const QList<double> out = resampler.push(4.0);
        QCOMPARE(out, QList<double>({0.0, 0.25, 1.0, 2.25, 4.0}));
    }

    void clearAndResetRestartTime()
    {
        Resampler resampler(nullptr, 10, 10);
        for (double value : {1.0, 2.0, 3.0, 4.0})
            resampler.push(value);
        resampler.clear();
        QVERIFY(resampler.push(5.0).isEmpty());
        QVERIFY(resampler.push(6.0).isEmpty());
        QCOMPARE(resampler.push(7.0), QList<double>({5.0, 6.0, 7.0}));

        resampler.reset(20, 10);
        QCOMPARE(resampler.outputInterval(), 20.0);
        resampler.push(1.0);
        resampler.push(2.0);
        QCOMPARE(resampler.push(3.0), QList<double>({1.0, 3.0}));
    }

    void degenerateIntervalsGiveNothing()
    {
        Resampler resampler(nullptr, 0.0, 10.0);
        for (int i = 0; i < 5; ++i)
            QVERIFY(resampler.push(i).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestResampler)
#include "tst_resampler.moc"
