import QtQuick
import QtQuick.Controls

// Asks before the program closes, and says what is not stored yet.
Dialog {
    id: dialog

    property int pendingSessions: 0
    // Of those, the sessions that could not even be written to the disk.
    property int unfiledSessions: 0

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
            visible: dialog.pendingSessions > dialog.unfiledSessions
            text: "Не сохранено сессий: " + (dialog.pendingSessions - dialog.unfiledSessions)
                  + ". Они будут сохранены при следующем запуске."
        }
        Label {
            objectName: "unfiledText"
            visible: dialog.unfiledSessions > 0
            color: "red"
            text: "Не записано на диск сессий: " + dialog.unfiledSessions
                  + ". При закрытии программы они будут потеряны."
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
