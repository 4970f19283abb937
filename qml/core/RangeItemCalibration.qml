import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Kavro 1.0

// Calibration of a lane: the shooter aims at the calibration target and
// shoots; the mean of the shots becomes the lane's centre for aiming.
Item {
    id: screen

    property RangeData range
    property string titlePrefix
    readonly property var exercise: range.exercise
    // Diameter of the calibration target in sensor units.
    readonly property real targetDiameter: 137
    readonly property point meanPoint: exercise.calibrationMean
    // Once the mean lies on the target the calibration is complete.
    readonly property bool meanInside: exercise.calibrationComplete
    readonly property var shots: exercise.calibrationShots
    property int heardShots: 0

    Connections {
        target: screen.exercise
        function onCalibrationShotsChanged() {
            if (screen.shots.length > screen.heardShots && application.intValue("sound/shotAiming", 1) === 1)
                application.playSound("qrc:/sounds/shot.wav")
            screen.heardShots = screen.shots.length
        }
    }

    LaneTitle {
        id: title
        anchors.left: parent.left
        anchors.right: parent.right
        //: Title of the lane's calibration screen
        text: screen.titlePrefix + qsTr("Калибровка")
    }

    RowLayout {
        anchors.top: title.bottom
        anchors.topMargin: 6
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: buttons.top
        anchors.bottomMargin: 8
        spacing: 10

        CalibrationTarget {
            Layout.fillWidth: true
            Layout.fillHeight: true
            Layout.minimumWidth: 120
            range: screen.range
            targetDiameter: screen.targetDiameter
            meanPoint: screen.meanPoint
            complete: screen.meanInside
            shots: screen.shots
        }

        ColumnLayout {
            Layout.preferredWidth: 290
            Layout.maximumWidth: 290
            Layout.fillHeight: true
            spacing: 6

            //: How loud a sound must be to count as a shot
            Label { text: qsTr("Чувствительность микрофона:") }
            MicrophoneSlider {
                Layout.fillWidth: true
                range: screen.range
            }

            CheckBox {
                objectName: "ultraSensitiveBox"
                Layout.fillWidth: true
                padding: 2
                //: Shot detection that reacts to the faintest trigger sound
                text: qsTr("Сверхчувствительный режим")
                checked: screen.range.ultraSensitiveTriggerMode
                onToggled: screen.range.ultraSensitiveTriggerMode = checked
            }

            Rectangle {
                Layout.fillWidth: true
                Layout.fillHeight: true
                color: "white"
                border.color: "#c4c4d3"

                ListView {
                    objectName: "shotList"
                    anchors.fill: parent
                    anchors.margins: 1
                    clip: true
                    model: screen.shots
                    ScrollBar.vertical: ScrollBar { }
                    delegate: Label {
                        required property int index
                        required property var modelData
                        leftPadding: 8
                        topPadding: 2
                        bottomPadding: 2
                        text: (index + 1) + ".  " + modelData.x.toFixed(1) + ";  " + modelData.y.toFixed(1)
                    }
                }
            }

            Label {
                objectName: "meanText"
                Layout.fillWidth: true
                wrapMode: Text.Wrap
                visible: screen.shots.length > 0
                //: The mean point of the calibration shots: %1 x, %2 y
                text: qsTr("Среднее: %1;  %2").arg(screen.meanPoint.x.toFixed(1)).arg(screen.meanPoint.y.toFixed(1))
            }
        }
    }

    Item {
        id: buttons
        anchors.bottom: parent.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        height: continueButton.implicitHeight

        MyButton {
            objectName: "backButton"
            anchors.left: parent.left
            text: qsTr("Назад")
            onClicked: screen.range.state = RangeData.SelectShooterState
        }
        Row {
            anchors.right: parent.right
            spacing: 10

            MyButton {
                objectName: "clearButton"
                //: Forgets the calibration shots so far
                text: qsTr("Очистить")
                onClicked: screen.exercise.clearCalibration()
            }
            MyButton {
                id: continueButton
                objectName: "continueButton"
                text: qsTr("Продолжить")
                enabled: screen.shots.length > 0
                onClicked: screen.exercise.confirmCalibration()
            }
        }
    }
}
