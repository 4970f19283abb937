#pragma once

#include <QDate>
#include <QString>

namespace LibModel {

// Fitness-norm grading of electronic-weapon shooting, by the norms valid
// from 1 March 2023: a shooter's age gives a step (age class, 4 to 15), and
// the total of the whole-number shot results is graded against the step's
// bronze, silver and gold thresholds, men and women apart.
class FitnessNorm
{
public:
    // Grades: a total below bronze fails.
    enum Grade { Fail = 0, Bronze, Silver, Gold };

    FitnessNorm() = delete;

    // Age in whole years on `today` of a birth date typed as "dd.MM.yyyy";
    // 0 for a date that cannot be read. A birthday counts from its day on,
    // one on 29 February from 1 March in other years.
    static int ageFromDate(const QString &text, QDate today);
    // The step of an age in years.
    static int stepFromAge(int age);
    // The grade of a total at a step; steps outside 4 to 15 grade nothing.
    static Grade grade(int total, double step, bool male);
    // The word stored for a grade, in the language of the sources.
    static QString gradeWord(Grade grade);
    // A stored grade word in the interface's language; any other text (the
    // mean result stored outside fitness norms) as it is.
    static QString displayWord(const QString &stored);
};

} // namespace LibModel
