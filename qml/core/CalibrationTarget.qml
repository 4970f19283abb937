import QtQuick
import Kavro 1.0

// The calibration target in sensor units: the round target, the live aiming
// point, the calibration shots and their mean as a yellow cross.
Item {
    id: view

    property RangeData range
    property real targetDiameter: 137
    property point meanPoint: Qt.point(NaN, NaN)
    // The mean lies on the target: the target turns green.
    property bool complete: false
    property var shots
    readonly property real side: Math.min(width, height)
    // Pixels per sensor unit: the target takes half of the field.
    readonly property real unit: side / (2 * targetDiameter)

    Rectangle {
        id: field
        anchors.centerIn: parent
        width: view.side
        height: view.side
        color: "white"
        border.color: "#c4c4d3"
        clip: true

        Rectangle {
            objectName: "calibrationCircle"
            anchors.centerIn: parent
            width: view.targetDiameter * view.unit
            height: width
            radius: width / 2
            color: view.complete ? "#2E9E4F" : "#3A4A5C"
        }

        Rectangle { anchors.centerIn: parent; width: parent.width; height: 1; color: "#80FFFFFF" }
        Rectangle { anchors.centerIn: parent; width: 1; height: parent.height; color: "#80FFFFFF" }

        Repeater {
            model: view.shots
            delegate: Rectangle {
                x: field.width / 2 + modelData.x * view.unit - width / 2
                y: field.height / 2 + modelData.y * view.unit - height / 2
                width: 10
                height: 10
                radius: 5
                color: "#C0392B"
                border.color: "white"
            }
        }

        Item {
            objectName: "meanCross"
            x: field.width / 2 + view.meanPoint.x * view.unit
            y: field.height / 2 + view.meanPoint.y * view.unit
            visible: !isNaN(view.meanPoint.x) && !isNaN(view.meanPoint.y)

            Rectangle { x: -9; y: -1.5; width: 18; height: 3; color: "yellow"; border.color: "#806000"; border.width: 0.5 }
            Rectangle { x: -1.5; y: -9; width: 3; height: 18; color: "yellow"; border.color: "#806000"; border.width: 0.5 }
        }

        Rectangle {
            objectName: "aimingPoint"
            x: field.width / 2 + view.range.aimingPoint.x * view.unit - width / 2
            y: field.height / 2 + view.range.aimingPoint.y * view.unit - height / 2
            width: 14
            height: 14
            radius: 7
            visible: view.range.targetVisible
            color: "transparent"
            border.color: "#FF3030"
            border.width: 3
        }
    }
}
