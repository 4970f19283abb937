import QtQuick

// The header of a list section: its text in capitals.
Rectangle {
    id: header

    property string text

    implicitWidth: label.implicitWidth + 16
    implicitHeight: label.implicitHeight + 8
    color: "white"
    border.color: "lightsteelblue"

    Text {
        id: label
        anchors.verticalCenter: parent.verticalCenter
        anchors.left: parent.left
        anchors.leftMargin: 8
        text: header.text.toUpperCase()
        font.bold: true
        font.pointSize: 14
    }
}
