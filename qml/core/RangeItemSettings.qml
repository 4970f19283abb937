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
    readonly property var targetNames: ["№ 8", "№ 9", "№ 7", "№ 4", "№ 4г"]
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
        text: screen.titlePrefix + "Параметры стрельбы"
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

                    Label { Layout.fillWidth: true; text: "Дистанция до мишени:"; wrapMode: Text.WordWrap }
                    PresetValueBox {
                        id: distanceChoice
                        box.objectName: "distanceBox"
                        custom.objectName: "customDistanceBox"
                        presets: [
                            { text: "5 метров", value: 5 }, { text: "10 метров", value: 10 },
                            { text: "25 метров", value: 25 }, { text: "50 метров", value: 50 },
                            { text: "100 метров", value: 100 }, { text: "Произвольная дистанция", value: 0 }
                        ]
                        realFrom: 2
                        realTo: 1000
                        suffix: " m"
                    }

                    Label { Layout.fillWidth: true; text: "Калибр:"; wrapMode: Text.WordWrap }
                    PresetValueBox {
                        id: caliberChoice
                        box.objectName: "caliberBox"
                        custom.objectName: "customCaliberBox"
                        presets: [
                            { text: "4.5 мм", value: 4.5 }, { text: "5.45 мм", value: 5.45 },
                            { text: "5.6 мм", value: 5.6 }, { text: "7.62 мм", value: 7.62 },
                            { text: "9 мм", value: 9 }, { text: "Произвольный калибр", value: 0 }
                        ]
                        realFrom: 3
                        realTo: 50
                        suffix: " mm"
                    }

                    Label { Layout.fillWidth: true; text: "Масштаб калибра пробоины для отображения:"; wrapMode: Text.WordWrap }
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
                    title: "Ограничения:"

                    GridLayout {
                        anchors.fill: parent
                        columns: 2
                        columnSpacing: 10
                        rowSpacing: 6
                        enabled: !screen.fitnessNorm

                        Label { Layout.fillWidth: true; text: "Количество пробных выстрелов:"; wrapMode: Text.WordWrap }
                        SpinBox {
                            id: trialShotsBox
                            objectName: "trialShotsBox"
                            implicitWidth: 140
                            implicitHeight: 32
                            from: 0
                            to: 9
                            editable: true
                        }

                        Label { Layout.fillWidth: true; text: "Количество зачетных выстрелов:"; wrapMode: Text.WordWrap }
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
                        title: "Поправка"
                        enabled: !screen.fitnessNorm
                        first.objectName: "autoCorrectionButton"
                        first.text: "Автоматическая"
                        second.objectName: "manualCorrectionButton"
                        second.text: "Ручная"
                    }

                    TwoChoiceGroup {
                        id: calibration
                        Layout.fillWidth: true
                        title: "Калибровка"
                        first.objectName: "withCalibrationButton"
                        first.text: "С калибровкой"
                        second.objectName: "withoutCalibrationButton"
                        second.text: "Без калибровки"
                        second.enabled: !screen.range.firstRound
                    }
                }

                GroupBox {
                    Layout.fillWidth: true
                    title: "Мишень"

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
                                text: screen.descriptor ? "Габариты бланка мишени: " + screen.descriptor.world.width + "x"
                                                          + screen.descriptor.world.height + " мм" : ""
                            }
                            Label {
                                objectName: "blackDiameterText"
                                visible: screen.descriptor !== null && !isNaN(screen.descriptor.blackDiameter)
                                text: screen.descriptor ? "Диаметр прицельного яблока: " + screen.descriptor.blackDiameter + " мм" : ""
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
                text: "Назад"
                enabled: false
            }
            MyButton {
                id: continueButton
                objectName: "continueButton"
                anchors.right: parent.right
                text: "Продолжить"
                enabled: screen.descriptor !== null && distanceChoice.value > 0 && caliberChoice.value > 0
                onClicked: screen.confirm()
            }
        }
    }
}
