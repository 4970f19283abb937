import QtQuick

// A plain round shot mark of the caliber's size centred on the shot.
Rectangle {
    id: breach

    property point center
    property real caliber: 4.5
    property bool selected: false

    x: center.x - caliber / 2
    y: center.y - caliber / 2
    width: caliber
    height: caliber
    radius: caliber / 2
    color: selected ? "magenta" : "white"
}
