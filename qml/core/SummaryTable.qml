import QtQuick
import QtQuick.Controls

// A table over a list model: one column per entry of `columns`
// ({ title, width, value: function (row, index) }), where `row` gives the
// roles of the row by name. Columns keep their widths in proportion and
// stretch to fill the table; a click picks a row.
Rectangle {
    id: table

    property var model: null
    property var columns: []
    property int currentIndex: -1
    readonly property real naturalWidth: columns.reduce(function (sum, column) { return sum + column.width }, 0)
    readonly property real widthScale: naturalWidth > 0 ? Math.max(1, (width - 2) / naturalWidth) : 1
    readonly property real rowWidth: naturalWidth * widthScale
    property alias view: view

    signal rowClicked(int row)

    // 0 for a column that is gone: delegates of the old columns may ask
    // once more while the columns change.
    function columnWidth(column) {
        return column < columns.length ? columns[column].width * widthScale : 0
    }

    // Each column's share of the table's width, as the protocol printout takes them.
    function widthFractions() {
        return columns.map(function (column) { return column.width / table.naturalWidth })
    }

    // The texts of a row, column by column.
    function rowTexts(row) {
        var item = view.itemAtIndex(row)
        return item ? item.texts() : []
    }

    color: "white"
    border.color: "#c4c4d3"
    onModelChanged: currentIndex = -1

    ListView {
        id: view
        objectName: "tableView"
        anchors.fill: parent
        anchors.margins: 1
        clip: true
        model: table.model
        contentWidth: table.rowWidth
        flickableDirection: Flickable.AutoFlickIfNeeded
        boundsBehavior: Flickable.StopAtBounds
        headerPositioning: ListView.OverlayHeader
        ScrollBar.vertical: ScrollBar { }
        ScrollBar.horizontal: ScrollBar { }

        header: Rectangle {
            z: 2
            width: table.rowWidth
            height: headerRow.height
            color: "#EEF1F5"

            Row {
                id: headerRow

                Repeater {
                    model: table.columns
                    delegate: Label {
                        width: table.columnWidth(index)
                        padding: 6
                        text: modelData ? modelData.title : ""
                        font.bold: true
                        wrapMode: Text.WordWrap

                        Rectangle {
                            anchors.right: parent.right
                            width: 1
                            height: parent.height
                            color: "#c4c4d3"
                        }
                    }
                }
            }

            Rectangle {
                anchors.bottom: parent.bottom
                width: parent.width
                height: 1
                color: "#9a9aae"
            }
        }

        delegate: Rectangle {
            id: row

            readonly property var rowData: model
            readonly property int rowIndex: index

            function texts() {
                return table.columns.map(function (column) { return String(column.value(row.rowData, row.rowIndex)) })
            }

            width: table.rowWidth
            height: 30
            color: rowIndex === table.currentIndex ? "#D6DCE4" : rowIndex % 2 ? "#F7F8FA" : "white"

            Row {
                anchors.fill: parent

                Repeater {
                    model: table.columns
                    delegate: Item {
                        width: table.columnWidth(index)
                        height: row.height

                        Label {
                            anchors.fill: parent
                            leftPadding: 6
                            rightPadding: 6
                            verticalAlignment: Text.AlignVCenter
                            elide: Text.ElideRight
                            text: modelData && modelData.value ? modelData.value(row.rowData, row.rowIndex) : ""
                        }
                        Rectangle {
                            anchors.right: parent.right
                            width: 1
                            height: parent.height
                            color: "#e0e0e8"
                        }
                    }
                }
            }

            MouseArea {
                anchors.fill: parent
                onClicked: {
                    table.currentIndex = row.rowIndex
                    table.rowClicked(row.rowIndex)
                }
            }
        }
    }
}
