import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Kavro 1.0

// The number of lanes and the sensor of each lane, chosen from the sensors
// plugged in now; the list follows the sensors as they come and go.
GroupBox {
    id: group

    // The sensor picked in the list, "" for none.
    property string selectedSerial: ""
    property alias lanes: lanes

    // Binds the picked sensor to the lane (unbinds it with none picked),
    // unless another lane holds that sensor.
    function bind(range, serial) {
        var ranges = application.ranges
        for (var i = 0; serial.length > 0 && i < ranges.length; ++i) {
            if (ranges[i] !== range && ranges[i].deviceSerialNumber === serial) {
                //: The sensor picked is bound to another lane
                message.show(qsTr("Сенсор уже используется"))
                return false
            }
        }
        range.deviceSerialNumber = serial
        return true
    }

    //: The lanes (shooting positions) and their sensors
    title: qsTr("Щиты:")

    Connections {
        target: application
        function onDevicesChanged() {
            if (application.devices.indexOf(group.selectedSerial) < 0)
                group.selectedSerial = ""
        }
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 8

        RowLayout {
            spacing: 10

            Label { text: qsTr("Количество щитов") }
            SpinBox {
                id: laneCountBox
                objectName: "laneCountBox"
                implicitWidth: 120
                implicitHeight: 32
                from: 1
                to: 6
                value: application.maxRanges
                onValueModified: application.maxRanges = value
            }
        }

        Repeater {
            id: lanes
            model: application.ranges
            delegate: LaneBindingRow {
                objectName: "laneRow" + index
                Layout.fillWidth: true
                range: modelData
                onApplyClicked: group.bind(modelData, group.selectedSerial)
                onClearClicked: modelData.deviceSerialNumber = ""
            }
        }

        FadingMessage {
            id: message
            objectName: "bindingMessage"
            Layout.fillWidth: true
        }

        Label {
            text: qsTr("Подключенные сенсоры")
            font.bold: true
        }
        Rectangle {
            Layout.fillWidth: true
            Layout.preferredHeight: 160
            color: "white"
            border.color: "#c4c4d3"

            ListView {
                id: sensorList
                objectName: "sensorList"
                anchors.fill: parent
                anchors.margins: 1
                clip: true
                model: application.devices
                boundsBehavior: Flickable.StopAtBounds
                ScrollBar.vertical: ScrollBar { }
                delegate: ListDelegate {
                    width: ListView.view.width
                    text: modelData
                    onClicked: group.selectedSerial = group.selectedSerial === modelData ? "" : modelData

                    Rectangle {
                        z: -1
                        anchors.fill: parent
                        visible: group.selectedSerial === modelData
                        color: "#D6DCE4"
                    }
                }
            }
        }
    }
}
