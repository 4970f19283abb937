import QtQuick
import QtQuick.Controls
import QtTest
import Kavro 1.0
import "qrc:/qml/core"

Item {
    id: root
    width: 1280
    height: 740

    TestCase {
        id: testCase
        name: "PrinterPage"
        when: windowShown

        property var page: null

        function createPage() {
            var component = Qt.createComponent("qrc:/qml/core/PrinterPage.qml")
            verify(component.status === Component.Ready, component.errorString())
            page = createTemporaryObject(component, root, { width: root.width, height: root.height })
            verify(page !== null)
            waitForRendering(page)
            return page
        }

        function child(name, parent) {
            var item = findChild(parent === undefined ? page : parent, name)
            verify(item !== null, name)
            return item
        }

        function texts(box) {
            var result = []
            for (var i = 0; i < box.count; ++i)
                result.push(box.textAt(i))
            return result
        }

        function confirmBoth() {
            mouseClick(child("confirmRealDistanceBox"))
            mouseClick(child("confirmSimulatedDistanceBox"))
        }

        function init() {
            application.setValue("printer/distance", undefined)
        }

        function test_distancesAndTheirConfirmation() {
            createPage()
            compare(child("pageTitle").text, "Печать мишеней")
            compare(texts(child("realDistanceBox")),
                    ["3 метра", "5 метров", "10 метров", "15 метров", "20 метров", "25 метров", "50 метров", "100 метров",
                     "Произвольная дистанция"])
            compare(texts(child("simulatedDistanceBox")),
                    ["10 метров", "25 метров", "50 метров", "100 метров", "Произвольная дистанция"])
            compare(page.realDistance, 3)
            compare(page.simulatedDistance, 10)
            var print = child("printButton")
            compare(print.text, "Print Target")
            compare(child("previewButton").text, "Print Preview")
            verify(!print.enabled)

            confirmBoth()
            verify(print.enabled)
            verify(child("previewButton").enabled)
            // Every change must be confirmed again.
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
            compare(custom.displayText, "12.5 m")
            compare(page.realDistance, 12.5)
            verify(!print.enabled)
            custom.setRealValue(0.5)
            compare(page.realDistance, 1.5)
            custom.setRealValue(2000)
            compare(page.realDistance, 1000)
        }

        function test_storedDistanceIsTheFirstChoice() {
            application.setValue("printer/distance", 25)
            createPage()
            compare(child("realDistanceBox").currentText, "25 метров")
            application.setValue("printer/distance", 7.5)
            createPage()
            compare(child("realDistanceBox").currentText, "Произвольная дистанция")
            compare(page.realDistance, 7.5)
        }

        function test_targetPrintsToPdf() {
            createPage()
            var grid = child("targetGrid")
            compare(grid.count, application.targetManager.targets.count)
            compare(grid.descriptor, application.targetManager.targets.get(0))
            var cell = grid.itemAtIndex(1)
            mouseClick(cell)
            var face = application.targetManager.targets.get(1)
            compare(grid.descriptor, face)

            child("simulatedDistanceBox").currentIndex = 2
            child("realDistanceBox").currentIndex = 2
            mouseClick(child("simplifiedBox"))
            confirmBoth()
            page.preparePrintout()
            var printout = page.printout
            verify(printout.valid)
            compare(printout.targetDescriptor, face)
            compare(printout.distance, 50)
            compare(printout.distanceToPrintout, 10)
            verify(printout.simplified)
            compare(printout.title, "Мишень " + face.name + " / Иммитируемая дистанция 50м / Реальная дистанция 10м")
            var pdf = fixture.path("target.pdf")
            verify(fixture.printToPdf(printout, pdf, false))
            compare(fixture.pdfPages(pdf), 1)
            verify(fixture.pdfText(pdf).indexOf("Иммитируемая дистанция 50м / Реальная дистанция 10м") >= 0)
        }
    }
}
