import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// Where the database is: the local file or the club's server. "Проверить"
// connects in the background and shows what is there or why it cannot be
// used; "Применить" stores the choice for the next start.
GroupBox {
    id: group

    readonly property var settings: application.databaseSettings
    property alias fileButton: fileButton
    property alias serverButton: serverButton
    property alias addressField: addressField

    title: "База данных:"

    Component.onCompleted: {
        serverButton.checked = settings.serverInUse
        fileButton.checked = !settings.serverInUse
        addressField.text = settings.stored.length > 0 ? settings.stored : settings.inUse
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 6

        RowLayout {
            spacing: 10
            RadioButton {
                id: fileButton
                objectName: "fileButton"
                text: "Локальный файл"
                padding: 2
            }
            RadioButton {
                id: serverButton
                objectName: "serverButton"
                text: "Сервер клуба"
                padding: 2
            }
        }

        RowLayout {
            Layout.fillWidth: true
            spacing: 6

            Label { text: serverButton.checked ? "Адрес: " : "Файл: " }
            TextField {
                id: addressField
                objectName: "addressField"
                Layout.fillWidth: true
                implicitHeight: 32
                placeholderText: serverButton.checked ? "postgresql://сервер/база"
                                                      : group.settings.defaultFile
            }
        }

        RowLayout {
            Layout.fillWidth: true
            spacing: 10

            MyButton {
                objectName: "checkButton"
                text: "Проверить"
                enabled: !group.settings.checking
                onClicked: group.settings.check(serverButton.checked, addressField.text)
            }
            MyButton {
                objectName: "applyButton"
                text: "Применить"
                onClicked: group.settings.apply(serverButton.checked, addressField.text)
            }
            BusyIndicator {
                implicitWidth: 28
                implicitHeight: 28
                running: group.settings.checking
                visible: running
            }
        }

        Label {
            objectName: "databaseMessage"
            Layout.fillWidth: true
            wrapMode: Text.Wrap
            text: group.settings.message
            color: group.settings.failed ? "#B71C1C" : "#2E7D32"
            visible: text.length > 0
        }
    }
}
