import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// A header line for a printout and the buttons that print it or show a preview.
RowLayout {
    id: bar

    property alias header: headerField.text
    property alias printButton: printButton
    property alias previewButton: previewButton

    signal printClicked()
    signal previewClicked()

    spacing: 10

    TextField {
        id: headerField
        objectName: "headerField"
        Layout.fillWidth: true
        implicitHeight: 32
        //: Placeholder of the header line typed in for a printout
        placeholderText: qsTr("Шапка...")
    }
    MyButton {
        id: printButton
        objectName: "printButton"
        text: qsTr("Print")
        onClicked: bar.printClicked()
    }
    MyButton {
        id: previewButton
        objectName: "previewButton"
        text: qsTr("Print Preview")
        onClicked: bar.previewClicked()
    }
}
