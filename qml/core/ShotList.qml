import QtQuick
import QtQuick.Controls
import Kavro 1.0

// The scored shots of a session by series: a title per series, a row per shot
// with its number and result, the totals of each series and of the session.
// A click on a shot selects it.
Rectangle {
    id: list

    property var session: null
    // Fitness-norm totals count whole points only.
    readonly property bool fitnessNorm: session !== null && session.isGto
    property var selectedShot: null
    readonly property alias rows: rows

    function refresh() {
        // The same list again: the model only rebuilds on a new value.
        rows.model = null
        rows.model = session ? session.shots : null
    }

    function select(shot) {
        selectedShot = shot
        for (var i = 0; i < rows.count(); ++i) {
            if (rows.objects[i].object === shot) {
                view.positionViewAtIndex(i, ListView.Contain)
                break
            }
        }
    }

    function resultText(result) {
        if (isNaN(result))
            return "-"
        return fitnessNorm ? Math.floor(result).toString() : result.toFixed(1)
    }

    function totalText(result, resultInt) {
        return fitnessNorm ? resultInt.toString() : result.toFixed(1) + " / " + resultInt
    }

    color: "white"
    border.color: "#c4c4d3"

    onSessionChanged: {
        selectedShot = null
        refresh()
    }

    Connections {
        target: list.session
        function onShotsChanged() { list.refresh() }
    }

    ShotListModel {
        id: rows
        showSeries: false
    }

    ListView {
        id: view
        objectName: "shotListView"
        anchors.fill: parent
        anchors.margins: 1
        clip: true
        model: rows.objects
        boundsBehavior: Flickable.StopAtBounds
        ScrollBar.vertical: ScrollBar { }

        delegate: Rectangle {
            required property var modelData
            readonly property int type: modelData.rowType
            readonly property var object: modelData.object
            readonly property bool isShot: type === SerieListItem.ShotRow
            readonly property bool isTitle: type === SerieListItem.SerieTitleRow
            readonly property bool isTotal: type === SerieListItem.SerieSummaryRow
                                            || type === SerieListItem.SessionSummaryRow

            width: ListView.view.width
            height: type === SerieListItem.SerieTargetRow || !object ? 0 : nameText.implicitHeight + 6
            visible: height > 0
            color: isShot && object === list.selectedShot ? "#D6DCE4" : isTitle ? "#EEF1F5" : "white"

            Label {
                id: nameText
                anchors.left: parent.left
                anchors.leftMargin: 8
                anchors.verticalCenter: parent.verticalCenter
                font.bold: !parent.isShot
                text: !parent.object ? ""
                      //: Title of a series of shots in the shot list: %1 its number
                      : parent.isTitle ? qsTr("Серия %1").arg(parent.object.index + 1)
                      : parent.isShot ? (parent.object.indexInSession + 1) + "." : ""
            }

            Label {
                anchors.right: parent.right
                anchors.rightMargin: 8
                anchors.verticalCenter: parent.verticalCenter
                font.bold: parent.isTotal
                font.pixelSize: parent.type === SerieListItem.SessionSummaryRow ? 16 : 14
                text: !parent.object ? ""
                      : parent.isShot ? list.resultText(parent.object.result)
                      : parent.isTotal ? list.totalText(parent.object.result, parent.object.resultInt) : ""
            }

            Rectangle {
                anchors.left: parent.left
                anchors.right: parent.right
                anchors.top: parent.top
                height: 1
                visible: parent.isTotal
                color: "#c4c4d3"
            }

            MouseArea {
                anchors.fill: parent
                enabled: parent.isShot
                onClicked: list.select(parent.object)
            }
        }
    }
}
