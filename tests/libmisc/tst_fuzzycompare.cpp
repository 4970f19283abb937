#include <fuzzycompare.h>

#include <QTest>

#include <limits>

using LibMisc::FuzzyCompare;

class TestFuzzyCompare : public QObject
{
    Q_OBJECT

private slots:
    void doubles_data()
    {
        const double nan = std::numeric_limits<double>::quiet_NaN();
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
        QTest::newRow("infinity") << std::numeric_limits<double>::infinity()
                                  << std::numeric_limits<double>::infinity() << false;
    }

    void doubles()
    {
        QFETCH(double, a);
        QFETCH(double, b);
        QTEST(FuzzyCompare::equal(a, b), "equal");
        QTEST(FuzzyCompare::equal(b, a), "equal");
    }

    void pointsAndRects()
    {
        QVERIFY(FuzzyCompare::equal(QPointF(1, 2), QPointF(1 + 1e-13, 2 - 1e-13)));
        QVERIFY(!FuzzyCompare::equal(QPointF(1000, 2), QPointF(1000 + 1e-11, 2)));
        // Rectangles compare relatively with no zero rule: 0 equals only 0.
        QVERIFY(FuzzyCompare::equal(QRectF(-25, -25, 50, 50),
                                    QRectF(-25 * (1 + 1e-15), -25, 50, 50)));
        QVERIFY(FuzzyCompare::equal(QRectF(), QRectF()));
        QVERIFY(!FuzzyCompare::equal(QRectF(0, 0, 1, 1), QRectF(1e-15, 0, 1, 1)));
    }

    void assignReportsChange()
    {
        double value = 1.0;
        QVERIFY(!FuzzyCompare::assign(value, 1.0 + 1e-15));
        QCOMPARE(value, 1.0);
        QVERIFY(FuzzyCompare::assign(value, 2.0));
        QCOMPARE(value, 2.0);
        QString text = QStringLiteral("a");
        QVERIFY(!FuzzyCompare::assign(text, QStringLiteral("a")));
        QVERIFY(FuzzyCompare::assign(text, QString()));
    }
};

QTEST_GUILESS_MAIN(TestFuzzyCompare)
#include "tst_fuzzycompare.moc"
