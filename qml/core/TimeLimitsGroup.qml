import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// The time limits of an exercise: none, separate times for the trial shots
// and the series, or one time for both.
GroupBox {
    id: group

    // Fitness norms prescribe the limits: nothing can be changed.
    property bool fixed: false
    property alias limited: timeLimitsBox.checked
    property alias separate: separateTimeButton.checked
    property alias joint: jointTimeButton.checked
    property alias trialTime: trialTimeBox.value
    property alias serieTime: serieTimeBox.value
    property alias jointTime: jointTimeBox.value

    title: qsTr("Ограничения по времени:")

    GridLayout {
        anchors.fill: parent
        columns: 2
        columnSpacing: 10
        rowSpacing: 6

        Flow {
            Layout.columnSpan: 2
            Layout.fillWidth: true
            spacing: 10
            enabled: !group.fixed

            CheckBox {
                id: timeLimitsBox
                objectName: "timeLimitsBox"
                padding: 2
                //: The exercise has time limits
                text: qsTr("С ограничениями")
            }
            Row {
                enabled: timeLimitsBox.checked
                RadioButton {
                    id: separateTimeButton
                    objectName: "separateTimeButton"
                    padding: 2
                    //: Time limits: separate times for the trial shots and the series
                    text: qsTr("Раздельное")
                }
                RadioButton {
                    id: jointTimeButton
                    objectName: "jointTimeButton"
                    padding: 2
                    //: Time limits: one time for the trial shots and the series together
                    text: qsTr("Объединенное")
                }
            }
        }

        Label { Layout.fillWidth: true; text: qsTr("Время на пробные выстрелы (сек):"); wrapMode: Text.WordWrap }
        SpinBox {
            id: trialTimeBox
            objectName: "trialTimeBox"
            implicitWidth: 140
            implicitHeight: 32
            enabled: group.limited && group.separate && !group.fixed
            from: 1
            to: 999
            editable: true
        }

        //: The time for one series of scored shots
        Label { text: qsTr("Время на серию (сек):"); Layout.fillWidth: true; wrapMode: Text.WordWrap }
        SpinBox {
            id: serieTimeBox
            objectName: "serieTimeBox"
            implicitWidth: 140
            implicitHeight: 32
            enabled: group.limited && group.separate && !group.fixed
            from: 1
            to: 999
            editable: true
        }

        Label { Layout.fillWidth: true; text: qsTr("Общее время (сек):"); wrapMode: Text.WordWrap }
        SpinBox {
            id: jointTimeBox
            objectName: "jointTimeBox"
            implicitWidth: 140
            implicitHeight: 32
            enabled: group.limited && group.joint && !group.fixed
            from: 1
            to: 1999
            editable: true
        }
    }
}
