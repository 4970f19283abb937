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
        //: Of the selected shot: the time since the previous shot
        var lines = [qsTr("Время: %1").arg(number(shot.time)),
                     //: Of the selected shot: how steady the aim was
                     qsTr("Устойчивость: %1").arg(number(shot.stab)),
                     //: Of the selected shot: how steadily the trigger was pulled
                     qsTr("Обработка спуска: %1").arg(number(shot.trigStab)),
                     //: Of the selected shot: the size of the area aimed over
                     qsTr("Область прицеливания: %1").arg(number(shot.area)),
                     //: Of the selected shot: the weapon's cant in degrees
                     qsTr("Завал: %1°").arg(number(shot.angle * 180 / Math.PI))]
        if (fitnessNorm)
            //: Of the selected shot: the fitness-norm grade so far
            return lines.concat([qsTr("Оценка: %1").arg(gradeText)])
        //: Of the selected shot: its score
        lines.push(qsTr("Результат : %1").arg(number(shot.result)),
                   //: Of the selected shot: the mean score of the shots up to it
                   qsTr("Средний результат: %1").arg(number(shot.mean)))
        if (shot.meanOfTen !== undefined)
            //: Of the selected shot: the mean score of the last ten shots up to it
            lines.push(qsTr("Средний за 10: %1").arg(number(shot.meanOfTen)))
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
