import QtQuick
import QtQuick.Controls
import Kavro 1.0

// Replay of a trace selection: play or stop, a cursor slider, the start, end
// and cursor times and the replay speed. The bar shows while it replays or
// while the pointer is over it, and fades out otherwise.
Rectangle {
    id: bar

    property TraceSelection selection
    // Samples per second of the selection's recording.
    property int sampleRate: 100
    readonly property bool hasSelection: selection !== null && selection.selection !== null
    readonly property bool replaying: replay.running
    property alias speed: speedSlider.value

    // Replays the selection from one cursor position to another, taking
    // 10 * sampleRate / speed ms per sample: real time for a recording of 100
    // samples per second at 100 %.
    function play(from, to) {
        replay.stop()
        if (!hasSelection || to <= from || sampleRate <= 0)
            return
        replay.from = from
        replay.to = to
        replay.duration = (to - from) * 10 * sampleRate / speed
        replay.start()
    }

    function start() {
        var from = selection.position >= selection.endPosition ? selection.startPosition : selection.position
        play(from, selection.endPosition)
    }

    function stop() {
        replay.stop()
        if (hasSelection)
            selection.position = selection.endPosition
    }

    function timeText(index) {
        if (!hasSelection || sampleRate <= 0)
            return "-"
        //: A time on the replayed trace in milliseconds
        return qsTr("%1 ms").arg(String(Math.round(index * 1000 / sampleRate)))
    }

    implicitHeight: content.implicitHeight + 12
    radius: 6
    color: "white"
    border.color: "#c4c4d3"
    opacity: replaying || positionSlider.pressed || speedSlider.pressed || hover.hovered ? 0.65 : 0.0

    Behavior on opacity {
        NumberAnimation { duration: 400 }
    }

    HoverHandler { id: hover }

    NumberAnimation {
        id: replay
        target: bar.selection
        property: "position"
    }

    // A new speed takes effect from where the replay is.
    onSpeedChanged: if (replaying) play(selection.position, replay.to)
    onSelectionChanged: replay.stop()

    Column {
        id: content
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.margins: 6
        spacing: 2

        Item {
            width: parent.width
            height: playButton.implicitHeight

            MyButton {
                id: playButton
                objectName: "playButton"
                anchors.left: parent.left
                enabled: bar.hasSelection
                iconSource: bar.replaying ? "qrc:/images/pause.png" : "qrc:/images/play.png"
                onClicked: bar.replaying ? bar.stop() : bar.start()
            }
            Slider {
                id: positionSlider
                objectName: "positionSlider"
                anchors.left: playButton.right
                anchors.leftMargin: 6
                anchors.right: parent.right
                anchors.verticalCenter: parent.verticalCenter
                enabled: bar.hasSelection
                from: bar.hasSelection ? bar.selection.startPosition : 0
                to: bar.hasSelection ? Math.max(bar.selection.endPosition, from + 1) : 1
                stepSize: 1
                value: bar.hasSelection ? bar.selection.position : 0
                onMoved: {
                    replay.stop()
                    bar.selection.position = Math.round(value)
                }
            }
        }

        Item {
            width: parent.width
            height: positionText.implicitHeight

            Label {
                objectName: "startText"
                anchors.left: parent.left
                text: bar.timeText(bar.hasSelection ? bar.selection.startPosition : 0)
            }
            Label {
                id: positionText
                objectName: "positionText"
                anchors.horizontalCenter: parent.horizontalCenter
                font.bold: true
                text: bar.timeText(bar.hasSelection ? bar.selection.position : 0)
            }
            Label {
                objectName: "endText"
                anchors.right: parent.right
                text: bar.timeText(bar.hasSelection ? bar.selection.endPosition : 0)
            }
        }

        Item {
            width: parent.width
            height: Math.max(speedText.implicitHeight, speedSlider.implicitHeight)

            Label {
                id: speedText
                objectName: "speedText"
                anchors.left: parent.left
                anchors.verticalCenter: parent.verticalCenter
                //: The replay speed in percent of real time
                text: qsTr("speed %1%").arg(String(speedSlider.value))
            }
            Slider {
                id: speedSlider
                objectName: "speedSlider"
                anchors.left: speedText.right
                anchors.leftMargin: 6
                anchors.right: parent.right
                anchors.verticalCenter: parent.verticalCenter
                from: 5
                to: 200
                stepSize: 5
                snapMode: Slider.SnapAlways
                value: 100
            }
        }
    }
}
