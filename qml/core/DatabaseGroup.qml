import QtQuick
import QtQuick.Controls

// Wiping the database, after a confirmation; the program ends with it. A
// club's server is not wiped from here.
GroupBox {
    property alias dialog: dialog

    title: qsTr("Удаление Базы Данных:")

    MyButton {
        objectName: "deleteDatabaseButton"
        text: qsTr("Удалить Базу Данных")
        enabled: !application.databaseSettings.serverInUse
        onClicked: dialog.open()
    }

    DeleteDatabaseDialog {
        id: dialog
        objectName: "deleteDatabaseDialog"
        onConfirmed: application.deleteDataBase()
    }
}
