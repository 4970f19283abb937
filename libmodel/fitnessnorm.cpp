#include "fitnessnorm.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

namespace LibModel {

namespace {

constexpr int FirstStep = 4;
constexpr int LastStep = 15;

// Per step from 4: men's bronze, silver, gold, then women's.
constexpr int Thresholds[LastStep - FirstStep + 1][6] = {
        {10, 20, 25, 10, 20, 25}, // 4
        {18, 25, 30, 18, 25, 30}, // 5
        {18, 25, 30, 18, 25, 30}, // 6
        {18, 25, 30, 18, 25, 30}, // 7
        {18, 25, 30, 18, 25, 30}, // 8
        {18, 25, 30, 18, 25, 30}, // 9
        {18, 25, 30, 18, 25, 30}, // 10
        {18, 25, 30, 18, 25, 30}, // 11
        {16, 21, 29, 16, 21, 27}, // 12
        {13, 18, 27, 13, 18, 25}, // 13
        {13, 18, 27, 10, 15, 23}, // 14
        {13, 18, 27, 10, 15, 23}, // 15
};

// The grade words by grade; stored as they are, translated when shown.
constexpr const char *Words[] = {
        //: Fitness-norm grade: the norm is not met
        QT_TRANSLATE_NOOP("FitnessNorm", "Неуд"),
        //: Fitness-norm grade (badge)
        QT_TRANSLATE_NOOP("FitnessNorm", "Бронза"),
        //: Fitness-norm grade (badge)
        QT_TRANSLATE_NOOP("FitnessNorm", "Серебро"),
        //: Fitness-norm grade (badge)
        QT_TRANSLATE_NOOP("FitnessNorm", "Золото"),
};

} // namespace

int FitnessNorm::ageFromDate(const QString &text, QDate today)
{
    const QDate birth = QDate::fromString(text, QStringLiteral("dd.MM.yyyy"));
    if (!birth.isValid() || birth.year() <= 0 || !today.isValid())
        return 0;
    int years = today.year() - birth.year();
    if (today.month() < birth.month()
        || (today.month() == birth.month() && today.day() < birth.day()))
        --years;
    return years;
}

int FitnessNorm::stepFromAge(int age)
{
    if (age <= 13)
        return 4;
    if (age <= 15)
        return 5;
    if (age <= 17)
        return 6;
    if (age <= 19)
        return 7;
    return std::min(8 + (age - 20) / 5, LastStep);
}

FitnessNorm::Grade FitnessNorm::grade(int total, double step, bool male)
{
    // Only whole steps have a row.
    if (!(step >= FirstStep && step <= LastStep) || step != std::floor(step))
        return Fail;
    const int *row = Thresholds[int(step) - FirstStep] + (male ? 0 : 3);
    if (total >= row[2])
        return Gold;
    if (total >= row[1])
        return Silver;
    return total >= row[0] ? Bronze : Fail;
}

QString FitnessNorm::gradeWord(Grade grade)
{
    const int index = grade >= Fail && grade <= Gold ? int(grade) : int(Fail);
    return QString::fromUtf8(Words[index]);
}

QString FitnessNorm::displayWord(const QString &stored)
{
    for (const char *word : Words) {
        if (stored == QString::fromUtf8(word))
            return QCoreApplication::translate("FitnessNorm", word);
    }
    return stored;
}

} // namespace LibModel
