import QtQuick
import QtQuick.Controls

// A square tool-bar button with an icon and a tooltip.
ToolButton {
    id: button

    property url iconSource
    property string toolTip

    width: 52
    height: 52
    icon.source: iconSource
    icon.width: 40
    icon.height: 40
    icon.color: "transparent"
    display: AbstractButton.IconOnly
    hoverEnabled: true
    ToolTip.text: toolTip
    ToolTip.visible: hovered && toolTip.length > 0
    ToolTip.delay: 500

    background: Rectangle {
        radius: 6
        color: button.checked ? "#D6DCE4" : (button.hovered ? "#E4E8EE" : "transparent")
        border.color: button.checked ? "#9AA8B8" : "transparent"
    }
}
