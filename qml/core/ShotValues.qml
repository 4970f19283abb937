import QtQuick
import QtQuick.Controls

// The values of one scored shot: time since the previous shot, stability,
// trigger control, aiming area, cant and the score, or in fitness-norm
// exercises the grade instead of the score.
Column {
    id: panel

    // { time, stab, trigStab, area, angle (radians), result }, or nothing.
    property var values: null
    property bool fitnessNorm: false
    property string gradeText
    readonly property var lines: !values ? [] : [
        "Время: " + number(values.time),
        "Устойчивость: " + number(values.stab),
        "Обработка спуска: " + number(values.trigStab),
        "Область прицеливания: " + number(values.area),
        "Завал: " + number(values.angle * 180 / Math.PI) + "°",
        fitnessNorm ? "Оценка: " + gradeText : "Результат : " + number(values.result)
    ]

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
