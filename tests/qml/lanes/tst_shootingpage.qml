import QtQuick
import QtTest
import Kavro 1.0

TestCase {
    id: testCase
    name: "ShootingPage"
    width: 1000
    height: 600
    when: windowShown
    visible: true // a test case hides itself, and with it the lanes

    function createPage(lanes) {
        application.maxRanges = lanes
        var component = Qt.createComponent("qrc:/qml/core/ShootingPage.qml")
        var page = createTemporaryObject(component, testCase, { width: 1000, height: 600 })
        verify(page !== null, component.errorString())
        compare(page.lanes.count, lanes)
        return page
    }

    function init() {
        application.shootingMode = RangeData.TrainingMode
    }

    // Over a lane without its sensor: what to do, or the sensor it
    // waits for; without a shooting mode nothing can be set up. Titles
    // name the lane ("Щит №N.") when there are several.
    function test_overlays() {
        var single = createPage(1).lanes.itemAt(0)
        verify(!findChild(single, "maximizeButton").visible)
        compare(findChild(single.screen, "titleText").text, "Параметры стрельбы")
        var lanes = createPage(2).lanes
        compare(findChild(lanes.itemAt(1).screen, "titleText").text, "Щит №2. Параметры стрельбы")
        var notConnected = findChild(lanes.itemAt(0), "notConnectedText")
        verify(notConnected.visible)
        compare(notConnected.text, "Щит №1. Настройте оборудование")
        verify(!findChild(lanes.itemAt(0), "serialNumberText").visible)

        var lane = lanes.itemAt(1)
        lane.range.deviceSerialNumber = "0011223344556677"
        compare(findChild(lane, "notConnectedText").text, "Щит №2. Устройство не подключено")
        compare(findChild(lane, "serialNumberText").text, "0011223344556677")
        compare(lane.range.state, RangeData.SettingsState)
        lane.range.deviceSerialNumber = ""

        application.shootingMode = RangeData.UndefinedMode
        verify(findChild(lane, "undefinedModeText").visible)
        verify(!lane.screen.enabled)
    }

    // The lanes start in their settings when the page opens and return
    // there when it goes.
    function test_lanesReturnToSettings() {
        application.maxRanges = 2
        var first = application.ranges[0]
        first.state = RangeData.SelectShooterState
        var page = createPage(2)
        compare(first.state, RangeData.SettingsState)
        first.state = RangeData.ShootingState
        application.ranges[1].state = RangeData.AddShooterState
        page.destroy()
        tryCompare(first, "state", RangeData.SettingsState)
        compare(application.ranges[1].state, RangeData.SettingsState)
    }
}
