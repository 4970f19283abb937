import QtQuick
import QtQuick.Controls
import Kavro 1.0

// The target faces of the catalogue, each with a small picture; a click
// chooses one. The first face is chosen at the start.
GridView {
    id: grid

    readonly property var descriptor: currentIndex >= 0 ? application.targetManager.targets.get(currentIndex) : null

    cellWidth: 190
    cellHeight: 220
    clip: true
    model: application.targetManager.targets
    currentIndex: 0
    boundsBehavior: Flickable.StopAtBounds
    ScrollBar.vertical: ScrollBar { }

    delegate: Rectangle {
        objectName: "targetCell" + index
        width: grid.cellWidth - 10
        height: grid.cellHeight - 10
        radius: 6
        color: GridView.isCurrentItem ? "#D6DCE4" : "white"
        border.color: GridView.isCurrentItem ? "#7F7F80" : "#c4c4d3"

        Target {
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.top: parent.top
            anchors.bottom: nameText.top
            anchors.margins: 8
            descriptor: model.qtObject
        }
        Label {
            id: nameText
            anchors.bottom: parent.bottom
            anchors.bottomMargin: 8
            anchors.horizontalCenter: parent.horizontalCenter
            //: %1: the target face's name
            text: qsTr("Мишень %1").arg(model.name)
            font.bold: true
        }
        MouseArea {
            anchors.fill: parent
            onClicked: grid.currentIndex = index
        }
    }
}
