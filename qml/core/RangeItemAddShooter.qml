import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Kavro 1.0

// A new shooter for a lane's session; fitness-norm sessions also ask for the
// person's data that the norm needs (birth date, sex, ...).
Item {
    id: screen

    property RangeData range
    property string titlePrefix
    readonly property string keyPrefix: "range%1/".arg(range.index)
    readonly property bool fitnessNorm: range.session.isGto
    readonly property string name: nameField.text.trim()
    readonly property string organization: organizationField.text.trim()
    // Fitness-norm shooters are grouped by their organization.
    readonly property string group: fitnessNorm ? organization : groupField.text.trim()
    readonly property int age: range.exercise.ageFromBirthDate(birthDateField.text)
    readonly property int step: range.exercise.stepFromAge(age)
    readonly property bool exists: name.length > 0
                                   && application.catalog.lookupShooter(name, organization, group) !== 0

    function confirm() {
        var session = range.session
        if (fitnessNorm) {
            session.setValue("gtoUuid", uinnField.text.trim())
            session.setValue("birthDate", birthDateField.text)
            session.setValue("sex", sexBox.currentValue)
            session.setValue("pectoralNumber", pectoralNumberField.text.trim())
            session.setValue("step", step)
            session.setValue("athleticRank", athleticRankField.text.trim())
        }
        session.setShooter(name, organization, group)
        range.state = RangeData.SelectShooterState
    }

    LaneTitle {
        id: title
        anchors.left: parent.left
        anchors.right: parent.right
        //: Title of the screen that adds a shooter
        text: screen.titlePrefix + qsTr("Новый пользователь")
    }

    Flickable {
        id: flickable
        anchors.top: title.bottom
        anchors.topMargin: 6
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: buttons.top
        anchors.bottomMargin: 6
        contentWidth: width
        contentHeight: form.implicitHeight
        clip: true
        boundsBehavior: Flickable.StopAtBounds
        ScrollBar.vertical: ScrollBar { }

        GridLayout {
            id: form
            width: Math.min(flickable.width - 14, 640)
            columns: 2
            columnSpacing: 10
            rowSpacing: 6

            Label { text: qsTr("Организация: ") }
            TextField {
                id: organizationField
                objectName: "organizationField"
                Layout.fillWidth: true
                implicitHeight: 32
                text: application.stringValue(screen.keyPrefix + "currentOrgText")
            }

            //: The shooter's group (class) within the organization
            Label { text: qsTr("Группа (Класс): "); visible: !screen.fitnessNorm }
            TextField {
                id: groupField
                objectName: "groupField"
                Layout.fillWidth: true
                implicitHeight: 32
                visible: !screen.fitnessNorm
                text: application.stringValue(screen.keyPrefix + "currentGroupText")
            }

            //: The shooter's full name
            Label { text: qsTr("Ф.И.О:") }
            TextField {
                id: nameField
                objectName: "nameField"
                Layout.fillWidth: true
                implicitHeight: 32
                focus: true
            }

            //: The person's identification number in the fitness-norm register
            Label { text: qsTr("УИНН: "); visible: screen.fitnessNorm }
            TextField {
                id: uinnField
                objectName: "uinnField"
                Layout.fillWidth: true
                implicitHeight: 32
                visible: screen.fitnessNorm
                maximumLength: 11
            }

            //: The field takes the date as day.month.year in digits, whatever the language
            Label { text: qsTr("Дата рождения (дд.мм.гггг):"); visible: screen.fitnessNorm }
            TextField {
                id: birthDateField
                objectName: "birthDateField"
                Layout.fillWidth: true
                implicitHeight: 32
                visible: screen.fitnessNorm
                inputMask: "99.99.9999;"
                //: The field takes the date as day.month.year in digits, whatever the language
                placeholderText: qsTr("Дата рождения... (дд.мм.гггг)")
                background: Rectangle {
                    color: "white"
                    border.width: screen.age === 0 ? 2 : 1
                    border.color: screen.age === 0 ? "red" : (birthDateField.activeFocus ? "#0066FF" : "#BDBEBF")
                }
            }

            Label { text: qsTr("Возраст: "); visible: screen.fitnessNorm }
            Label { objectName: "ageText"; text: screen.age; visible: screen.fitnessNorm }

            //: The age level of the fitness norm
            Label { text: qsTr("Ступень: "); visible: screen.fitnessNorm }
            Label { objectName: "stepText"; text: screen.step; visible: screen.fitnessNorm }

            //: The person's sex
            Label { text: qsTr("Пол: "); visible: screen.fitnessNorm }
            ComboBox {
                id: sexBox
                objectName: "sexBox"
                implicitWidth: 100
                implicitHeight: 32
                visible: screen.fitnessNorm
                textRole: "text"
                valueRole: "value"
                // The values are what the sessions store.
                model: [
                    //: Sex: male, one letter
                    { value: "М", text: qsTr("М") },
                    //: Sex: female, one letter
                    { value: "Ж", text: qsTr("Ж") }
                ]
            }

            //: The start number worn on the chest
            Label { text: qsTr("Нагрудный номер: "); visible: screen.fitnessNorm }
            TextField {
                id: pectoralNumberField
                objectName: "pectoralNumberField"
                Layout.fillWidth: true
                implicitHeight: 32
                visible: screen.fitnessNorm
            }

            //: The person's sports rating
            Label { text: qsTr("Спортивный разряд: "); visible: screen.fitnessNorm }
            TextField {
                id: athleticRankField
                objectName: "athleticRankField"
                Layout.fillWidth: true
                implicitHeight: 32
                visible: screen.fitnessNorm
            }

            Label {
                objectName: "existsText"
                Layout.columnSpan: 2
                visible: screen.exists
                text: qsTr("Такой пользователь уже существует")
                color: "red"
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
            objectName: "cancelButton"
            anchors.left: parent.left
            text: qsTr("Отмена")
            onClicked: screen.range.state = RangeData.SelectShooterState
        }
        MyButton {
            id: continueButton
            objectName: "continueButton"
            anchors.right: parent.right
            text: qsTr("Продолжить")
            enabled: screen.name.length > 0 && (!screen.fitnessNorm || screen.age > 0)
            onClicked: screen.confirm()
        }
    }
}
