import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Kavro 1.0

// A stored session on its target face: the shot marks, the aiming trace
// around the shot picked in the shot list, a replay of that trace, zoom
// buttons, the list of shots and the analysis of the session, whose mean
// point of impact and mean radius are drawn on the face.
RowLayout {
    id: viewer

    property var session: null
    readonly property var selectedShot: shotList.selectedShot
    readonly property var selectedTrace: selectedShot ? selectedShot.trace : null
    readonly property real caliber: session ? session.caliber : 4.5
    property alias target: targetView
    property alias shotList: shotList
    property alias replayBar: replayBar
    property alias selection: shotSelection
    property alias analysis: sessionAnalysis

    spacing: 10

    function selectFirstShot() {
        if (session && session.shots.length > 0)
            shotList.select(session.shots[0])
    }

    // A new session starts with its first shot picked, once the shot list
    // has taken the session.
    onSessionChanged: Qt.callLater(selectFirstShot)

    SessionAnalysisView {
        id: sessionAnalysis
        session: viewer.session
        shot: viewer.selectedShot
    }

    TraceSelection {
        id: shotSelection
        selection: viewer.selectedShot
        showTrace: false
    }

    Item {
        id: targetArea
        Layout.fillWidth: true
        Layout.fillHeight: true

        ZoomableTarget {
            id: targetView
            objectName: "target"
            anchors.fill: parent
            visible: viewer.session !== null
            descriptor: viewer.session ? viewer.session.targetDescriptor : null

            TracePieces {
                anchors.fill: parent
                selection: shotSelection
                target: targetView
            }

            TargetLayer {
                target: targetView

                // The shots of the other recordings stay in view.
                Repeater {
                    objectName: "shotMarks"
                    model: viewer.session ? viewer.session.shots : []
                    delegate: Breach {
                        visible: modelData.trace !== viewer.selectedTrace
                        center: modelData.breach
                        caliber: viewer.caliber
                        mittext: true
                        myin: modelData.indexInSession + 1
                    }
                }

                // The shots of the picked recording follow the replay cursor.
                Repeater {
                    objectName: "replayMarks"
                    model: shotSelection.shots
                    delegate: ReplayShotMark {
                        center: modelData.breach
                        caliber: viewer.caliber
                        selected: modelData.selected
                        shown: modelData.visible
                        replaying: replayBar.replaying
                        mittext: true
                        myin: modelData.shot ? modelData.shot.indexInSession + 1 : ""
                    }
                }

                ReplaySprite {
                    visible: replayBar.replaying
                    center: shotSelection.aimingPoint
                    caliber: viewer.caliber
                }
            }

            GroupMark {
                objectName: "groupMark"
                target: targetView
                visible: sessionAnalysis.n > 0
                center: Qt.point(sessionAnalysis.mpiX, sessionAnalysis.mpiY)
                radius: sessionAnalysis.meanRadius
            }
        }

        Row {
            anchors.right: parent.right
            anchors.top: parent.top
            anchors.margins: 6
            spacing: 4
            visible: targetView.visible

            MyButton { objectName: "zoomInButton"; text: "+"; onClicked: targetView.zoomIn() }
            MyButton { objectName: "zoomOutButton"; text: "−"; onClicked: targetView.zoomOut() }
            MyButton { objectName: "zoomFitButton"; text: "1:1"; onClicked: targetView.zoomToFit() }
        }

        ReplayBar {
            id: replayBar
            objectName: "replayBar"
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            anchors.margins: 8
            visible: targetView.visible
            selection: shotSelection
            sampleRate: viewer.session ? viewer.session.sampleRate : 0
        }
    }

    ColumnLayout {
        // Not widened by the list's fill inside.
        Layout.fillWidth: false
        Layout.preferredWidth: 230
        Layout.fillHeight: true
        visible: viewer.session !== null
        spacing: 8

        ShotList {
            id: shotList
            objectName: "shotList"
            Layout.fillWidth: true
            Layout.fillHeight: true
            Layout.minimumHeight: 60
            session: viewer.session
        }

        AnalysisPanel {
            objectName: "analysisPanel"
            Layout.fillWidth: true
            analysis: sessionAnalysis
        }
    }
}
