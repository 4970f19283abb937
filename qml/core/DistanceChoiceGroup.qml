import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// A distance from a list of presets or typed in, which counts only once
// "Подтвердить" is ticked; every change asks for the tick again.
GroupBox {
    id: group

    property alias presets: choice.presets
    property alias choice: choice
    property alias confirmBox: confirmBox
    readonly property real value: choice.value
    readonly property bool confirmed: confirmBox.checked && value > 0

    onValueChanged: confirmBox.checked = false

    RowLayout {
        anchors.fill: parent
        spacing: 10

        PresetValueBox {
            id: choice
            realFrom: 1.5
            realTo: 1000
            //: Unit after a distance typed in (metres), with its leading space; Latin letters only
            suffix: qsTr(" m")
            custom.decimals: 1
        }
        CheckBox {
            id: confirmBox
            padding: 2
            //: Ticked to confirm the distance chosen
            text: qsTr("Подтвердить")
        }
    }
}
