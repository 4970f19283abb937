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
    // Diameter of the calibration target in sensor units.
    readonly property real targetDiameter: 137
    property point meanPoint: Qt.point(NaN, NaN)
    property point meanHwPoint: Qt.point(NaN, NaN)
    property real meanAngle: NaN
    // Once the mean lies on the target the calibration is complete.
    readonly property bool meanInside: shots.count > 0
                                       && Math.sqrt(meanPoint.x * meanPoint.x + meanPoint.y * meanPoint.y)
                                          <= targetDiameter / 2
    property alias shots: shots

    function updateMeans() {
        var n = shots.count
        var sum = { x: 0, y: 0, hx: 0, hy: 0, angle: 0 }
        for (var i = 0; i < n; ++i) {
            var shot = shots.get(i)
            sum.x += shot.x
            sum.y += shot.y
            sum.hx += shot.hx
            sum.hy += shot.hy
            sum.angle += shot.angle
        }
        meanPoint = Qt.point(sum.x / n, sum.y / n)
        meanHwPoint = Qt.point(sum.hx / n, sum.hy / n)
        meanAngle = sum.angle / n
    }

    function addShot(point, hwPoint, angle) {
        if (meanInside)
            return
        shots.append({ x: point.x, y: point.y, hx: hwPoint.x, hy: hwPoint.y, angle: angle })
        if (application.intValue("sound/shotAiming", 1) === 1)
            application.playSound("qrc:/sounds/shot.wav")
        updateMeans()
    }

    function clear() {
        shots.clear()
        updateMeans()
    }

    function confirm() {
        range.setCalibrationOffset(meanHwPoint)
        range.storedOffset = meanHwPoint
        range.setCalibrationAngle(meanAngle)
        range.state = RangeData.ShootingState
    }

    ListModel { id: shots }

    Connections {
        target: screen.range
        function onCalibrationShot(point, hwPoint, angle) { screen.addShot(point, hwPoint, angle) }
    }

    LaneTitle {
        id: title
        anchors.left: parent.left
        anchors.right: parent.right
        text: screen.titlePrefix + "Калибровка"
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
            shots: shots
        }

        ColumnLayout {
            Layout.preferredWidth: 290
            Layout.maximumWidth: 290
            Layout.fillHeight: true
            spacing: 6

            Label { text: "Чувствительность микрофона:" }
            MicrophoneSlider {
                Layout.fillWidth: true
                range: screen.range
            }

            CheckBox {
                objectName: "ultraSensitiveBox"
                Layout.fillWidth: true
                padding: 2
                text: "Сверхчувствительный режим"
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
                    model: shots
                    ScrollBar.vertical: ScrollBar { }
                    delegate: Label {
                        leftPadding: 8
                        topPadding: 2
                        bottomPadding: 2
                        text: (index + 1) + ".  " + model.x.toFixed(1) + ";  " + model.y.toFixed(1)
                    }
                }
            }

            Label {
                objectName: "meanText"
                Layout.fillWidth: true
                wrapMode: Text.Wrap
                visible: shots.count > 0
                text: "Среднее: " + screen.meanPoint.x.toFixed(1) + ";  " + screen.meanPoint.y.toFixed(1)
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
            text: "Назад"
            onClicked: screen.range.state = RangeData.SelectShooterState
        }
        Row {
            anchors.right: parent.right
            spacing: 10

            MyButton {
                objectName: "clearButton"
                text: "Очистить"
                onClicked: screen.clear()
            }
            MyButton {
                id: continueButton
                objectName: "continueButton"
                text: "Продолжить"
                enabled: shots.count > 0
                onClicked: screen.confirm()
            }
        }
    }
}
