import QtQuick

// One row of a list: a text over a thin separator; a click or Return selects it.
Item {
    id: row

    property alias text: label.text

    signal clicked()

    implicitWidth: label.implicitWidth + 16
    implicitHeight: label.implicitHeight + 16

    Keys.onReturnPressed: row.clicked()

    Text {
        id: label
        anchors.fill: parent
        anchors.margins: 8
        verticalAlignment: Text.AlignVCenter
        elide: Text.ElideRight
        font.pointSize: 12
        color: "black"
    }

    Rectangle {
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        height: 1
        color: "#c4c4d3"
    }

    MouseArea {
        anchors.fill: parent
        onClicked: row.clicked()
    }
}
