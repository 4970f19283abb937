import QtQuick
import QtTest
import Kavro 1.0

PageTestCase {
    id: testCase
    name: "PrinterPage"
    source: "qrc:/qml/core/PrinterPage.qml"

    function confirmBoth() {
        mouseClick(child("confirmRealDistanceBox"))
        mouseClick(child("confirmSimulatedDistanceBox"))
    }

    function init() {
        application.setValue("printer/distance", undefined)
    }

    // Printing needs both distances confirmed, again after each change;
    // a typed real distance stays within 1.5 m to 1000 m.
    function test_distancesAndTheirConfirmation() {
        createPage()
        var print = child("printButton")
        verify(!print.enabled)
        confirmBoth()
        verify(print.enabled && child("previewButton").enabled)
        child("simulatedDistanceBox").currentIndex = 2
        verify(!child("confirmSimulatedDistanceBox").checked)
        verify(!print.enabled)
        mouseClick(child("confirmSimulatedDistanceBox"))
        verify(print.enabled)

        var realBox = child("realDistanceBox")
        realBox.currentIndex = realBox.count - 1
        var custom = child("customRealDistanceBox")
        verify(custom.visible)
        custom.setRealValue(12.5)
        compare(page.realDistance, 12.5)
        verify(!print.enabled)
        custom.setRealValue(0.5)
        compare(page.realDistance, 1.5)
        custom.setRealValue(2000)
        compare(page.realDistance, 1000)
    }

    // The page's choices reach the printout; the title tells both
    // distances. (The printout on paper: tst_printouts.)
    function test_targetPrintout() {
        createPage()
        var grid = child("targetGrid")
        mouseClick(grid.itemAtIndex(1))
        var face = application.targetManager.targets.get(1)
        compare(grid.descriptor, face)

        child("simulatedDistanceBox").currentIndex = 2
        child("realDistanceBox").currentIndex = 2
        mouseClick(child("simplifiedBox"))
        confirmBoth()
        page.preparePrintout()
        var printout = page.printout
        compare([printout.targetDescriptor, printout.distance, printout.distanceToPrintout, printout.simplified],
                [face, 50, 10, true])
        compare(printout.title, "Мишень " + face.name + " / Иммитируемая дистанция 50м / Реальная дистанция 10м")
    }
}
