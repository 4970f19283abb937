import QtQuick
import QtQuick.Controls

// Asks before the program closes.
Dialog {
    id: dialog

    signal quitConfirmed()

    title: "КАВРО"
    modal: true
    anchors.centerIn: Overlay.overlay
    closePolicy: Popup.CloseOnEscape

    Label {
        text: "Вы уверены что хотите закрыть программу?"
    }

    footer: DialogButtonBox {
        Button {
            id: closeButton
            objectName: "confirmQuitButton"
            text: "Закрыть"
            focus: true
            DialogButtonBox.buttonRole: DialogButtonBox.AcceptRole
        }
        Button {
            objectName: "cancelQuitButton"
            text: "Отмена"
            DialogButtonBox.buttonRole: DialogButtonBox.RejectRole
        }
    }

    onOpened: closeButton.forceActiveFocus()
    onAccepted: dialog.quitConfirmed()
}
