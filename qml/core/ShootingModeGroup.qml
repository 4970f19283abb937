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

    title: "Режим:"

    ColumnLayout {
        anchors.fill: parent
        spacing: 4

        Repeater {
            model: [
                { mode: RangeData.TrainingMode, text: "Тренировка", name: "trainingButton" },
                { mode: RangeData.CompetitionMode, text: "Соревнования (Зачетная стрельба)", name: "competitionButton" },
                { mode: RangeData.GTOMode, text: "ГТО", name: "gtoButton" }
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
                text: group.chosenMode === RangeData.GTOMode ? "Идентификатор: " : "Название соревнования: "
            }
            TextField {
                id: nameField
                objectName: "competitionNameField"
                Layout.fillWidth: true
                implicitHeight: 32
                placeholderText: group.chosenMode === RangeData.GTOMode ? "Идентификатор... " : "Название соревнования... "
                text: application.stringValue("range/competitionName")
            }
        }

        MyButton {
            objectName: "applyModeButton"
            text: "Применить"
            enabled: group.applicable
            onClicked: group.apply()
        }
    }
}
