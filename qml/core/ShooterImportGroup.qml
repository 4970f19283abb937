import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Qt.labs.platform as Platform

// Adding the shooters of a JSON file to the catalogue: the path is typed in
// or chosen in a file dialog; a failure shows the import's result code or
// why the database refused the shooters, a success how many are new.
GroupBox {
    id: group

    property alias path: pathField.text

    // The file dialog's choice, as a path of the local file system.
    function useFile(url) {
        pathField.text = application.localPath(url)
    }

    // The import waited for, -1 for none.
    property int ticket: -1

    // Read and stored in the background; the answer shows when it comes.
    function load() {
        ticket = application.catalog.importShooters(pathField.text.trim())
    }

    function show(code, added, error) {
        if (code > 0)
            //: %1: the import's result code
            message.show(qsTr("Не удалось загрузить файл, Ошибка: %1").arg(code))
        else if (error.length > 0)
            //: %1: shooters added from the file; %2: why the database refused the others
            message.show(qsTr("Новых стрелков: %1. Не удалось сохранить остальных: %2").arg(added).arg(error))
        else
            //: %1: shooters added from the file
            message.show(qsTr("Новых стрелков: %1").arg(added), "#2E7D32")
    }

    Connections {
        target: application.catalog
        function onChangeDone(ticket, code, added, error) {
            if (ticket !== group.ticket)
                return
            group.ticket = -1
            group.show(code, added, error)
        }
    }

    title: qsTr("Загрузить список стрелков из файла:")

    ColumnLayout {
        anchors.fill: parent
        spacing: 6

        RowLayout {
            Layout.fillWidth: true
            spacing: 6

            Label { text: qsTr("Путь к файлу: ") }
            TextField {
                id: pathField
                objectName: "importPathField"
                Layout.fillWidth: true
                implicitHeight: 32
            }
        }

        RowLayout {
            Layout.fillWidth: true
            spacing: 10

            MyButton {
                objectName: "chooseFileButton"
                //: Opens the dialog that chooses the file
                text: qsTr("Ввести имя файла")
                onClicked: fileDialog.open()
            }
            MyButton {
                objectName: "importButton"
                //: Reads the shooters of the file into the catalogue
                text: qsTr("Загрузить")
                enabled: pathField.text.trim().length > 0 && group.ticket < 0
                onClicked: group.load()
            }
            FadingMessage {
                id: message
                objectName: "importMessage"
                Layout.fillWidth: true
            }
        }
    }

    // The platform's dialog, or the widget one where the platform has none:
    // the Qt Quick dialog needs a module the program does not ship.
    Platform.FileDialog {
        id: fileDialog
        title: qsTr("Выберите файл")
        //: File dialog filter; "(*)" stays as it is
        nameFilters: ["JSON (*.json)", qsTr("Все файлы (*)")]
        onAccepted: group.useFile(file)
    }
}
