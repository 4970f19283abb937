import QtQuick
import QtQuick.Controls

// A titled group of two exclusive options, one under the other.
GroupBox {
    id: group

    property alias first: firstButton
    property alias second: secondButton

    Column {
        anchors.fill: parent
        spacing: 2

        RadioButton {
            id: firstButton
            padding: 2
        }
        RadioButton {
            id: secondButton
            padding: 2
        }
    }
}
