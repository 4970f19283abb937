import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Kavro 1.0

// One lane with the sensor bound to it and the buttons that bind or unbind it.
RowLayout {
    id: row

    property RangeData range
    readonly property string serial: range ? range.deviceSerialNumber : ""

    signal applyClicked()
    signal clearClicked()

    spacing: 10

    Label {
        objectName: "laneName"
        Layout.preferredWidth: 60
        //: A lane (shooting position): %1 its number
        text: qsTr("Щит %1").arg(row.range ? row.range.index + 1 : "")
        font.bold: true
    }
    Label {
        objectName: "sensorText"
        Layout.fillWidth: true
        Layout.minimumWidth: 150
        //: No sensor is bound to the lane
        text: row.serial.length === 0 ? qsTr("не подключен")
              : row.range.ready ? row.serial
              //: %1: the serial number of the lane's sensor, which is not plugged in
              : qsTr("%1\nне подключен").arg(row.serial)
        color: row.serial.length > 0 && row.range.ready ? "#303030" : "#A03030"
        font.family: "monospace"
    }
    MyButton {
        objectName: "bindButton"
        //: Binds the sensor picked in the list to the lane
        text: qsTr("Применить")
        onClicked: row.applyClicked()
    }
    MyButton {
        objectName: "unbindButton"
        //: Unbinds the lane's sensor
        text: qsTr("Очистить")
        onClicked: row.clearClicked()
    }
}
