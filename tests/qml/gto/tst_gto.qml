import QtQuick
import QtTest
import "../../../qml/core/gto.js" as Gto

TestCase {
    name: "Gto"

    // Counted to a fixed day; a birthday counts from its day on, and one on
    // 29 February from 1 March in other years.
    function test_ages_data() {
        var june15 = new Date(2024, 5, 15)
        return [
            { tag: "birthday today", birth: "15.06.2010", today: june15, age: 14 },
            { tag: "birthday tomorrow", birth: "16.06.2010", today: june15, age: 13 },
            { tag: "leap birthday, 28 Feb", birth: "29.02.2012", today: new Date(2023, 1, 28), age: 10 },
            { tag: "leap birthday, 1 Mar", birth: "29.02.2012", today: new Date(2023, 2, 1), age: 11 },
            { tag: "empty", birth: "", today: june15, age: 0 },
            { tag: "cut short", birth: "12.0", today: june15, age: 0 },
            { tag: "no such day", birth: "31.02.2010", today: june15, age: 0 }
        ]
    }

    function test_ages(data) {
        compare(Gto.ageFromDate(data.birth, data.today), data.age)
    }

    function test_steps() {
        var ages = [0, 13, 14, 15, 16, 19, 20, 24, 25, 30, 54, 55, 90]
        var steps = [4, 4, 5, 5, 6, 7, 8, 8, 9, 10, 14, 15, 15]
        for (var i = 0; i < ages.length; ++i)
            compare(Gto.stepFromAge(ages[i]), steps[i], "age " + ages[i])
    }

    // [total, step, male, grade]: thresholds are reached inclusively; women
    // have their own from step 12; unknown steps grade nothing.
    function test_grades() {
        var cases = [[9, 4, true, 0], [10, 4, false, 1], [25, 8, true, 2], [30, 11, true, 3],
                     [27, 12, true, 2], [27, 12, false, 3], [50, 16, true, 0], [50, undefined, true, 0]]
        for (var i = 0; i < cases.length; ++i)
            compare(Gto.evaluateResult(cases[i][0], cases[i][1], cases[i][2]), cases[i][3], cases[i].join(" "))
    }
}
