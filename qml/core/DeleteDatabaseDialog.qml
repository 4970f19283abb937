import QtQuick
import QtQuick.Controls

// Asks twice before the database is wiped: "OK" works only once the
// confirmation box is ticked. `confirmed` is emitted on an accepted, ticked dialog.
Dialog {
    id: dialog

    property alias confirmation: confirmBox

    signal confirmed()

    title: "Удаление базы данных"
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
            text: "Внимание!"
            font.bold: true
            color: "red"
        }
        Label { text: "База Данных, содержащая информацию о пользователях," }
        Label { text: "результатах тренировок и соревнований будет удалена!" }
        Label { text: "Приложение будет закрыто!" }
        CheckBox {
            id: confirmBox
            objectName: "confirmDeletionBox"
            padding: 2
            text: "Я подтверждаю удаление базы данных"
        }
    }

    footer: DialogButtonBox {
        Button {
            objectName: "okButton"
            text: "OK"
            enabled: confirmBox.checked
            DialogButtonBox.buttonRole: DialogButtonBox.AcceptRole
        }
        Button {
            objectName: "cancelButton"
            text: "Отмена"
            DialogButtonBox.buttonRole: DialogButtonBox.RejectRole
        }
    }
}
