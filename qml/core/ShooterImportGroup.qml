import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Qt.labs.platform as Platform

// Adding the shooters of a JSON file to the catalogue: the path is typed in
// or chosen in a file dialog; a failure shows the import's result code, a
// success how many shooters are new.
GroupBox {
    id: group

    property alias path: pathField.text

    // The file dialog's choice, as a path of the local file system.
    function useFile(url) {
        pathField.text = application.localPath(url)
    }

    // The import's result code (0: the file was read).
    function load() {
        var shooters = application.storage.shooters
        var before = shooters.count()
        var code = application.storage.addShootersFromJSON(pathField.text.trim())
        if (code > 0)
            message.show("Не удалось загрузить файл, Ошибка: " + code)
        else
            message.show("Новых стрелков: " + (shooters.count() - before), "#2E7D32")
        return code
    }

    title: "Загрузить список стрелков из файла:"

    ColumnLayout {
        anchors.fill: parent
        spacing: 6

        RowLayout {
            Layout.fillWidth: true
            spacing: 6

            Label { text: "Путь к файлу: " }
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
                text: "Ввести имя файла"
                onClicked: fileDialog.open()
            }
            MyButton {
                objectName: "importButton"
                text: "Загрузить"
                enabled: pathField.text.trim().length > 0
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
        title: "Выберите файл"
        nameFilters: ["JSON (*.json)", "Все файлы (*)"]
        onAccepted: group.useFile(file)
    }
}
