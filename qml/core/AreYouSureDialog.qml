import QtQuick
import QtQuick.Controls

// Asks before something is deleted; `accepted` is emitted on "Ok". The
// question names what goes, a shooter unless told otherwise.
Dialog {
    id: dialog

    property string question: qsTr("Вы действительно хотите удалить пользователя?")

    title: qsTr("Вы уверены?")
    modal: true
    anchors.centerIn: Overlay.overlay
    closePolicy: Popup.CloseOnEscape

    Label {
        text: dialog.question
    }

    footer: DialogButtonBox {
        Button {
            objectName: "okButton"
            text: qsTr("Ok")
            DialogButtonBox.buttonRole: DialogButtonBox.AcceptRole
        }
        Button {
            objectName: "cancelButton"
            text: qsTr("Cancel")
            DialogButtonBox.buttonRole: DialogButtonBox.RejectRole
        }
    }
}
