import QtQuick
import QtQuick.Controls

// A short notice that appears at once and fades out over three seconds.
Label {
    id: message

    function show(value, textColor) {
        fade.stop()
        text = value
        color = textColor === undefined ? "red" : textColor
        opacity = 1.0
        fade.start()
    }

    opacity: 0.0
    wrapMode: Text.WordWrap

    NumberAnimation {
        id: fade
        target: message
        property: "opacity"
        from: 1.0
        to: 0.0
        duration: 3000
        easing.type: Easing.InQuad
    }
}
