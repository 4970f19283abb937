import QtQuick

// A shot mark of the caliber's size centred on the shot, in target units,
// optionally labelled.
Item {
    id: breach

    property point center
    property real caliber: 4.5
    property bool selected: false
    property bool isResult: false
    property bool mittext: false
    property string myin

    x: center.x - caliber / 2
    y: center.y - caliber / 2
    width: caliber
    height: caliber

    Image {
        anchors.fill: parent
        source: breach.selected ? "qrc:/images/replay_sprite.png"
                                : breach.isResult ? "qrc:/images/breach_unselected.png"
                                                  : "qrc:/images/breach_selected.png"
        smooth: true
        mipmap: true
    }

    // Drawn large and scaled down, so that the text stays sharp at any zoom.
    Text {
        anchors.centerIn: parent
        visible: breach.mittext
        text: breach.myin
        color: "white"
        font.pixelSize: 100
        scale: breach.caliber / 2 / 100
    }
}
