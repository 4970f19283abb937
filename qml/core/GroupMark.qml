import QtQuick
import Kavro 1.0

// The mean point of impact of a group as a cross, with the circle of the
// group's mean radius around it, placed in the target's pixels so that the
// lines stay thin at any zoom while the circle scales like the shots.
Item {
    id: mark

    property Target target
    property point center
    property real radius: 0 // mm
    property color color: "#00A8E8"

    readonly property real pixelRadius: target && radius > 0 ? radius * target.targetScaleX : 0

    x: target ? (center.x + target.targetTx) * target.targetScaleX : 0
    y: target ? (center.y + target.targetTy) * target.targetScaleY : 0

    Rectangle {
        objectName: "meanRadiusCircle"
        x: -mark.pixelRadius
        y: -mark.pixelRadius
        width: 2 * mark.pixelRadius
        height: width
        radius: mark.pixelRadius
        visible: mark.pixelRadius > 0
        color: "transparent"
        border.color: mark.color
        border.width: 2
        antialiasing: true
    }

    // Outlined, so that the cross shows on the black and on the white rings.
    Rectangle { x: -11; y: -1.5; width: 22; height: 3; color: mark.color; border.color: "#003850"; border.width: 0.5 }
    Rectangle { x: -1.5; y: -11; width: 3; height: 22; color: mark.color; border.color: "#003850"; border.width: 0.5 }
}
