import QtQuick
import QtQuick.Controls

// A check box that shows a 0/1 setting (1 when absent) and stores every change at once.
CheckBox {
    id: box

    property string key

    padding: 2
    checked: application.intValue(key, 1) === 1
    onToggled: application.setValue(key, checked ? 1 : 0)
}
