import QtQuick
import QtQuick.Controls

// A choice from a list of preset values whose last entry ("any value") lets
// the value be typed in a spin box.
Row {
    id: choice

    // Entries { text, value }; the last one has the value 0 and means "any".
    property var presets: []
    property alias box: presetBox
    property alias custom: customBox
    property alias realFrom: customBox.realFrom
    property alias realTo: customBox.realTo
    property alias suffix: customBox.suffix
    readonly property bool customChosen: presetBox.currentIndex === presets.length - 1
    // NaN while nothing is chosen.
    readonly property real value: presetBox.currentIndex < 0 ? NaN
                                  : customChosen ? customBox.realValue
                                                 : presets[presetBox.currentIndex].value

    spacing: 6

    // Chooses the preset with the value, else "any value" with the value typed in.
    function setValue(value) {
        for (var i = 0; i < presets.length - 1; ++i) {
            if (presets[i].value === value) {
                presetBox.currentIndex = i
                return
            }
        }
        presetBox.currentIndex = presets.length - 1
        customBox.setRealValue(value)
    }

    ComboBox {
        id: presetBox
        width: 200
        height: 32
        model: choice.presets
        textRole: "text"
    }

    DoubleSpinBox {
        id: customBox
        width: 140
        height: 32
        visible: choice.customChosen
        realStepSize: 0.1
    }
}
