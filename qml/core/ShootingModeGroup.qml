import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Kavro 1.0

// Choosing the global shooting mode and, outside training, the name of the
// competition or the identifier of the fitness-norm event; nothing changes
// until "Применить".
GroupBox {
    id: group

    // The mode ticked here, not yet applied.
    property int chosenMode: application.shootingMode
    readonly property bool named: chosenMode === RangeData.CompetitionMode || chosenMode === RangeData.GTOMode
    readonly property string name: nameField.text.trim()
    readonly property bool applicable: chosenMode !== RangeData.UndefinedMode && (!named || name.length > 0)

    function apply() {
        if (!applicable)
            return
        if (named) {
            application.setValue("range/competitionName", name)
            application.competitionName = name
        } else {
            application.competitionName = ""
        }
        application.shootingMode = chosenMode
    }

    //: The shooting mode of all lanes
    title: qsTr("Режим:")

    ColumnLayout {
        anchors.fill: parent
        spacing: 4

        Repeater {
            model: [
                { mode: RangeData.TrainingMode, text: qsTr("Тренировка"), name: "trainingButton" },
                //: Shooting mode: scored shooting of a competition
                { mode: RangeData.CompetitionMode, text: qsTr("Соревнования (Зачетная стрельба)"), name: "competitionButton" },
                //: Shooting mode: a fitness-norm event
                { mode: RangeData.GTOMode, text: qsTr("ГТО"), name: "gtoButton" }
            ]
            delegate: RadioButton {
                objectName: modelData.name
                padding: 2
                text: modelData.text
                checked: group.chosenMode === modelData.mode
                opacity: application.shootingMode === modelData.mode ? 1.0 : 0.5
                onClicked: group.chosenMode = modelData.mode
            }
        }

        RowLayout {
            Layout.fillWidth: true
            visible: group.named
            spacing: 6

            Label {
                //: The identifier of the fitness-norm event
                text: group.chosenMode === RangeData.GTOMode ? qsTr("Идентификатор: ") : qsTr("Название соревнования: ")
            }
            TextField {
                id: nameField
                objectName: "competitionNameField"
                Layout.fillWidth: true
                implicitHeight: 32
                //: The identifier of the fitness-norm event
                placeholderText: group.chosenMode === RangeData.GTOMode ? qsTr("Идентификатор... ")
                                                                        : qsTr("Название соревнования... ")
                text: application.stringValue("range/competitionName")
            }
        }

        MyButton {
            objectName: "applyModeButton"
            //: Makes the chosen mode the lanes' mode
            text: qsTr("Применить")
            enabled: group.applicable
            onClicked: group.apply()
        }
    }
}
