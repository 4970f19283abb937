import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Kavro 1.0

// Printing a target face to scale: made for the simulated distance, hung at
// the real distance.
Item {
    id: page

    readonly property real realDistance: realGroup.value
    readonly property real simulatedDistance: simulatedGroup.value
    readonly property bool ready: realGroup.confirmed && simulatedGroup.confirmed && targetGrid.descriptor !== null
    property alias printout: printout

    objectName: "printerPage"

    function preparePrintout() {
        var name = targetGrid.descriptor.name
        printout.targetDescriptor = targetGrid.descriptor
        printout.distance = simulatedDistance
        printout.distanceToPrintout = realDistance
        printout.simplified = simplifiedBox.checked
        //: The printed target's caption: %1 target face, %2 distance it is made for (m), %3 distance it hangs at (m)
        printout.title = qsTr("Мишень %1 / Иммитируемая дистанция %2м / Реальная дистанция %3м")
            .arg(name).arg(String(simulatedDistance)).arg(String(realDistance))
    }

    function printTarget() {
        preparePrintout()
        printout.print()
    }

    function previewTarget() {
        preparePrintout()
        printout.preview()
    }

    Component.onCompleted: realGroup.choice.setValue(application.realValue("printer/distance", realGroup.presets[0].value))

    TargetPrintout { id: printout }

    PageTitle {
        id: title
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.margins: 12
        text: qsTr("Печать мишеней")
    }

    ColumnLayout {
        id: form
        anchors.top: title.bottom
        anchors.topMargin: 8
        anchors.left: parent.left
        anchors.leftMargin: 12
        width: 420
        spacing: 10

        DistanceChoiceGroup {
            id: realGroup
            objectName: "realDistanceGroup"
            Layout.fillWidth: true
            //: The distance at which the printed target will hang
            title: qsTr("Реальная дистанция до мишени:")
            choice.box.objectName: "realDistanceBox"
            choice.custom.objectName: "customRealDistanceBox"
            confirmBox.objectName: "confirmRealDistanceBox"
            presets: [
                { text: qsTr("3 метра"), value: 3 }, { text: qsTr("5 метров"), value: 5 },
                { text: qsTr("10 метров"), value: 10 }, { text: qsTr("15 метров"), value: 15 },
                { text: qsTr("20 метров"), value: 20 }, { text: qsTr("25 метров"), value: 25 },
                { text: qsTr("50 метров"), value: 50 }, { text: qsTr("100 метров"), value: 100 },
                //: Last entry of the distances: any distance, typed in
                { text: qsTr("Произвольная дистанция"), value: 0 }
            ]
        }

        DistanceChoiceGroup {
            id: simulatedGroup
            objectName: "simulatedDistanceGroup"
            Layout.fillWidth: true
            //: The shooting distance the printed target is scaled for
            title: qsTr("Иммитируемая дистанция:")
            choice.box.objectName: "simulatedDistanceBox"
            choice.custom.objectName: "customSimulatedDistanceBox"
            confirmBox.objectName: "confirmSimulatedDistanceBox"
            presets: [
                { text: qsTr("10 метров"), value: 10 }, { text: qsTr("25 метров"), value: 25 },
                { text: qsTr("50 метров"), value: 50 }, { text: qsTr("100 метров"), value: 100 },
                { text: qsTr("Произвольная дистанция"), value: 0 }
            ]
        }

        CheckBox {
            id: simplifiedBox
            objectName: "simplifiedBox"
            padding: 2
            //: Prints the target without its optional elements
            text: qsTr("Упрощенная печать")
        }

        RowLayout {
            spacing: 10

            MyButton {
                objectName: "printButton"
                text: qsTr("Print Target")
                enabled: page.ready
                onClicked: page.printTarget()
            }
            MyButton {
                objectName: "previewButton"
                text: qsTr("Print Preview")
                enabled: page.ready
                onClicked: page.previewTarget()
            }
        }
    }

    TargetChoiceGrid {
        id: targetGrid
        objectName: "targetGrid"
        anchors.top: title.bottom
        anchors.topMargin: 8
        anchors.left: form.right
        anchors.leftMargin: 20
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.margins: 12
    }
}
