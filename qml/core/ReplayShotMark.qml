import QtQuick

// A shot mark of a replayed recording: it shows while the replay cursor is
// past its shot; during a replay it drops in from a hundredfold size, fades
// in and, when the setting asks for it, sounds the shot.
Breach {
    id: mark

    property bool shown: true
    property bool replaying: false

    opacity: 0.0

    function appear() {
        if (application.intValue("sound/shotReplay", 1) === 1)
            application.playSound("qrc:/sounds/shot.wav")
        appearance.restart()
    }

    onShownChanged: {
        appearance.stop()
        scale = 1.0
        if (shown && replaying)
            appear()
        else
            opacity = shown ? 1.0 : 0.0
    }
    Component.onCompleted: opacity = shown ? 1.0 : 0.0

    ParallelAnimation {
        id: appearance
        NumberAnimation { target: mark; property: "scale"; from: 100; to: 1; duration: 500 }
        NumberAnimation { target: mark; property: "opacity"; from: 0; to: 1; duration: 500 }
    }
}
