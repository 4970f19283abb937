import QtQuick

// The cant indicator: a needle over a dial, turned by the weapon's cant.
Item {
    id: cant

    // Radians; no reading leaves the needle upright.
    property real angle: 0

    implicitWidth: dial.implicitWidth
    implicitHeight: dial.implicitHeight

    Image {
        id: dial
        source: "qrc:/images/cant_background.png"
    }

    Image {
        objectName: "needle"
        x: 16
        y: 26
        source: "qrc:/images/cant.png"
        transform: Rotation {
            origin.x: 77.5
            origin.y: 68
            angle: isNaN(cant.angle) ? 0 : cant.angle * 180 / 3.1415
        }
    }
}
