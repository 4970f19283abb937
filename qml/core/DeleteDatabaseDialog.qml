import QtQuick
import QtQuick.Controls

// Asks twice before the database is wiped: "OK" works only once the
// confirmation box is ticked. `confirmed` is emitted on an accepted, ticked dialog.
Dialog {
    id: dialog

    property alias confirmation: confirmBox

    signal confirmed()

    title: qsTr("Удаление базы данных")
    width: 400
    height: 250
    modal: true
    anchors.centerIn: Overlay.overlay
    closePolicy: Popup.CloseOnEscape

    onAboutToShow: confirmBox.checked = false
    onAccepted: if (confirmBox.checked) dialog.confirmed()

    Column {
        anchors.fill: parent
        spacing: 4

        Label {
            text: qsTr("Внимание!")
            font.bold: true
            color: "red"
        }
        //: First line of a sentence that goes on in the next one
        Label { text: qsTr("База Данных, содержащая информацию о пользователях,") }
        //: Second line of the sentence begun in the line before
        Label { text: qsTr("результатах тренировок и соревнований будет удалена!") }
        Label { text: qsTr("Приложение будет закрыто!") }
        CheckBox {
            id: confirmBox
            objectName: "confirmDeletionBox"
            padding: 2
            text: qsTr("Я подтверждаю удаление базы данных")
        }
    }

    footer: DialogButtonBox {
        Button {
            objectName: "okButton"
            text: qsTr("OK")
            enabled: confirmBox.checked
            DialogButtonBox.buttonRole: DialogButtonBox.AcceptRole
        }
        Button {
            objectName: "cancelButton"
            text: qsTr("Отмена")
            DialogButtonBox.buttonRole: DialogButtonBox.RejectRole
        }
    }
}
