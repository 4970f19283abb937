import QtQuick
import QtQuick.Controls
import Kavro 1.0

// One lane on the shooting page: the screen for the lane's state, the warnings
// over it and the button that lets the lane fill the page.
Pane {
    id: laneItem

    property RangeData range
    property bool maximized: false
    // Off while the page goes away: no screen is made for a state set then.
    property bool live: true
    // The state whose screen is shown; it follows the lane's state once the
    // actions of entering that state have run.
    property int shownState: -1
    readonly property bool severalLanes: application.maxRanges > 1
    //: Put before the titles of a lane's screens when there are several lanes: %1 the lane's number
    readonly property string titlePrefix: severalLanes && range ? qsTr("Щит №%1. ").arg(range.index + 1) : ""
    readonly property bool notConnected: range !== null && !range.ready
    readonly property bool modeUndefined: application.shootingMode === RangeData.UndefinedMode
    property alias screen: screenLoader.item

    signal maximizeClicked()

    padding: 0
    font.pixelSize: 14
    clip: true
    background: Rectangle { color: "#F7F7F9" }

    function resetState() {
        range.state = RangeData.SettingsState
    }

    function enterState() {
        if (!range)
            return
        range.exercise.enterState()
        shownState = range.state
    }

    // What the exercise stores with its session comes from the program's settings.
    Binding { target: laneItem.range ? laneItem.range.exercise : null; property: "globalMode"; value: application.shootingMode }
    Binding { target: laneItem.range ? laneItem.range.exercise : null; property: "competitionName"; value: application.competitionName }

    Component.onCompleted: enterState()

    Connections {
        target: laneItem.range
        enabled: laneItem.live
        function onStateChanged() { laneItem.enterState() }
    }

    Loader {
        id: screenLoader
        anchors.fill: parent
        anchors.margins: 10
        sourceComponent: {
            switch (laneItem.shownState) {
            case RangeData.SettingsState: return settingsScreen
            case RangeData.SelectShooterState: return selectShooterScreen
            case RangeData.AddShooterState: return addShooterScreen
            case RangeData.CalibrationState: return calibrationScreen
            case RangeData.ShootingState: return shootingScreen
            }
            return null
        }
    }

    Component {
        id: settingsScreen
        RangeItemSettings { range: laneItem.range; titlePrefix: laneItem.titlePrefix }
    }
    Component {
        id: selectShooterScreen
        RangeItemSelectShooter { range: laneItem.range; titlePrefix: laneItem.titlePrefix }
    }
    Component {
        id: addShooterScreen
        RangeItemAddShooter { range: laneItem.range; titlePrefix: laneItem.titlePrefix }
    }
    Component {
        id: calibrationScreen
        RangeItemCalibration { range: laneItem.range; titlePrefix: laneItem.titlePrefix }
    }
    Component {
        id: shootingScreen
        RangeItemShooting { range: laneItem.range; titlePrefix: laneItem.titlePrefix }
    }

    Rectangle {
        objectName: "warningBox"
        anchors.centerIn: parent
        // As wide as the longest line unwrapped, as long as the lane is wide enough.
        width: Math.min(parent.width - 20, Math.max(laneItem.notConnected ? notConnectedMetrics.advanceWidth : 0,
                                                    laneItem.notConnected ? serialNumberMetrics.advanceWidth : 0,
                                                    laneItem.modeUndefined ? undefinedModeMetrics.advanceWidth : 0) + 40)
        height: warnings.implicitHeight + 24
        visible: laneItem.notConnected || laneItem.modeUndefined
        radius: 8
        color: "#E6FFFFFF"
        border.color: "#E0B0B0"

        TextMetrics { id: notConnectedMetrics; font: notConnectedText.font; text: notConnectedText.text }
        TextMetrics { id: serialNumberMetrics; font: serialNumberText.font; text: serialNumberText.text }
        TextMetrics { id: undefinedModeMetrics; font: undefinedModeText.font; text: undefinedModeText.text }

        Column {
            id: warnings
            anchors.centerIn: parent
            width: parent.width - 16
            spacing: 8

            Label {
                id: notConnectedText
                objectName: "notConnectedText"
                width: parent.width
                visible: laneItem.notConnected
                text: laneItem.titlePrefix + (laneItem.range && laneItem.range.deviceSerialNumber.length > 0
                                              //: The lane's sensor is bound but not plugged in
                                              ? qsTr("Устройство не подключено")
                                              //: No sensor is bound to the lane yet
                                              : qsTr("Настройте оборудование"))
                color: "red"
                font.pointSize: 16
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
            }

            Label {
                id: serialNumberText
                objectName: "serialNumberText"
                width: parent.width
                visible: laneItem.notConnected && text.length > 0
                text: laneItem.range ? laneItem.range.deviceSerialNumber : ""
                color: "red"
                font.pointSize: 16
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
            }

            Label {
                id: undefinedModeText
                objectName: "undefinedModeText"
                width: parent.width
                visible: laneItem.modeUndefined
                text: qsTr("Выберите Режим стрельбы в настройках!")
                color: "red"
                font.pointSize: 16
                horizontalAlignment: Text.AlignHCenter
                wrapMode: Text.Wrap
            }
        }
    }

    MyButton {
        objectName: "maximizeButton"
        anchors.top: parent.top
        anchors.right: parent.right
        anchors.margins: 8
        visible: laneItem.severalLanes
        text: "[ ]"
        onClicked: laneItem.maximizeClicked()
    }
}
