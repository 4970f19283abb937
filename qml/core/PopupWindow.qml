import QtQuick
import QtQuick.Controls

// A small window that pops up next to an item and hides on the next press
// anywhere in the program or when the program loses the focus.
Popup {
    id: popup

    parent: Overlay.overlay
    width: 300
    height: 300
    closePolicy: Popup.CloseOnPressOutside | Popup.CloseOnEscape

    // Places the window at the item's position in the window plus the offsets.
    function show(item, offsetX, offsetY) {
        var position = item.parent ? item.parent.mapToItem(null, item.x, item.y)
                                   : Qt.point(item.x, item.y)
        x = position.x + offsetX
        y = position.y + offsetY
        open()
    }

    function hide() {
        close()
    }

    enter: Transition {
        NumberAnimation { property: "opacity"; from: 0.0; to: 1.0; duration: 200 }
    }

    Connections {
        target: Qt.application
        function onStateChanged() {
            if (Qt.application.state !== Qt.ApplicationActive)
                popup.hide()
        }
    }
}
