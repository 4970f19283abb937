import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Kavro 1.0

// The settings of a lane's next exercise; "Продолжить" hands them to the
// lane's exercise, which gives them to a new session and stores them.
Item {
    id: screen

    property RangeData range
    property string titlePrefix
    readonly property string keyPrefix: "range%1/".arg(range.index)
    readonly property bool fitnessNorm: application.shootingMode === RangeData.GTOMode
    // The short names of the catalogue's first target faces, in its order.
    readonly property var targetNames: [
        //: Short name of the target face №8
        qsTr("№ 8"),
        //: Short name of the target face №9
        qsTr("№ 9"),
        //: Short name of the target face №7
        qsTr("№ 7"),
        //: Short name of the target face №4
        qsTr("№ 4"),
        //: Short name of the target face "№4 грудная" (chest figure)
        qsTr("№ 4г")
    ]
    readonly property var descriptor: targetBox.currentIndex >= 0
                                      ? application.targetManager.targets.get(targetBox.currentIndex) : null

    enabled: application.shootingMode !== RangeData.UndefinedMode

    function load() {
        var session = range.session
        var key = keyPrefix
        if (fitnessNorm) {
            distanceChoice.box.currentIndex = 1
            caliberChoice.box.currentIndex = 0
        } else {
            distanceChoice.setValue(session.distance > 0 ? session.distance
                                                         : application.realValue(key + "distance", distanceChoice.presets[0].value))
            caliberChoice.setValue(session.caliber > 0 ? session.caliber
                                                       : application.realValue(key + "caliber", caliberChoice.presets[0].value))
        }
        scaleBox.setRealValue(fitnessNorm ? 1.0 : application.realValue(key + "caliberVisualisationScale", 1.0))
        trialShotsBox.value = fitnessNorm ? 3 : application.intValue(key + "calibrationShotsPerSerie", 3)
        scoredShotsBox.value = fitnessNorm ? 5 : application.intValue(key + "shotCountLimit", 5)
        timeLimits.limited = fitnessNorm || application.boolValue(key + "withTimeLimits", true)
        var separate = !fitnessNorm && application.boolValue(key + "separateCalibrationTime", true)
        timeLimits.separate = separate
        timeLimits.joint = !separate
        timeLimits.trialTime = application.intValue(key + "calibrationShotsTime", 50)
        timeLimits.serieTime = application.intValue(key + "serieShotsTime", 60)
        timeLimits.jointTime = fitnessNorm ? 600 : application.intValue(key + "jointTime", 70)
        var automatic = !fitnessNorm && application.boolValue(key + "autoCorrection", true)
        correction.first.checked = automatic
        correction.second.checked = !automatic
        // The first round of an exercise always starts with a calibration.
        var calibrate = range.firstRound || application.boolValue(key + "withCalibration", true)
        calibration.first.checked = calibrate
        calibration.second.checked = !calibrate
        // The target kept from the last exercise, else the stored one.
        var targetIndex = session.targetDescriptor ? application.targetManager.targets.indexOf(session.targetDescriptor)
                                                   : application.intValue(key + "targetIndex", 0)
        targetBox.currentIndex = fitnessNorm || targetIndex < 0 || targetIndex >= targetNames.length ? 0 : targetIndex
    }

    function confirm() {
        range.exercise.applySettings({
            target: descriptor, distance: distanceChoice.value, caliber: caliberChoice.value,
            scale: scaleBox.realValue, trialShots: trialShotsBox.value, shots: scoredShotsBox.value,
            withTimeLimits: timeLimits.limited, joint: timeLimits.joint, trialTime: timeLimits.trialTime,
            serieTime: timeLimits.serieTime, jointTime: timeLimits.jointTime,
            autoCorrection: correction.first.checked, withCalibration: calibration.first.checked,
            targetIndex: targetBox.currentIndex
        })
    }

    Component.onCompleted: load()

    LaneTitle {
        id: title
        anchors.left: parent.left
        anchors.right: parent.right
        //: Title of the screen with the settings of the lane's next exercise
        text: screen.titlePrefix + qsTr("Параметры стрельбы")
    }

    // The form and its buttons, no wider than needed, in the middle of a wide lane.
    Item {
        id: content
        anchors.top: title.bottom
        anchors.topMargin: 6
        anchors.bottom: parent.bottom
        anchors.horizontalCenter: parent.horizontalCenter
        width: Math.min(parent.width, 780)

        Flickable {
            id: flickable
            anchors.top: parent.top
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: buttons.top
            anchors.bottomMargin: 6
            contentWidth: width
            contentHeight: form.implicitHeight
            clip: true
            boundsBehavior: Flickable.StopAtBounds
            ScrollBar.vertical: ScrollBar { policy: flickable.contentHeight > flickable.height ? ScrollBar.AlwaysOn : ScrollBar.AsNeeded }

            ColumnLayout {
                id: form
                width: flickable.width - 14
                spacing: 6

                GridLayout {
                    Layout.fillWidth: true
                    columns: 2
                    columnSpacing: 10
                    rowSpacing: 6

                    Label { Layout.fillWidth: true; text: qsTr("Дистанция до мишени:"); wrapMode: Text.WordWrap }
                    PresetValueBox {
                        id: distanceChoice
                        box.objectName: "distanceBox"
                        custom.objectName: "customDistanceBox"
                        presets: [
                            { text: qsTr("5 метров"), value: 5 }, { text: qsTr("10 метров"), value: 10 },
                            { text: qsTr("25 метров"), value: 25 }, { text: qsTr("50 метров"), value: 50 },
                            { text: qsTr("100 метров"), value: 100 },
                            //: Last entry of the distances: any distance, typed in
                            { text: qsTr("Произвольная дистанция"), value: 0 }
                        ]
                        realFrom: 2
                        realTo: 1000
                        //: Unit after a distance typed in (metres), with its leading space; Latin letters only
                        suffix: qsTr(" m")
                    }

                    Label { Layout.fillWidth: true; text: qsTr("Калибр:"); wrapMode: Text.WordWrap }
                    PresetValueBox {
                        id: caliberChoice
                        box.objectName: "caliberBox"
                        custom.objectName: "customCaliberBox"
                        presets: [
                            //: A caliber: %1 millimetres
                            { text: qsTr("%1 мм").arg("4.5"), value: 4.5 }, { text: qsTr("%1 мм").arg("5.45"), value: 5.45 },
                            { text: qsTr("%1 мм").arg("5.6"), value: 5.6 }, { text: qsTr("%1 мм").arg("7.62"), value: 7.62 },
                            { text: qsTr("%1 мм").arg("9"), value: 9 },
                            //: Last entry of the calibers: any caliber, typed in
                            { text: qsTr("Произвольный калибр"), value: 0 }
                        ]
                        realFrom: 3
                        realTo: 50
                        //: Unit after a caliber typed in (millimetres), with its leading space; Latin letters only
                        suffix: qsTr(" mm")
                    }

                    //: How much larger than the caliber the shot holes are drawn
                    Label { text: qsTr("Масштаб калибра пробоины для отображения:"); Layout.fillWidth: true; wrapMode: Text.WordWrap }
                    DoubleSpinBox {
                        id: scaleBox
                        objectName: "scaleBox"
                        implicitWidth: 140
                        implicitHeight: 32
                        enabled: !screen.fitnessNorm
                        decimals: 1
                        realFrom: 0.1
                        realTo: 50
                        realStepSize: 0.1
                    }
                }

                GroupBox {
                    Layout.fillWidth: true
                    //: Limits on the numbers of shots
                    title: qsTr("Ограничения:")

                    GridLayout {
                        anchors.fill: parent
                        columns: 2
                        columnSpacing: 10
                        rowSpacing: 6
                        enabled: !screen.fitnessNorm

                        Label { Layout.fillWidth: true; text: qsTr("Количество пробных выстрелов:"); wrapMode: Text.WordWrap }
                        SpinBox {
                            id: trialShotsBox
                            objectName: "trialShotsBox"
                            implicitWidth: 140
                            implicitHeight: 32
                            from: 0
                            to: 9
                            editable: true
                        }

                        Label { Layout.fillWidth: true; text: qsTr("Количество зачетных выстрелов:"); wrapMode: Text.WordWrap }
                        SpinBox {
                            id: scoredShotsBox
                            objectName: "scoredShotsBox"
                            implicitWidth: 140
                            implicitHeight: 32
                            from: 1
                            to: 40
                            editable: true
                        }
                    }
                }

                TimeLimitsGroup {
                    id: timeLimits
                    Layout.fillWidth: true
                    fixed: screen.fitnessNorm
                }

                RowLayout {
                    Layout.fillWidth: true
                    spacing: 6

                    TwoChoiceGroup {
                        id: correction
                        Layout.fillWidth: true
                        //: How the lane's centre is corrected during the exercise
                        title: qsTr("Поправка")
                        enabled: !screen.fitnessNorm
                        first.objectName: "autoCorrectionButton"
                        //: Correction: automatic
                        first.text: qsTr("Автоматическая")
                        second.objectName: "manualCorrectionButton"
                        //: Correction: by hand
                        second.text: qsTr("Ручная")
                    }

                    TwoChoiceGroup {
                        id: calibration
                        Layout.fillWidth: true
                        //: Whether the exercise starts with a calibration of the sensor
                        title: qsTr("Калибровка")
                        first.objectName: "withCalibrationButton"
                        first.text: qsTr("С калибровкой")
                        second.objectName: "withoutCalibrationButton"
                        second.text: qsTr("Без калибровки")
                        second.enabled: !screen.range.firstRound
                    }
                }

                GroupBox {
                    Layout.fillWidth: true
                    //: The target face of the exercise
                    title: qsTr("Мишень")

                    Flow {
                        anchors.fill: parent
                        spacing: 10

                        ComboBox {
                            id: targetBox
                            objectName: "targetBox"
                            width: 140
                            height: 32
                            enabled: !screen.fitnessNorm
                            model: screen.targetNames
                        }
                        Column {
                            spacing: 2
                            Label {
                                objectName: "targetSizeText"
                                visible: screen.descriptor !== null
                                //: The size of the target's paper: %1 width, %2 height in millimetres
                                text: screen.descriptor ? qsTr("Габариты бланка мишени: %1x%2 мм")
                                                          .arg(String(screen.descriptor.world.width))
                                                          .arg(String(screen.descriptor.world.height)) : ""
                            }
                            Label {
                                objectName: "blackDiameterText"
                                visible: screen.descriptor !== null && !isNaN(screen.descriptor.blackDiameter)
                                //: The diameter of the target's black aiming mark in millimetres
                                text: screen.descriptor ? qsTr("Диаметр прицельного яблока: %1 мм")
                                                          .arg(String(screen.descriptor.blackDiameter)) : ""
                            }
                        }
                    }
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
                enabled: false
            }
            MyButton {
                id: continueButton
                objectName: "continueButton"
                anchors.right: parent.right
                text: qsTr("Продолжить")
                enabled: screen.descriptor !== null && distanceChoice.value > 0 && caliberChoice.value > 0
                onClicked: screen.confirm()
            }
        }
    }
}
