import QtQuick
import QtQuick.Controls

// Asks before something is deleted; `accepted` is emitted on "Ok".
Dialog {
    id: dialog

    property string goal: "пользователя"

    title: "Вы уверены?"
    modal: true
    anchors.centerIn: Overlay.overlay
    closePolicy: Popup.CloseOnEscape

    Label {
        text: "Вы действительно хотите удалить " + dialog.goal + "?"
    }

    footer: DialogButtonBox {
        Button {
            objectName: "okButton"
            text: "Ok"
            DialogButtonBox.buttonRole: DialogButtonBox.AcceptRole
        }
        Button {
            objectName: "cancelButton"
            text: "Cancel"
            DialogButtonBox.buttonRole: DialogButtonBox.RejectRole
        }
    }
}
