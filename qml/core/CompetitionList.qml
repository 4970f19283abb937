import QtQuick
import QtQuick.Controls

// A titled list of competition names; a click chooses one.
Rectangle {
    id: box

    property alias title: header.text
    property alias names: nameList.model
    property string chosenName: ""
    property alias list: nameList

    signal chosen(string name)

    color: "white"
    border.color: "#c4c4d3"
    clip: true

    SectionDelegate {
        id: header
        anchors.left: parent.left
        anchors.right: parent.right
    }

    ListView {
        id: nameList
        anchors.top: header.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.margins: 1
        clip: true
        boundsBehavior: Flickable.StopAtBounds
        ScrollBar.vertical: ScrollBar { }
        delegate: ListDelegate {
            width: ListView.view.width
            text: modelData
            onClicked: box.chosen(modelData)

            Rectangle {
                z: -1
                anchors.fill: parent
                visible: box.chosenName === modelData
                color: "#D6DCE4"
            }
        }
    }
}
