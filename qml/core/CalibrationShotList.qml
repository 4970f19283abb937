import QtQuick
import QtQuick.Controls
import Kavro 1.0

// The trial shots of an exercise with their scores. Every new shot is marked;
// a click marks or unmarks it. The means of the marked shots (NaN when none
// is marked) are what a correction moves the lane's centre to.
Rectangle {
    id: list

    // Fitness-norm scores count whole points only.
    property bool fitnessNorm: false
    property int markedCount: 0
    // Mean aiming point (target mm) and mean sensor position of the marked shots.
    property point meanPoint: Qt.point(NaN, NaN)
    property point meanHwPoint: Qt.point(NaN, NaN)
    readonly property alias shots: shots

    signal shooted(real result)
    signal selAdded(int num, bool hl)
    signal selChanged(int num, bool hl)

    function addShot(point, hwPoint, angle, result) {
        shots.append({ x: point.x, y: point.y, hx: hwPoint.x, hy: hwPoint.y, angle: angle,
                       result: result, marked: true })
        updateMeans()
        view.positionViewAtEnd()
        shooted(result)
        selAdded(shots.count - 1, true)
    }

    function setMarked(num, marked) {
        if (num < 0 || num >= shots.count || shots.get(num).marked === marked)
            return
        shots.setProperty(num, "marked", marked)
        updateMeans()
        selChanged(num, marked)
    }

    function updateMeans() {
        var n = 0
        var sum = { x: 0, y: 0, hx: 0, hy: 0 }
        for (var i = 0; i < shots.count; ++i) {
            var shot = shots.get(i)
            if (!shot.marked)
                continue
            ++n
            sum.x += shot.x
            sum.y += shot.y
            sum.hx += shot.hx
            sum.hy += shot.hy
        }
        markedCount = n
        meanPoint = Qt.point(sum.x / n, sum.y / n)
        meanHwPoint = Qt.point(sum.hx / n, sum.hy / n)
    }

    function resultText(result) {
        if (isNaN(result))
            return "-"
        return fitnessNorm ? Math.floor(result).toString() : result.toFixed(1)
    }

    implicitHeight: view.contentHeight + 2
    color: "white"
    border.color: "#c4c4d3"

    ListModel { id: shots }

    ListView {
        id: view
        objectName: "trialShotList"
        anchors.fill: parent
        anchors.margins: 1
        clip: true
        model: shots
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
                text: "Пробные Выстрелы"
            }
        }

        delegate: Rectangle {
            required property int index
            required property bool marked
            required property real result

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
                onClicked: list.setMarked(parent.index, !parent.marked)
            }
        }
    }
}
