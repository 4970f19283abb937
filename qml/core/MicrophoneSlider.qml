import QtQuick
import QtQuick.Controls
import Kavro 1.0

// The lane's shot-sound threshold, 1 (most sensitive) to 512, over a bar
// showing the loudest sound of the last second.
Column {
    id: microphone

    property RangeData range
    readonly property int maximum: 512

    spacing: 0

    Slider {
        id: slider
        objectName: "microphoneSlider"
        width: parent.width
        from: 1
        to: microphone.maximum
        stepSize: 1
        value: microphone.range.microphoneThreshold
        onMoved: microphone.range.microphoneThreshold = Math.round(value)

        background: Rectangle {
            x: slider.leftPadding
            y: slider.topPadding + slider.availableHeight / 2 - height / 2
            width: slider.availableWidth
            height: 10
            radius: 3
            color: "#E0E0E4"
            border.color: "#BFBFC0"

            Rectangle {
                objectName: "microphoneLevel"
                width: parent.width * Math.min(1, microphone.range.microphoneSlow / microphone.maximum)
                height: parent.height
                radius: 3
                color: microphone.range.microphoneSlow >= microphone.range.microphoneThreshold ? "#E08030" : "#7FB07F"
            }
        }
    }

    Item {
        width: parent.width
        height: high.implicitHeight

        Label {
            id: high
            anchors.left: parent.left
            //: The most sensitive end of the microphone slider
            text: qsTr("Высокая")
            font.pixelSize: 12
        }
        Label {
            anchors.right: parent.right
            //: The least sensitive end of the microphone slider
            text: qsTr("Грубая")
            font.pixelSize: 12
        }
    }
}
