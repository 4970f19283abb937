import QtQuick
import QtQuick.Controls
import Kavro 1.0

// A target face that can be zoomed and moved: the wheel and the keys "=" and
// "-" zoom, a left drag moves the face with the mouse, the right button shows
// the whole face again, Ctrl + arrows move it by 5 pixels. Scroll bars show
// which part of the face is in view.
Target {
    id: target

    readonly property real zoomFactor: 1.2
    readonly property real minimumZoom: 1 / 15
    readonly property real maximumZoom: 15
    // Where the running zoom animation ends; further steps start from there.
    property real requestedZoom: 1

    function zoomTo(value) {
        requestedZoom = Math.max(minimumZoom, Math.min(maximumZoom, value))
        zoomAnimation.stop()
        zoomAnimation.to = requestedZoom
        zoomAnimation.start()
    }

    function zoomIn() {
        zoomTo(requestedZoom * zoomFactor)
    }

    function zoomOut() {
        zoomTo(requestedZoom / zoomFactor)
    }

    function zoomToFit() {
        zoomTo(1)
        center = Qt.point(0, 0)
    }

    clip: true
    activeFocusOnTab: true

    Keys.onPressed: function (event) {
        if (event.key === Qt.Key_Equal || event.key === Qt.Key_Plus) {
            zoomIn()
        } else if (event.key === Qt.Key_Minus) {
            zoomOut()
        } else if (event.modifiers & Qt.ControlModifier) {
            switch (event.key) {
            case Qt.Key_Left: pan(-5, 0); break
            case Qt.Key_Right: pan(5, 0); break
            case Qt.Key_Up: pan(0, -5); break
            case Qt.Key_Down: pan(0, 5); break
            default: return
            }
        } else {
            return
        }
        event.accepted = true
    }

    NumberAnimation {
        id: zoomAnimation
        target: target
        property: "zoom"
        duration: 200
        easing.type: Easing.OutQuart
    }

    MouseArea {
        id: mouseArea
        // The pointer position the face was last moved to.
        property point last

        anchors.fill: parent
        acceptedButtons: Qt.LeftButton | Qt.RightButton
        onPressed: function (mouse) {
            target.forceActiveFocus()
            last = Qt.point(mouse.x, mouse.y)
            if (mouse.button === Qt.RightButton)
                target.zoomToFit()
        }
        onPositionChanged: function (mouse) {
            if (!(mouse.buttons & Qt.LeftButton))
                return
            // Whole pixels only; the rest waits for the next move.
            var dx = Math.round(last.x - mouse.x)
            var dy = Math.round(last.y - mouse.y)
            if (dx === 0 && dy === 0)
                return
            target.pan(dx, dy)
            last = Qt.point(last.x - dx, last.y - dy)
        }
        onWheel: function (wheel) {
            if (wheel.angleDelta.y > 0)
                target.zoomIn()
            else if (wheel.angleDelta.y < 0)
                target.zoomOut()
        }
    }

    ScrollBar {
        z: 2
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        orientation: Qt.Horizontal
        interactive: false
        policy: ScrollBar.AlwaysOn
        visible: size < 1
        position: target.xPosition
        size: target.widthRatio
    }

    ScrollBar {
        z: 2
        anchors.top: parent.top
        anchors.bottom: parent.bottom
        anchors.right: parent.right
        orientation: Qt.Vertical
        interactive: false
        policy: ScrollBar.AlwaysOn
        visible: size < 1
        position: target.yPosition
        size: target.heightRatio
    }
}
