import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// Shown in place of what a page could not read, with a way to try again.
Rectangle {
    id: box

    property alias text: label.text

    signal retry()

    implicitHeight: column.implicitHeight + 16
    color: "#FFF3E0"
    border.color: "#E65100"

    ColumnLayout {
        id: column
        anchors.fill: parent
        anchors.margins: 8
        spacing: 6

        Label {
            id: label
            objectName: "failureText"
            Layout.fillWidth: true
            wrapMode: Text.Wrap
            color: "#B71C1C"
        }
        MyButton {
            objectName: "retryButton"
            //: Tries again to read what failed
            text: qsTr("Повторить")
            onClicked: box.retry()
        }
    }
}
