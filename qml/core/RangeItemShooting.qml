import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Kavro 1.0

// The shooting screen of a lane: the target with the live aim, the trace and
// the shot marks; the trial and scored shots; the values of the selected
// shot; once the exercise is over, the group of its shots; and the
// corrections of the lane's centre, the end and the stop that the lane's
// exercise carries out.
Item {
    id: screen

    property RangeData range
    property string titlePrefix
    readonly property var session: range ? range.session : null
    readonly property bool fitnessNorm: session !== null && session.isGto
    readonly property bool finished: range !== null && range.phase === RangeData.NoPhase
    readonly property string targetName: session && session.targetDescriptor ? session.targetDescriptor.name : ""
    readonly property string distanceText: !session ? ""
                                           //: In the lane's title in place of the distance: a fitness-norm exercise
                                           : session.isGto ? qsTr("Стрельба ГТО")
                                           //: In the lane's title: the distance in metres
                                           : session.distance > 0 ? qsTr("%1 м").arg(String(session.distance)) : ""
    // Shot marks in pixels: the caliber times the lane's display scale.
    readonly property real markSize: (session ? session.caliber * range.caliberVisualisationScale : 4.5)
                                     * targetView.targetScaleX
    // The values of the shot selected in the list, as recorded when it was fired.
    readonly property int selectedIndex: shotList.selectedShot ? shotList.selectedShot.indexInSession : -1
    readonly property var selectedValues: selectedIndex >= 0 && selectedIndex < range.exercise.recordedShots
                                          ? range.exercise.shotValues(selectedIndex) : null

    // A point on the target (mm) in the target view's pixels.
    function toPixels(point) {
        return Qt.point((point.x + targetView.targetTx) * targetView.targetScaleX,
                        (point.y + targetView.targetTy) * targetView.targetScaleY)
    }

    function playShotSound() {
        if (application.intValue("sound/shotAiming", 1) === 1)
            application.playSound("qrc:/sounds/shot.wav")
    }

    Connections {
        target: screen.range

        function onNewShot(shot) {
            screen.playShotSound()
            shotList.select(shot)
        }
        function onCalibrationShotMy() {
            screen.playShotSound()
        }
        function onTargetVisibleChanged() {
            currentSelection.eraseCurrent()
        }
    }

    // The group of the finished exercise's shots.
    SessionAnalysisView {
        id: groupAnalysis
        session: screen.finished ? screen.session : null
    }

    // The recording being shot, while the exercise runs.
    TraceSelection {
        id: currentSelection
        selection: screen.finished ? null : screen.range.currentTrace
    }

    // The selected shot's stretch of the finished exercise, or its whole
    // recording while no shot is selected.
    TraceSelection {
        id: shotSelection
        selection: !screen.finished ? null : shotList.selectedShot ? shotList.selectedShot : screen.range.exercise.finishedTrace
        showTrace: shotList.selectedShot === null
    }

    LaneTitle {
        id: title
        anchors.left: parent.left
        anchors.right: parent.right
        text: screen.titlePrefix + [screen.targetName, screen.distanceText, screen.session ? screen.session.name : ""]
              .filter(function (part) { return part.length > 0 }).join(". ")
    }

    Label {
        id: finishedText
        objectName: "finishedText"
        anchors.top: title.bottom
        anchors.left: parent.left
        visible: screen.finished
        text: qsTr("Стрельба Окончена")
        color: "red"
        font.pointSize: 16
    }

    Item {
        id: targetArea
        anchors.top: finishedText.visible ? finishedText.bottom : title.bottom
        anchors.topMargin: 6
        anchors.left: parent.left
        anchors.right: panel.left
        anchors.rightMargin: 10
        anchors.bottom: buttons.top
        anchors.bottomMargin: 8

        // The remaining time and the zoom buttons, above the face.
        Row {
            id: hud
            anchors.top: parent.top
            anchors.right: parent.right
            spacing: 4

            Label {
                objectName: "phaseTimeText"
                anchors.verticalCenter: parent.verticalCenter
                rightPadding: 8
                visible: screen.range.withTimeLimits && (screen.range.phase === RangeData.CalibrationPhase
                                                         || screen.range.phase === RangeData.ShootingPhase)
                text: Math.max(0, screen.range.timeToEndOfPhase).toFixed(1)
                font.pointSize: 16
                font.bold: true
                color: screen.range.timeToEndOfPhase < 10 ? "#C0392B" : "#303030"
            }
            MyButton { objectName: "zoomInButton"; text: "+"; onClicked: targetView.zoomIn() }
            MyButton { objectName: "zoomOutButton"; text: "−"; onClicked: targetView.zoomOut() }
            MyButton { objectName: "zoomFitButton"; text: "1:1"; onClicked: targetView.zoomToFit() }
        }

        ZoomableTarget {
            id: targetView
            objectName: "target"
            anchors.top: hud.bottom
            anchors.topMargin: 4
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            descriptor: screen.session ? screen.session.targetDescriptor : null

            Repeater {
                model: trialList.shots
                delegate: SolidBreach {
                    required property var modelData
                    center: screen.toPixels(Qt.point(modelData.x, modelData.y))
                    caliber: screen.markSize
                    selected: modelData.marked
                    opacity: 0.8
                    antialiasing: true
                }
            }

            Repeater {
                model: screen.session ? screen.session.shots : []
                delegate: Breach {
                    center: screen.toPixels(modelData.breach)
                    caliber: screen.markSize
                    selected: modelData === shotList.selectedShot
                    mittext: true
                    myin: index + 1
                }
            }

            TracePieces {
                anchors.fill: parent
                visible: screen.finished
                selection: shotSelection
                target: targetView
            }

            TracePieces {
                anchors.fill: parent
                visible: !screen.finished
                selection: currentSelection
                target: targetView
            }

            Rectangle {
                objectName: "aimingPoint"
                readonly property point center: screen.toPixels(screen.range.aimingPoint)
                readonly property real diameter: (screen.session ? screen.session.caliber : 4.5) * targetView.targetScaleX

                x: center.x - diameter / 2
                y: center.y - diameter / 2
                width: diameter
                height: diameter
                radius: diameter / 2
                visible: screen.range.targetVisible && !screen.finished
                color: "transparent"
                border.color: "#FF3030"
                border.width: 2.5
                antialiasing: true
            }

            ReplaySprite {
                visible: screen.finished && replayBar.replaying
                center: screen.toPixels(shotSelection.aimingPoint)
                caliber: screen.markSize
            }

            // The mean of the marked trial shots, in pixels so that it
            // keeps its size at any zoom.
            Item {
                objectName: "meanCross"
                x: screen.toPixels(trialList.meanPoint).x
                y: screen.toPixels(trialList.meanPoint).y
                visible: trialList.markedCount > 0

                Rectangle { x: -9; y: -1.5; width: 18; height: 3; color: "yellow"; border.color: "#806000"; border.width: 0.5 }
                Rectangle { x: -1.5; y: -9; width: 3; height: 18; color: "yellow"; border.color: "#806000"; border.width: 0.5 }
            }
        }

        Cant {
            objectName: "cant"
            anchors.left: parent.left
            anchors.top: parent.top
            transformOrigin: Item.TopLeft
            // A quarter of the lane's target area at most.
            scale: Math.min(1, targetArea.width / 4 / implicitWidth)
            angle: screen.range.angle
            opacity: 0.65
            visible: screen.range.targetVisible
        }

        ReplayBar {
            id: replayBar
            objectName: "replayBar"
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            anchors.margins: 8
            visible: screen.finished
            selection: shotSelection
            sampleRate: screen.session ? screen.session.sampleRate : 0
        }
    }

    ColumnLayout {
        id: panel
        anchors.top: targetArea.top
        anchors.right: parent.right
        anchors.bottom: targetArea.bottom
        width: Math.min(240, screen.width * 0.36)
        spacing: 6

        CalibrationShotList {
            id: trialList
            objectName: "trialShots"
            Layout.fillWidth: true
            Layout.preferredHeight: Math.min(implicitHeight, panel.height * 0.3)
            visible: screen.range.calibrationShotsPerSerie > 0 || shots.length > 0
            exercise: screen.range.exercise
            fitnessNorm: screen.fitnessNorm
        }

        ShotList {
            id: shotList
            objectName: "shotList"
            Layout.fillWidth: true
            Layout.fillHeight: true
            Layout.minimumHeight: 40
            session: screen.session
        }

        AnalysisPanel {
            objectName: "groupPanel"
            Layout.fillWidth: true
            visible: screen.finished && screen.session !== null
            analysis: groupAnalysis
            showAiming: false
            //: Heading: the group (spread) of the exercise's shots on the target
            title: qsTr("Группа")
        }

        ShotValues {
            objectName: "shotValues"
            Layout.fillWidth: true
            values: screen.selectedValues
            fitnessNorm: screen.fitnessNorm
            gradeText: screen.range.exercise.fitnessGrade
        }
    }

    Flow {
        id: buttons
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        spacing: 10

        MyButton {
            objectName: "finishButton"
            text: qsTr("Закончить стрельбу")
            onClicked: screen.range.exercise.stopAndKeep()
        }
        MyButton {
            objectName: "correctionButton"
            //: Corrects the lane's centre by the marked trial shots
            text: qsTr("Поправка")
            visible: !screen.range.autoCorrection
            enabled: trialList.markedCount > 0 && !screen.finished
            onClicked: screen.range.exercise.correctByTrialShots()
        }
        MyButton {
            objectName: "lastShotCorrectionButton"
            //: Corrects the lane's centre by the last shot
            text: qsTr("Поправка по последнему выстрелу")
            enabled: screen.range.exercise.lastShotCorrectionAvailable && !screen.finished
            onClicked: screen.range.exercise.correctByLastShot()
        }
    }
}
