import QtQuick
import QtQuick.Controls

// Asks before the program closes, and says what is not stored yet.
Dialog {
    id: dialog

    property int pendingSessions: 0

    signal quitConfirmed()

    title: "КАВРО"
    modal: true
    anchors.centerIn: Overlay.overlay
    closePolicy: Popup.CloseOnEscape

    Column {
        spacing: 10

        Label {
            text: "Вы уверены что хотите закрыть программу?"
        }
        Label {
            objectName: "pendingText"
            visible: dialog.pendingSessions > 0
            text: "Не сохранено сессий: " + dialog.pendingSessions
                  + ". Они будут сохранены при следующем запуске."
        }
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
