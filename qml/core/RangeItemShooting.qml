import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Kavro 1.0
import "gto.js" as Gto

// The shooting screen of a lane: the target with the live aim, the trace and
// the shot marks; the trial and scored shots; the values of the selected
// shot; corrections of the lane's centre; and the saving of the exercise when
// it ends or is ended.
Item {
    id: screen

    property RangeData range
    property string titlePrefix
    readonly property var session: range ? range.session : null
    readonly property bool fitnessNorm: session !== null && session.isGto
    readonly property bool finished: range !== null && range.phase === RangeData.NoPhase
    readonly property string targetName: session && session.targetDescriptor ? session.targetDescriptor.name : ""
    readonly property string distanceText: !session ? ""
                                           : session.isGto ? "Стрельба ГТО"
                                           : session.distance > 0 ? session.distance + " м" : ""
    // Shot marks in pixels: the caliber times the lane's display scale.
    readonly property real markSize: (session ? session.caliber * range.caliberVisualisationScale : 4.5)
                                     * targetView.targetScaleX
    readonly property var gradeWords: ["Неуд", "Бронза", "Серебро", "Золото"]
    readonly property int shotCount: session ? session.shots.length : 0
    // Fitness norm: the grade of the whole points; otherwise the mean score.
    readonly property int fitnessGrade: fitnessNorm ? Gto.evaluateResult(session.resultInt, session.step, session.sex) : 0
    readonly property real meanResult: shotCount > 0 ? session.result / shotCount : 0
    readonly property string gradeText: fitnessNorm ? gradeWords[fitnessGrade] : meanResult.toFixed(1)
    // The values of the shot selected in the list, as recorded when it was fired.
    readonly property int selectedIndex: shotList.selectedShot ? shotList.selectedShot.indexInSession : -1
    readonly property var selectedValues: selectedIndex >= 0 && selectedIndex < shotValues.count
                                          ? shotValues.get(selectedIndex) : null
    // The last scored shot can correct the centre once.
    property bool lastShotCorrectionAvailable: false
    property point lastShotHwPoint
    property bool finishTimerStarted: false
    // Set while the screen hands the lane back to the settings.
    property bool leaving: false

    // A point on the target (mm) in the target view's pixels.
    function toPixels(point) {
        return Qt.point((point.x + targetView.targetTx) * targetView.targetScaleX,
                        (point.y + targetView.targetTy) * targetView.targetScaleY)
    }

    function playShotSound() {
        if (application.intValue("sound/shotAiming", 1) === 1)
            application.playSound("qrc:/sounds/shot.wav")
    }

    function save() {
        var mode = application.shootingMode
        session.setValue("competitionName", application.competitionName)
        session.setValue("competitionType", mode)
        if (mode !== RangeData.TrainingMode)
            session.setValue("medal", gradeText)
        session.setValue("resultReal", session.result)
        session.write()
    }

    function endExercise() {
        range.setFirstRound(false)
        save()
    }

    // Saves, then starts the lane afresh on the settings screen with the same
    // target, distance, caliber, competition and calibration.
    function finishShooting() {
        leaving = true
        save()
        var old = session
        var kept = {
            target: old.targetDescriptor,
            distance: old.distance,
            caliber: old.caliber,
            competitionName: old.competitionName,
            isGto: old.isGto,
            offset: range.storedOffset
        }
        var lane = range
        lane.reset()
        var fresh = lane.session
        fresh.targetDescriptor = kept.target
        fresh.distance = kept.distance
        fresh.caliber = kept.caliber
        fresh.competitionName = kept.competitionName
        fresh.isGto = kept.isGto
        lane.storedOffset = kept.offset
        lane.phase = RangeData.NoPhase
        lane.state = RangeData.SettingsState
    }

    function correctByTrialShots() {
        if (trialList.markedCount > 0)
            range.setCalibrationOffset(trialList.meanHwPoint)
    }

    function correctByLastShot() {
        lastShotCorrectionAvailable = false
        range.setCalibrationOffset(lastShotHwPoint)
    }

    ListModel { id: shotValues }

    Connections {
        target: screen.range

        function onNewShot(shot, hwPoint, stab, trigStab, result, area, angle) {
            screen.playShotSound()
            shotValues.append({ stab: stab, trigStab: trigStab, result: result, area: area,
                                time: screen.range.timeSincePreviousShot, angle: angle })
            shotList.select(shot)
            screen.lastShotHwPoint = hwPoint
            screen.lastShotCorrectionAvailable = true
        }
        function onCalibrationShotMy(point, hwPoint, angle, result) {
            screen.playShotSound()
            trialList.addShot(point, hwPoint, angle, result)
        }
        function onTargetVisibleChanged() {
            currentSelection.eraseCurrent()
        }
        function onCorSig() {
            screen.correctByTrialShots()
        }
        function onPhaseChanged() {
            if (screen.finished && !screen.leaving)
                screen.endExercise()
        }
    }

    // The recording being shot, while the exercise runs.
    TraceSelection {
        id: currentSelection
        selection: screen.finished ? null : screen.range.currentTrace
    }

    // The selected shot's stretch of the finished exercise. Its first shot
    // list closes the recording a moment later, so that the aim after the
    // exercise does not run on in it.
    TraceSelection {
        id: shotSelection
        selection: screen.finished ? shotList.selectedShot : null
        showTrace: false
        onShotsChanged: {
            if (screen.finished && !screen.finishTimerStarted && selection !== null) {
                screen.finishTimerStarted = true
                startFinishTimer()
            }
        }
        onFinishSignal: screen.range.cutCurrTrace()
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
        text: "Стрельба Окончена"
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
                    center: screen.toPixels(Qt.point(model.x, model.y))
                    caliber: screen.markSize
                    selected: model.marked
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
            visible: screen.range.calibrationShotsPerSerie > 0 || shots.count > 0
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

        ShotValues {
            objectName: "shotValues"
            Layout.fillWidth: true
            values: screen.selectedValues
            fitnessNorm: screen.fitnessNorm
            gradeText: screen.gradeText
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
            text: "Закончить стрельбу"
            onClicked: screen.finishShooting()
        }
        MyButton {
            objectName: "correctionButton"
            text: "Поправка"
            visible: !screen.range.autoCorrection
            enabled: trialList.markedCount > 0 && !screen.finished
            onClicked: screen.correctByTrialShots()
        }
        MyButton {
            objectName: "lastShotCorrectionButton"
            text: "Поправка по последнему выстрелу"
            enabled: screen.lastShotCorrectionAvailable && !screen.finished
            onClicked: screen.correctByLastShot()
        }
    }
}
