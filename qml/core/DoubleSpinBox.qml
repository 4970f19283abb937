import QtQuick
import QtQuick.Controls

// A spin box for decimal values: the integer value counts hundredths (or the
// given number of decimals) and the text shows the decimal value and a suffix.
SpinBox {
    id: box

    property int decimals: 2
    property real realFrom: 0
    property real realTo: 100
    property real realStepSize: 1
    property string suffix
    readonly property int factor: Math.pow(10, decimals)
    readonly property real realValue: value / factor

    from: Math.round(realFrom * factor)
    to: Math.round(realTo * factor)
    stepSize: Math.max(1, Math.round(realStepSize * factor))
    editable: true
    validator: RegularExpressionValidator { regularExpression: /\s*[0-9]*([.,][0-9]*)?\s*[a-zA-Z]*\s*/ }
    textFromValue: function (value, locale) { return (value / box.factor).toFixed(box.decimals) + box.suffix }
    valueFromText: function (text, locale) {
        var number = parseFloat(text.replace(",", "."))
        return isNaN(number) ? box.value : Math.round(number * box.factor)
    }

    function setRealValue(number) {
        value = Math.round(number * factor)
    }
}
