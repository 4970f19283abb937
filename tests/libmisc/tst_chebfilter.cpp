#include <chebfilter.h>

#include <QTest>

#include <cmath>

using LibMisc::ChebFilter;

namespace {
constexpr double Pi = 3.14159265358979323846;

// The published tables give seven significant digits.
bool closeToTable(double actual, double table)
{
    return std::fabs(actual - table) <= 1e-6 * std::max(1.0, std::fabs(table));
}
} // namespace

class TestChebFilter : public QObject
{
    Q_OBJECT

private slots:
    void coefficientsMatchThePublishedTable_data()
    {
        QTest::addColumn<int>("passType");
        QTest::addColumn<double>("cutoff");
        QTest::addColumn<QList<double>>("expected"); // a0 a1 a2 b1 b2
        // Two-pole Chebyshev, 0.5 % ripple, from the book's coefficient table.
        QTest::newRow("low 0.01") << int(ChebFilter::LowPass) << 0.01
                                  << QList<double> {8.663387E-04, 1.732678E-03, 8.663387E-04,
                                                    1.919129E+00, -9.225943E-01};
        QTest::newRow("low 0.05") << int(ChebFilter::LowPass) << 0.05
                                  << QList<double> {1.868823E-02, 3.737647E-02, 1.868823E-02,
                                                    1.593937E+00, -6.686903E-01};
        QTest::newRow("low 0.1") << int(ChebFilter::LowPass) << 0.1
                                 << QList<double> {6.372802E-02, 1.274560E-01, 6.372802E-02,
                                                   1.194365E+00, -4.492774E-01};
        QTest::newRow("high 0.01") << int(ChebFilter::HighPass) << 0.01
                                   << QList<double> {9.567529E-01, -1.913506E+00, 9.567529E-01,
                                                     1.911437E+00, -9.155749E-01};
    }

    void coefficientsMatchThePublishedTable()
    {
        QFETCH(int, passType);
        QFETCH(double, cutoff);
        QFETCH(QList<double>, expected);
        ChebFilter filter(nullptr, ChebFilter::PassType(passType), cutoff, 0.5, 2);
        const double actual[] = {filter.a(0), filter.a(1), filter.a(2), filter.b(1), filter.b(2)};
        for (int i = 0; i < 5; ++i)
            QVERIFY2(closeToTable(actual[i], expected.at(i)),
                     qPrintable(QStringLiteral("coefficient %1: %2 instead of %3")
                                        .arg(i)
                                        .arg(actual[i], 0, 'e', 7)
                                        .arg(expected.at(i), 0, 'e', 7)));
    }

    void bypassPassesEverything()
    {
        ChebFilter filter(nullptr, ChebFilter::LowPass, 0.5, 0.5, 2);
        QVERIFY(filter.isBypassed());
        const double inputs[] = {1.0, -7.5, 1e9, 0.0, 3.25};
        for (double input : inputs)
            QCOMPARE(filter.filter(input), input);
        // Lowering the cut-off switches filtering on; raising it back off.
        filter.setCutoffFrequency(0.25);
        QVERIFY(!filter.isBypassed());
        filter.setCutoffFrequency(0.5);
        QVERIFY(filter.isBypassed());
        QCOMPARE(filter.filter(42.0), 42.0);
    }

    void firstSampleAndDcGain()
    {
        for (double cutoff : {0.01, 0.05, 0.25, 0.45}) {
            ChebFilter filter(nullptr, ChebFilter::LowPass, cutoff, 0.5, 2);
            QCOMPARE(filter.filter(12.5), 12.5); // the first input comes back
            for (int i = 0; i < 200; ++i)
                QVERIFY(std::fabs(filter.filter(12.5) - 12.5) < 1e-9);
        }
        // A step settles at the new level.
        ChebFilter filter(nullptr, ChebFilter::LowPass, 0.05, 0.5, 2);
        filter.filter(0.0);
        double y = 0.0;
        for (int i = 0; i < 500; ++i)
            y = filter.filter(1.0);
        QVERIFY(std::fabs(y - 1.0) < 1e-6);
    }

    void highPassRemovesDc()
    {
        ChebFilter filter(nullptr, ChebFilter::HighPass, 0.1, 0.5, 2);
        filter.filter(0.0);
        double y = 0.0;
        for (int i = 0; i < 500; ++i)
            y = filter.filter(5.0);
        QVERIFY(std::fabs(y) < 1e-6);
    }

    void angleModeFollowsTheWrap()
    {
        ChebFilter filter(nullptr, ChebFilter::LowPass, 0.05, 0.5, 2, true);
        QCOMPARE(filter.filter(3.0), 3.0);
        const double y = filter.filter(-3.0);
        // The history moved down by 2 pi: the output stays near the wrap,
        // just below -pi, instead of swinging through zero.
        QVERIFY2(y < -Pi && y > -Pi - 0.5, qPrintable(QString::number(y)));
        // Without angle mode the same step swings towards zero.
        ChebFilter plain(nullptr, ChebFilter::LowPass, 0.05, 0.5, 2, false);
        plain.filter(3.0);
        QVERIFY(plain.filter(-3.0) > 2.0);
        // And back up across the wrap.
        ChebFilter up(nullptr, ChebFilter::LowPass, 0.05, 0.5, 2, true);
        up.filter(-3.0);
        const double z = up.filter(3.0);
        QVERIFY(z > Pi && z < Pi + 0.5);
    }

    void unchangedParametersDoNotRestart()
    {
        ChebFilter filter(nullptr, ChebFilter::LowPass, 0.05, 0.5, 2);
        filter.filter(0.0);
        const double settling = filter.filter(10.0);
        QVERIFY(settling < 10.0);

        ChebFilter same(nullptr, ChebFilter::LowPass, 0.05, 0.5, 2);
        same.filter(0.0);
        same.setCutoffFrequency(0.05);
        same.setPercentRipple(0.5);
        same.setPoles(2);
        same.setPassType(ChebFilter::LowPass);
        QCOMPARE(same.filter(10.0), settling); // still filtering, not restarted

        // A real change restarts: the next input comes back unchanged.
        same.setCutoffFrequency(0.1);
        QCOMPARE(same.filter(7.0), 7.0);
        same.setPercentRipple(0.0);
        QCOMPARE(same.filter(-3.0), -3.0);
    }
};

QTEST_GUILESS_MAIN(TestChebFilter)
#include "tst_chebfilter.moc"
