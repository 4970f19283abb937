import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// The program's settings: the shooting mode, the shooter import, the general
// switches, where the database is, the database wipe and the lanes with
// their sensors.
Item {
    id: page

    property alias modeGroup: modeGroup
    property alias importGroup: importGroup
    property alias databaseGroup: databaseGroup
    property alias locationGroup: locationGroup
    property alias lanesGroup: lanesGroup

    objectName: "settingsPage"

    PageTitle {
        id: title
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.margins: 12
        text: qsTr("Настройки программы КАВРО")
    }

    // The interface's language, applied at once; each is named in itself.
    RowLayout {
        anchors.right: parent.right
        anchors.rightMargin: 12
        anchors.verticalCenter: title.verticalCenter
        Label {
            //: The interface's language
            text: qsTr("Язык:")
        }
        ComboBox {
            objectName: "languageBox"
            textRole: "text"
            valueRole: "code"
            model: [{ code: "ru", text: "Русский" }, { code: "en", text: "English" }]
            currentIndex: application.language === "en" ? 1 : 0
            onActivated: application.language = currentValue
        }
    }

    Flickable {
        id: flickable
        anchors.top: title.bottom
        anchors.topMargin: 8
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.leftMargin: 12
        contentWidth: width
        contentHeight: content.implicitHeight + 12
        clip: true
        boundsBehavior: Flickable.StopAtBounds
        ScrollBar.vertical: ScrollBar { }

        // Side by side in a wide window, one under the other in a narrow one.
        GridLayout {
            id: content
            width: flickable.width - 14
            columns: width > 1000 ? 2 : 1
            columnSpacing: 16
            rowSpacing: 10

            ColumnLayout {
                Layout.fillWidth: true
                Layout.preferredWidth: 1
                Layout.alignment: Qt.AlignTop
                spacing: 10

                ShootingModeGroup {
                    id: modeGroup
                    Layout.fillWidth: true
                }
                ShooterImportGroup {
                    id: importGroup
                    Layout.fillWidth: true
                }
                GeneralSettingsGroup {
                    Layout.fillWidth: true
                }
                DatabaseLocationGroup {
                    id: locationGroup
                    Layout.fillWidth: true
                }
                DatabaseGroup {
                    id: databaseGroup
                    Layout.fillWidth: true
                }
            }

            LanesGroup {
                id: lanesGroup
                Layout.fillWidth: true
                Layout.preferredWidth: 1
                Layout.alignment: Qt.AlignTop
            }
        }
    }
}
