#include <chebfilter.h>
#include <clock.h>
#include <fuzzycompare.h>
#include <resampler.h>

#include <QDateTime>
#include <QTest>
#include <QThread>

#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

using namespace LibMisc;

namespace {
constexpr double Pi = 3.14159265358979323846;
}

// The clock, the comparison rules, the filter and the resampler.
class TestLibMisc : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { Clock::reset(); }

    void clockIsManualUntilReset()
    {
        const auto followsTheSystem = [] {
            const qint64 before = QDateTime::currentMSecsSinceEpoch();
            return before <= Clock::now() && Clock::now() <= QDateTime::currentMSecsSinceEpoch();
        };
        // The system's clock by default; advance() leaves it alone.
        Clock::advance(1000000);
        QVERIFY(!Clock::isManual() && followsTheSystem());
        Clock::setManual(1700000000000);
        QVERIFY(Clock::isManual());
        Clock::advance(250);
        QCOMPARE(Clock::now(), 1700000000250);
        Clock::advance(-1000);
        QCOMPARE(Clock::now(), 1699999999250);
        // Readers on other threads see the manual time.
        std::atomic<qint64> seen {0};
        std::unique_ptr<QThread> reader(QThread::create([&] { seen = Clock::now(); }));
        reader->start();
        QVERIFY(reader->wait(5000));
        QCOMPARE(seen.load(), 1699999999250);

        Clock::reset();
        QVERIFY(followsTheSystem());
    }

    void fuzzyDoubles_data()
    {
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double infinity = std::numeric_limits<double>::infinity();
        QTest::addColumn<double>("a");
        QTest::addColumn<double>("b");
        QTest::addColumn<bool>("equal");
        QTest::newRow("identical") << 30.5 << 30.5 << true;
        QTest::newRow("1e-15 relative") << 30.5 << 30.5 * (1 + 1e-15) << true;
        QTest::newRow("1e-11 relative") << 30.5 << 30.5 * (1 + 1e-11) << false;
        QTest::newRow("both near zero") << 1e-13 << -5e-13 << true;
        QTest::newRow("only one near zero") << 1e-13 << 2e-12 << false;
        QTest::newRow("zero and tiny") << 0.0 << 1e-12 << true;
        QTest::newRow("NaN and NaN") << nan << nan << false;
        QTest::newRow("NaN and number") << nan << 1.0 << false;
        QTest::newRow("infinity") << infinity << infinity << false;
    }

    void fuzzyDoubles()
    {
        QFETCH(double, a);
        QFETCH(double, b);
        QFETCH(bool, equal);
        QCOMPARE(FuzzyCompare::equal(a, b), equal);
        QCOMPARE(FuzzyCompare::equal(b, a), equal);
        // assign() stores exactly the values that compare unequal.
        double field = a;
        QCOMPARE(FuzzyCompare::assign(field, b), !equal);
        QVERIFY(std::memcmp(&field, equal ? &a : &b, sizeof field) == 0);
    }

    void fuzzyPointsAndRects()
    {
        QVERIFY(FuzzyCompare::equal(QPointF(1, 2), QPointF(1 + 1e-13, 2 - 1e-13)));
        QVERIFY(!FuzzyCompare::equal(QPointF(1000, 2), QPointF(1000 + 1e-11, 2)));
        // Rectangles compare relatively with no zero rule: 0 equals only 0.
        QVERIFY(FuzzyCompare::equal(QRectF(-25, -25, 50, 50),
                                    QRectF(-25 * (1 + 1e-15), -25, 50, 50)));
        QVERIFY(FuzzyCompare::equal(QRectF(), QRectF()));
        QVERIFY(!FuzzyCompare::equal(QRectF(0, 0, 1, 1), QRectF(1e-15, 0, 1, 1)));
        QString text = QStringLiteral("a");
        QVERIFY(!FuzzyCompare::assign(text, QStringLiteral("a")));
        QVERIFY(FuzzyCompare::assign(text, QString()));
    }

    void filterCoefficientsMatchThePublishedTable_data()
    {
        QTest::addColumn<int>("passType");
        QTest::addColumn<double>("cutoff");
        QTest::addColumn<QList<double>>("expected"); // a0 a1 a2 b1 b2
        // Two poles, 0.5 % ripple, from the book's coefficient table.
        QTest::newRow("low 0.1") << int(ChebFilter::LowPass) << 0.1
                                 << QList<double> {6.372802E-02, 1.274560E-01, 6.372802E-02,
                                                   1.194365E+00, -4.492774E-01};
        QTest::newRow("high 0.01") << int(ChebFilter::HighPass) << 0.01
                                   << QList<double> {9.567529E-01, -1.913506E+00, 9.567529E-01,
                                                     1.911437E+00, -9.155749E-01};
    }

    void filterCoefficientsMatchThePublishedTable()
    {
        QFETCH(int, passType);
        QFETCH(double, cutoff);
        QFETCH(QList<double>, expected);
        ChebFilter filter(nullptr, ChebFilter::PassType(passType), cutoff, 0.5, 2);
        const double actual[] = {filter.a(0), filter.a(1), filter.a(2), filter.b(1), filter.b(2)};
        // The table gives seven significant digits.
        for (int i = 0; i < 5; ++i)
            QVERIFY2(
                    std::fabs(actual[i] - expected[i])
                            <= 1e-6 * std::max(1.0, std::fabs(expected[i])),
                    qPrintable(
                            QStringLiteral("coefficient %1: %2").arg(i).arg(actual[i], 0, 'e', 7)));
    }

    void filterStepsAndDc()
    {
        // The first input comes back; a low-pass settles on a step and keeps
        // a constant, a high-pass removes it.
        for (double cutoff : {0.01, 0.05, 0.25, 0.45}) {
            ChebFilter low(nullptr, ChebFilter::LowPass, cutoff, 0.5, 2);
            ChebFilter high(nullptr, ChebFilter::HighPass, cutoff, 0.5, 2);
            QCOMPARE(low.filter(12.5), 12.5);
            QCOMPARE(high.filter(0.0), 0.0);
            double y = 0.0, z = 0.0;
            for (int i = 0; i < 2000; ++i) {
                y = low.filter(i < 1000 ? 12.5 : -3.0);
                z = high.filter(5.0);
                if (i == 999)
                    QVERIFY(std::fabs(y - 12.5) < 1e-9);
            }
            QVERIFY(std::fabs(y + 3.0) < 1e-6);
            QVERIFY(std::fabs(z) < 1e-6);
        }
    }

    void filterRestartsOnlyOnChanges()
    {
        // At half the sampling rate the filter is bypassed.
        ChebFilter filter(nullptr, ChebFilter::LowPass, 0.5, 0.5, 2);
        for (double input : {1.0, -7.5, 1e9})
            QCOMPARE(filter.filter(input), input);
        filter.setCutoffFrequency(0.05);
        filter.filter(0.0);
        filter.setCutoffFrequency(0.05);
        filter.setPercentRipple(0.5);
        filter.setPoles(2);
        filter.setPassType(ChebFilter::LowPass);
        QVERIFY(filter.filter(10.0) < 10.0); // still filtering
        // A real change restarts: the next input comes back unchanged.
        filter.setCutoffFrequency(0.1);
        QCOMPARE(filter.filter(7.0), 7.0);
        filter.setPercentRipple(0.0);
        QCOMPARE(filter.filter(-3.0), -3.0);
        filter.setPassType(ChebFilter::HighPass);
        QCOMPARE(filter.filter(1.0), 1.0);
    }

    void filterFollowsAnglesAcrossTheWrap()
    {
        // Across the wrap at +-pi the output continues beyond it instead of
        // swinging through zero; without angle mode it swings.
        for (double from : {3.0, -3.0}) {
            ChebFilter angle(nullptr, ChebFilter::LowPass, 0.05, 0.5, 2, true);
            ChebFilter plain(nullptr, ChebFilter::LowPass, 0.05, 0.5, 2, false);
            angle.filter(from);
            plain.filter(from);
            const double y = angle.filter(-from);
            QVERIFY2(std::fabs(y) > Pi && std::fabs(y) < Pi + 0.5 && y * from < 0,
                     qPrintable(QString::number(y)));
            QVERIFY(std::fabs(plain.filter(-from) - from) < 0.5);
        }
    }

    void resamplerOutputs_data()
    {
        QTest::addColumn<double>("output");
        QTest::addColumn<QList<double>>("inputs");
        QTest::addColumn<QList<double>>("outputs");
        // Nothing until three inputs; the first output is at time 0.
        QTest::newRow("equal intervals")
                << 10.0 << QList<double> {1, 4, 2, 8, -3} << QList<double> {1, 4, 2, 8, -3};
        QTest::newRow("every other input")
                << 20.0 << QList<double> {1, 5, 3, 7, 9} << QList<double> {1, 3, 9};
        // x^2 at 0, 1, 2: the parabola through them, at quarter steps.
        QTest::newRow("parabola") << 2.5 << QList<double> {0, 1, 4}
                                  << QList<double> {0,      0.0625, 0.25,   0.5625, 1,
                                                    1.5625, 2.25,   3.0625, 4};
        QTest::newRow("no output interval") << 0.0 << QList<double> {1, 2, 3, 4} << QList<double>();
    }

    void resamplerOutputs()
    {
        QFETCH(double, output);
        QFETCH(QList<double>, inputs);
        QFETCH(QList<double>, outputs);
        Resampler resampler(nullptr, output, 10.0);
        for (int round = 0; round < 2; ++round) {
            QList<double> out;
            for (int i = 0; i < inputs.size(); ++i) {
                const QList<double> step = resampler.push(inputs[i]);
                QVERIFY(i >= 2 || step.isEmpty());
                out += step;
            }
            QCOMPARE(out, outputs);
            resampler.clear(); // and the time starts again
        }
    }

    void resamplerReproducesRamps()
    {
        // A linear ramp comes out as the same ramp, for any ratio.
        const double ratios[][2] = {{1.0, 10.0}, {1.0, 1000.0 / 60.0}, {3.0, 7.0}};
        for (const auto &intervals : ratios) {
            Resampler resampler(nullptr, 1.0, 1.0);
            resampler.reset(intervals[0], intervals[1]);
            QList<double> out;
            for (int i = 0; i < 50; ++i)
                resampler.push(2.0 + 0.5 * i * intervals[1], out);
            QVERIFY(out.size() > 40);
            for (int k = 0; k < out.size(); ++k)
                QVERIFY2(std::fabs(out.at(k) - (2.0 + 0.5 * k * intervals[0])) < 1e-9,
                         qPrintable(QStringLiteral("output %1 = %2").arg(k).arg(out.at(k))));
        }
    }

    void filterAndResamplerGoOnFromARestoredState()
    {
        // Restored to the state taken before input `from`, both give again
        // exactly what they gave from there, also while still filling up.
        QList<double> inputs;
        for (int i = 0; i < 40; ++i)
            inputs.append(5.0 * std::sin(0.3 * i) + 0.1 * i);
        for (int from : {0, 1, 2, 25}) {
            ChebFilter filter(nullptr, ChebFilter::LowPass, 0.1, 0.5, 2);
            Resampler resampler(nullptr, 1.0, 10.0);
            ChebFilter::State filterState {};
            Resampler::State resamplerState {};
            QList<double> runs[2];
            for (int run = 0; run < 2; ++run) {
                for (int i = run == 0 ? 0 : from; i < inputs.size(); ++i) {
                    if (run == 0 && i == from) {
                        filterState = filter.state();
                        resamplerState = resampler.state();
                    }
                    const double filtered = filter.filter(inputs.at(i));
                    QList<double> resampled;
                    resampler.push(inputs.at(i), resampled);
                    if (i >= from)
                        runs[run] << filtered << resampled;
                }
                filter.restore(filterState);
                resampler.restore(resamplerState);
            }
            QVERIFY(runs[0].size() > 100);
            QVERIFY2(runs[0] == runs[1], qPrintable(QString::number(from)));
        }
    }
};

QTEST_GUILESS_MAIN(TestLibMisc)
#include "tst_libmisc.moc"
