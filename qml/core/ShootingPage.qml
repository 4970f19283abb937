import QtQuick
import QtQuick.Controls
import Kavro 1.0

// The lanes in a grid by their number; one lane at a time can fill the page.
Item {
    id: page

    readonly property int laneCount: application.maxRanges
    readonly property int columns: [1, 2, 3, 2, 3, 3][Math.max(0, Math.min(laneCount, 6) - 1)]
    readonly property int rows: [1, 1, 1, 2, 2, 2][Math.max(0, Math.min(laneCount, 6) - 1)]
    readonly property real spacing: 10
    readonly property real cellWidth: (width - (columns - 1) * spacing) / columns
    readonly property real cellHeight: (height - (rows - 1) * spacing) / rows
    // The lane that fills the page, -1 for none.
    property int maximizedIndex: -1
    // Moves animate only once a lane has been toggled, not while the page is laid out.
    property bool animated: false
    // Set while the page is destroyed.
    property bool leaving: false
    property alias lanes: lanes

    objectName: "shootingPage"

    function toggleMaximized(index) {
        if (index < 0 || index >= laneCount)
            return
        animated = true
        maximizedIndex = maximizedIndex === index ? -1 : index
    }

    function resetLanes() {
        var ranges = application.ranges
        for (var i = 0; i < ranges.length; ++i)
            ranges[i].exercise.interrupt()
    }

    onVisibleChanged: resetLanes()
    Component.onCompleted: resetLanes()
    Component.onDestruction: {
        leaving = true
        resetLanes()
    }

    Connections {
        target: application
        function onRangesChanged() {
            page.animated = false
            page.maximizedIndex = -1
        }
    }

    Repeater {
        model: page.columns - 1
        delegate: Image {
            x: (index + 1) * (page.cellWidth + page.spacing) - (page.spacing + width) / 2
            width: 4
            height: page.height
            source: "qrc:/images/vertical_border.png"
            fillMode: Image.Stretch
            opacity: page.maximizedIndex < 0 ? 1.0 : 0.0
        }
    }

    Repeater {
        model: page.rows - 1
        delegate: Image {
            y: (index + 1) * (page.cellHeight + page.spacing) - (page.spacing + height) / 2
            width: page.width
            height: 4
            source: "qrc:/images/horizontal_border.png"
            fillMode: Image.Stretch
            opacity: page.maximizedIndex < 0 ? 1.0 : 0.0
        }
    }

    Repeater {
        id: lanes
        model: application.ranges
        delegate: RangeItem {
            readonly property bool isMaximized: page.maximizedIndex === index

            objectName: "rangeItem" + index
            range: modelData
            maximized: isMaximized
            live: !page.leaving
            x: isMaximized ? 0 : (index % page.columns) * (page.cellWidth + page.spacing)
            y: isMaximized ? 0 : Math.floor(index / page.columns) * (page.cellHeight + page.spacing)
            z: isMaximized ? 1 : 0
            width: isMaximized ? page.width : page.cellWidth
            height: isMaximized ? page.height : page.cellHeight
            opacity: page.maximizedIndex < 0 || isMaximized ? 1.0 : 0.0
            enabled: opacity > 0

            onMaximizeClicked: page.toggleMaximized(index)

            Behavior on x { enabled: page.animated; NumberAnimation { duration: 300; easing.type: Easing.OutQuad } }
            Behavior on y { enabled: page.animated; NumberAnimation { duration: 300; easing.type: Easing.OutQuad } }
            Behavior on width { enabled: page.animated; NumberAnimation { duration: 300; easing.type: Easing.OutQuad } }
            Behavior on height { enabled: page.animated; NumberAnimation { duration: 300; easing.type: Easing.OutQuad } }
            Behavior on opacity { enabled: page.animated; NumberAnimation { duration: 300; easing.type: Easing.OutQuad } }
        }
    }

    Repeater {
        model: 6
        delegate: Item {
            Shortcut {
                sequence: "F" + (index + 1)
                enabled: index < page.laneCount
                onActivated: page.toggleMaximized(index)
            }
        }
    }
}
