import QtQuick

// The replay mark: where the aim was at the replay cursor, of the caliber's
// size and centred on `center`, in target units.
Image {
    property point center
    property real caliber: 4.5

    x: center.x - caliber / 2
    y: center.y - caliber / 2
    width: caliber
    height: caliber
    source: "qrc:/images/replay_sprite.png"
    smooth: true
    mipmap: true
}
