import QtQuick
import QtQuick.Controls

// A rounded button showing a text or an icon; it grows a little while pressed.
AbstractButton {
    id: button

    property url iconSource
    // With an icon loaded the button draws nothing but the icon.
    readonly property bool hasIcon: iconImage.status === Image.Ready
    property color textColor: hasIcon ? "transparent" : (enabled ? "#606060" : "#BFBFC0")
    property color hoverTextColor: hasIcon ? "transparent" : "#404040"
    property color backgroundColor: hasIcon ? "transparent" : "#F8F8F8"
    property color hoverBackgroundColor: hasIcon ? "transparent" : "#BFBFC0"
    property color borderColor: hasIcon ? "transparent" : "#BFBFC0"
    property color hoverBorderColor: hasIcon ? "transparent" : "#7F7F80"

    implicitWidth: Math.max(20, (hasIcon ? iconImage.implicitWidth : label.implicitWidth) + 9)
    implicitHeight: Math.max(20, (hasIcon ? iconImage.implicitHeight : label.implicitHeight) + 9)
    padding: 0
    hoverEnabled: true
    font.pixelSize: 14
    scale: pressed ? 1.1 : 1.0

    Behavior on scale {
        NumberAnimation { duration: 150 }
    }

    contentItem: Item {
        Text {
            id: label
            anchors.centerIn: parent
            visible: !button.hasIcon
            text: button.text
            font: button.font
            color: button.hovered ? button.hoverTextColor : button.textColor
            leftPadding: 6
            rightPadding: 6
        }

        Image {
            id: iconImage
            anchors.centerIn: parent
            source: button.iconSource
            width: Math.min(implicitWidth, button.width)
            height: Math.min(implicitHeight, button.height)
            fillMode: Image.PreserveAspectFit
        }
    }

    background: Rectangle {
        radius: height / 2
        color: button.hovered ? button.hoverBackgroundColor : button.backgroundColor
        border.color: button.hovered ? button.hoverBorderColor : button.borderColor
    }
}
