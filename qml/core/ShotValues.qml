import QtQuick
import QtQuick.Controls

// The values of one scored shot: time since the previous shot, stability,
// trigger control, aiming area, cant, the score and the mean scores up to it,
// or in fitness-norm exercises the grade instead of the scores.
Column {
    id: panel

    // { time, stab, trigStab, area, angle (radians), result, mean and, from
    // the eleventh shot, meanOfTen }, or nothing.
    property var values: null
    property bool fitnessNorm: false
    property string gradeText
    readonly property var lines: values ? describe(values) : []

    function describe(shot) {
        var lines = ["Время: " + number(shot.time),
                     "Устойчивость: " + number(shot.stab),
                     "Обработка спуска: " + number(shot.trigStab),
                     "Область прицеливания: " + number(shot.area),
                     "Завал: " + number(shot.angle * 180 / Math.PI) + "°"]
        if (fitnessNorm)
            return lines.concat(["Оценка: " + gradeText])
        lines.push("Результат : " + number(shot.result), "Средний результат: " + number(shot.mean))
        if (shot.meanOfTen !== undefined)
            lines.push("Средний за 10: " + number(shot.meanOfTen))
        return lines
    }

    function number(value) {
        return value === undefined || isNaN(value) ? "-" : value.toFixed(1)
    }

    spacing: 2
    visible: !!values

    Repeater {
        model: panel.lines
        delegate: Label {
            required property string modelData

            width: panel.width
            text: modelData
            fontSizeMode: Text.HorizontalFit
            minimumPixelSize: 9
            elide: Text.ElideRight
        }
    }
}
