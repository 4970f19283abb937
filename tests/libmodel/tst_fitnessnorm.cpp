// Fitness-norm grading: ages counted to a given day, the steps of ages, and
// the thresholds of each step for men and women.
#include <fitnessnorm.h>
#include <testenvironment.h>

#include <QCoreApplication>

using LibModel::FitnessNorm;

class TestFitnessNorm : public QObject
{
    Q_OBJECT

private slots:
    // A birthday counts from its day on, one on 29 February from 1 March in
    // other years; what cannot be read as a date is age 0.
    void ages()
    {
        const std::pair<const char *, int> onJune15[]
                = {{"15.06.2010", 14}, {"16.06.2010", 13}, {"01.07.2010", 13}, {"", 0},
                   {"12.0", 0},        {"  .  .    ", 0},  {"31.02.2010", 0},  {"01.01.0000", 0}};
        for (const auto &[birth, age] : onJune15)
            QVERIFY2(FitnessNorm::ageFromDate(QLatin1String(birth), {2024, 6, 15}) == age, birth);
        const QString leap = QStringLiteral("29.02.2012");
        QCOMPARE(FitnessNorm::ageFromDate(leap, {2023, 2, 28}), 10);
        QCOMPARE(FitnessNorm::ageFromDate(leap, {2023, 3, 1}), 11);
        QCOMPARE(FitnessNorm::ageFromDate(leap, {2024, 2, 29}), 12);
    }

    void steps()
    {
        const int table[][2] = {{-3, 4}, {13, 4}, {14, 5},  {15, 5},  {16, 6},  {19, 7},  {20, 8},
                                {24, 8}, {25, 9}, {30, 10}, {44, 12}, {54, 14}, {55, 15}, {90, 15}};
        for (const auto &[age, step] : table)
            QVERIFY2(FitnessNorm::stepFromAge(age) == step, qPrintable(QString::number(age)));
    }

    // {total, step, male, grade}: thresholds are reached inclusively; women
    // have their own from step 12; steps without a row grade nothing.
    void grades()
    {
        const int table[][4]
                = {{9, 4, 1, 0},   {10, 4, 0, 1},  {24, 8, 1, 1},  {25, 8, 1, 2},  {30, 11, 0, 3},
                   {29, 12, 1, 3}, {28, 12, 1, 2}, {26, 12, 0, 2}, {27, 12, 0, 3}, {10, 14, 1, 0},
                   {10, 15, 0, 1}, {50, 3, 1, 0},  {50, 16, 1, 0}};
        for (const auto &[total, step, male, grade] : table)
            QVERIFY2(FitnessNorm::grade(total, step, male) == grade,
                     qPrintable(QStringLiteral("%1 at %2, %3").arg(total).arg(step).arg(male)));
        QCOMPARE(FitnessNorm::grade(50, 5.5, true), FitnessNorm::Fail);
    }
};

KAVRO_TEST_MAIN(TestFitnessNorm, QCoreApplication)
#include "tst_fitnessnorm.moc"
