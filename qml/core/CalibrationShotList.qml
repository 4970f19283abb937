import QtQuick
import QtQuick.Controls
import Kavro 1.0

// The trial shots of an exercise with their scores. Every new shot is marked;
// a click marks or unmarks it. The exercise takes the means of the marked
// shots for its corrections.
Rectangle {
    id: list

    property var exercise: null
    // Fitness-norm scores count whole points only.
    property bool fitnessNorm: false
    readonly property var shots: exercise ? exercise.trialShots : []
    readonly property int markedCount: exercise ? exercise.markedTrialShots : 0
    readonly property point meanPoint: exercise ? exercise.trialMean : Qt.point(NaN, NaN)

    function resultText(result) {
        if (isNaN(result))
            return "-"
        return fitnessNorm ? Math.floor(result).toString() : result.toFixed(1)
    }

    implicitHeight: view.contentHeight + 2
    color: "white"
    border.color: "#c4c4d3"

    ListView {
        id: view
        objectName: "trialShotList"
        anchors.fill: parent
        anchors.margins: 1
        clip: true
        model: list.shots
        onCountChanged: positionViewAtEnd()
        boundsBehavior: Flickable.StopAtBounds
        ScrollBar.vertical: ScrollBar { }

        header: Rectangle {
            width: ListView.view.width
            height: titleText.implicitHeight + 6
            color: "#EEF1F5"

            Label {
                id: titleText
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.leftMargin: 8
                anchors.rightMargin: 4
                anchors.verticalCenter: parent.verticalCenter
                font.bold: true
                // Narrow lanes get a smaller title rather than a cut one.
                fontSizeMode: Text.HorizontalFit
                minimumPixelSize: 9
                elide: Text.ElideRight
                //: Heading of the list of trial (sighting) shots
                text: qsTr("Пробные Выстрелы")
            }
        }

        delegate: Rectangle {
            required property int index
            required property var modelData
            readonly property bool marked: modelData.marked
            readonly property real result: modelData.result

            width: ListView.view.width
            height: numberText.implicitHeight + 6
            color: "white"

            // The mark: a filled square for a marked shot, an empty one otherwise.
            Rectangle {
                id: markBox
                anchors.left: parent.left
                anchors.leftMargin: 8
                anchors.verticalCenter: parent.verticalCenter
                width: 12
                height: 12
                radius: 2
                color: parent.marked ? "magenta" : "white"
                border.color: "#7F7F80"
            }

            Label {
                id: numberText
                anchors.left: markBox.right
                anchors.leftMargin: 8
                anchors.verticalCenter: parent.verticalCenter
                text: (parent.index + 1) + "."
                color: parent.marked ? "black" : "#8A8A8A"
            }

            Label {
                anchors.right: parent.right
                anchors.rightMargin: 8
                anchors.verticalCenter: parent.verticalCenter
                text: list.resultText(parent.result)
                color: parent.marked ? "black" : "#8A8A8A"
            }

            MouseArea {
                anchors.fill: parent
                onClicked: list.exercise.setTrialShotMarked(parent.index, !parent.marked)
            }
        }
    }
}
