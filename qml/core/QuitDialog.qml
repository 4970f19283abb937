import QtQuick
import QtQuick.Controls

// Asks before the program closes, and says what is not stored yet.
Dialog {
    id: dialog

    property int pendingSessions: 0
    // Of those, the sessions that could not even be written to the disk.
    property int unfiledSessions: 0

    signal quitConfirmed()

    //: The program's name as the title of the dialog that asks before it closes
    title: qsTr("КАВРО")
    modal: true
    anchors.centerIn: Overlay.overlay
    closePolicy: Popup.CloseOnEscape

    Column {
        spacing: 10

        Label {
            text: qsTr("Вы уверены что хотите закрыть программу?")
        }
        Label {
            objectName: "pendingText"
            visible: dialog.pendingSessions > dialog.unfiledSessions
            //: %1: sessions kept on the disk that the database has not taken yet
            text: qsTr("Не сохранено сессий: %1. Они будут сохранены при следующем запуске.")
                  .arg(dialog.pendingSessions - dialog.unfiledSessions)
        }
        Label {
            objectName: "unfiledText"
            visible: dialog.unfiledSessions > 0
            color: "red"
            //: %1: sessions that could not even be written to the disk
            text: qsTr("Не записано на диск сессий: %1. При закрытии программы они будут потеряны.")
                  .arg(dialog.unfiledSessions)
        }
    }

    footer: DialogButtonBox {
        Button {
            id: closeButton
            objectName: "confirmQuitButton"
            text: qsTr("Закрыть")
            focus: true
            DialogButtonBox.buttonRole: DialogButtonBox.AcceptRole
        }
        Button {
            objectName: "cancelQuitButton"
            text: qsTr("Отмена")
            DialogButtonBox.buttonRole: DialogButtonBox.RejectRole
        }
    }

    onOpened: closeButton.forceActiveFocus()
    onAccepted: dialog.quitConfirmed()
}
