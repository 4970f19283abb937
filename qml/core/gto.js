// Fitness-norm grading of electronic-weapon shooting: the thresholds of the
// shooting norms valid from 1 March 2023. A total below bronze is a fail
// ("Незачет"). Grades: 0 fail, 1 bronze, 2 silver, 3 gold.
.pragma library

// Step: [men bronze, silver, gold, women bronze, silver, gold]
var thresholds = {
    4: [10, 20, 25, 10, 20, 25],
    5: [18, 25, 30, 18, 25, 30],
    6: [18, 25, 30, 18, 25, 30],
    7: [18, 25, 30, 18, 25, 30],
    8: [18, 25, 30, 18, 25, 30],
    9: [18, 25, 30, 18, 25, 30],
    10: [18, 25, 30, 18, 25, 30],
    11: [18, 25, 30, 18, 25, 30],
    12: [16, 21, 29, 16, 21, 27],
    13: [13, 18, 27, 13, 18, 25],
    14: [13, 18, 27, 10, 15, 23],
    15: [13, 18, 27, 10, 15, 23]
}

// Age in whole years of a birth date typed as "dd.MM.yyyy"; 0 for a date that
// cannot be read. `today` is the date to count to (now when left out).
function ageFromDate(text, today) {
    var birth = Date.fromLocaleString(Qt.locale(), text, "dd.MM.yyyy")
    if (!(birth.getFullYear() > 0) || isNaN(birth.getDate()))
        return 0
    var now = today === undefined ? new Date() : today
    var years = now.getFullYear() - birth.getFullYear()
    if (now.getMonth() < birth.getMonth()
            || (now.getMonth() === birth.getMonth() && now.getDate() < birth.getDate()))
        years -= 1
    return years
}

// The step (age class, 4 to 15) of an age in years.
function stepFromAge(age) {
    if (age <= 13)
        return 4
    if (age <= 15)
        return 5
    if (age <= 17)
        return 6
    if (age <= 19)
        return 7
    var step = 8 + Math.floor((age - 20) / 5)
    return Math.min(step, 15)
}

// The grade of a total (the sum of the shots' whole-number results).
function evaluateResult(totalResult, step, male) {
    var row = thresholds[step]
    if (row === undefined)
        return 0
    var offset = male ? 0 : 3
    if (totalResult >= row[offset + 2])
        return 3
    if (totalResult >= row[offset + 1])
        return 2
    if (totalResult >= row[offset])
        return 1
    return 0
}
