import QtQuick
import QtQuick.Controls
import Kavro 1.0

// The shooting screen of a lane: what is shot, at what and by whom.
Item {
    id: screen

    property RangeData range
    property string titlePrefix
    readonly property var session: range ? range.session : null
    readonly property string targetName: session && session.targetDescriptor ? session.targetDescriptor.name : ""
    readonly property string distanceText: !session ? ""
                                           : session.isGto ? "Стрельба ГТО"
                                           : session.distance > 0 ? session.distance + " м" : ""

    Column {
        anchors.left: parent.left
        anchors.right: parent.right
        spacing: 6

        LaneTitle {
            width: parent.width
            text: screen.titlePrefix + [screen.targetName, screen.distanceText, screen.session ? screen.session.name : ""]
                  .filter(function (part) { return part.length > 0 }).join(". ")
        }

        Label {
            objectName: "finishedText"
            visible: screen.range && screen.range.phase === RangeData.NoPhase
            text: "Стрельба Окончена"
            color: "red"
            font.pointSize: 16
        }
    }
}
