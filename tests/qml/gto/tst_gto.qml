import QtQuick
import QtTest
import "../../../qml/core/gto.js" as Gto

TestCase {
    name: "Gto"

    function test_ages() {
        var today = new Date(2024, 5, 15) // 15 June 2024
        compare(Gto.ageFromDate("15.06.2010", today), 14)
        compare(Gto.ageFromDate("16.06.2010", today), 13) // birthday tomorrow
        compare(Gto.ageFromDate("14.05.2010", today), 14)
        compare(Gto.ageFromDate("01.07.2010", today), 13)
        // Born on 29 February: on 28 February the birthday has not come yet.
        compare(Gto.ageFromDate("29.02.2012", new Date(2023, 1, 28)), 10)
        compare(Gto.ageFromDate("29.02.2012", new Date(2023, 2, 1)), 11)
        compare(Gto.ageFromDate("29.02.2012", new Date(2024, 1, 29)), 12)
    }

    function test_unreadableDatesAreAgeZero() {
        var today = new Date(2024, 5, 15)
        compare(Gto.ageFromDate("", today), 0)
        compare(Gto.ageFromDate("12.0", today), 0)
        compare(Gto.ageFromDate("  .  .    ", today), 0)
        compare(Gto.ageFromDate("31.02.2010", today), 0)
        compare(Gto.stepFromAge(Gto.ageFromDate("", today)), 4)
    }

    function test_steps_data() {
        return [
            { age: 0, step: 4 }, { age: 13, step: 4 }, { age: 14, step: 5 }, { age: 15, step: 5 },
            { age: 16, step: 6 }, { age: 17, step: 6 }, { age: 18, step: 7 }, { age: 19, step: 7 },
            { age: 20, step: 8 }, { age: 24, step: 8 }, { age: 25, step: 9 }, { age: 29, step: 9 },
            { age: 30, step: 10 }, { age: 35, step: 11 }, { age: 39, step: 11 }, { age: 40, step: 12 },
            { age: 44, step: 12 }, { age: 45, step: 13 }, { age: 50, step: 14 }, { age: 54, step: 14 },
            { age: 55, step: 15 }, { age: 90, step: 15 }
        ]
    }

    function test_steps(data) {
        compare(Gto.stepFromAge(data.age), data.step)
    }

    function test_grades() {
        compare(Gto.evaluateResult(29, 12, true), 3)
        compare(Gto.evaluateResult(29, 12, false), 3) // 27 is the women's gold at step 12
        compare(Gto.evaluateResult(27, 12, true), 2)
        compare(Gto.evaluateResult(27, 12, false), 3)
        compare(Gto.evaluateResult(9, 4, true), 0)
        compare(Gto.evaluateResult(10, 4, false), 1)
        compare(Gto.evaluateResult(18, 8, false), 1)
        compare(Gto.evaluateResult(25, 8, true), 2)
        compare(Gto.evaluateResult(30, 11, true), 3)
        compare(Gto.evaluateResult(22, 14, false), 2)
        compare(Gto.evaluateResult(23, 15, false), 3)
        compare(Gto.evaluateResult(12, 13, true), 0)
        // Unknown steps grade nothing.
        compare(Gto.evaluateResult(50, 16, true), 0)
        compare(Gto.evaluateResult(50, 3, true), 0)
        compare(Gto.evaluateResult(50, undefined, true), 0)
    }
}
