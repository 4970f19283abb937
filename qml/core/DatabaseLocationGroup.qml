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

    title: qsTr("База данных:")

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
                text: qsTr("Локальный файл")
                padding: 2
            }
            RadioButton {
                id: serverButton
                objectName: "serverButton"
                //: The database on the club's shared server
                text: qsTr("Сервер клуба")
                padding: 2
            }
        }

        RowLayout {
            Layout.fillWidth: true
            spacing: 6

            //: The server's address
            Label { text: serverButton.checked ? qsTr("Адрес: ")
                                               //: The path of the local database file
                                               : qsTr("Файл: ") }
            TextField {
                id: addressField
                objectName: "addressField"
                Layout.fillWidth: true
                implicitHeight: 32
                //: Example of a server address; "postgresql://" stays as it is
                placeholderText: serverButton.checked ? qsTr("postgresql://сервер/база")
                                                      : group.settings.defaultFile
            }
        }

        RowLayout {
            Layout.fillWidth: true
            spacing: 10

            MyButton {
                objectName: "checkButton"
                //: Tries the database connection without changing anything
                text: qsTr("Проверить")
                enabled: !group.settings.checking
                onClicked: group.settings.check(serverButton.checked, addressField.text)
            }
            MyButton {
                objectName: "applyButton"
                //: Stores the database location for the next start
                text: qsTr("Применить")
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
