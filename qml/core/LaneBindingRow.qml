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
        text: "Щит " + (row.range ? row.range.index + 1 : "")
        font.bold: true
    }
    Label {
        objectName: "sensorText"
        Layout.fillWidth: true
        Layout.minimumWidth: 150
        text: row.serial.length === 0 ? "не подключен"
              : row.range.ready ? row.serial : row.serial + "\nне подключен"
        color: row.serial.length > 0 && row.range.ready ? "#303030" : "#A03030"
        font.family: "monospace"
    }
    MyButton {
        objectName: "bindButton"
        text: "Применить"
        onClicked: row.applyClicked()
    }
    MyButton {
        objectName: "unbindButton"
        text: "Очистить"
        onClicked: row.clearClicked()
    }
}
