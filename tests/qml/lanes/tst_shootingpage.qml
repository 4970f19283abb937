import QtQuick
import QtQuick.Window
import QtTest
import Kavro 1.0

Item {
    id: root
    width: 1000
    height: 600

    TestCase {
        id: testCase
        name: "ShootingPage"
        when: windowShown

        property var window: null

        function createPage(lanes) {
            application.maxRanges = lanes
            compare(application.ranges.length, lanes)
            var component = Qt.createComponent("qrc:/qml/core/ShootingPage.qml")
            verify(component.status === Component.Ready, component.errorString())
            var page = createTemporaryObject(component, root, { width: 1000, height: 600 })
            verify(page !== null)
            compare(page.lanes.count, lanes)
            return page
        }

        function createWindow() {
            application.setValue("window/visibility", Window.Windowed)
            application.setValue("window/width", 1000)
            application.setValue("window/height", 700)
            var component = Qt.createComponent("qrc:/qml/main.qml")
            verify(component.status === Component.Ready, component.errorString())
            window = component.createObject(null)
            verify(window !== null)
            waitForRendering(window.contentItem)
            return window
        }

        function init() {
            application.shootingMode = RangeData.TrainingMode
        }

        function cleanup() {
            if (window) {
                window.destroy()
                window = null
                wait(0)
            }
        }

        function test_grid_data() {
            return [
                { tag: "1 lane", lanes: 1, columns: 1, rows: 1 },
                { tag: "2 lanes", lanes: 2, columns: 2, rows: 1 },
                { tag: "3 lanes", lanes: 3, columns: 3, rows: 1 },
                { tag: "4 lanes", lanes: 4, columns: 2, rows: 2 },
                { tag: "5 lanes", lanes: 5, columns: 3, rows: 2 },
                { tag: "6 lanes", lanes: 6, columns: 3, rows: 2 }
            ]
        }

        function test_grid(data) {
            var page = createPage(data.lanes)
            var cellWidth = (1000 - (data.columns - 1) * 10) / data.columns
            var cellHeight = (600 - (data.rows - 1) * 10) / data.rows
            for (var i = 0; i < data.lanes; ++i) {
                var lane = page.lanes.itemAt(i)
                compare(lane.range, application.ranges[i])
                fuzzyCompare(lane.x, (i % data.columns) * (cellWidth + 10), 0.01, "x of lane " + i)
                fuzzyCompare(lane.y, Math.floor(i / data.columns) * (cellHeight + 10), 0.01, "y of lane " + i)
                fuzzyCompare(lane.width, cellWidth, 0.01)
                fuzzyCompare(lane.height, cellHeight, 0.01)
                compare(lane.opacity, 1.0)
            }
            if (data.lanes === 5) {
                // The sixth cell, bottom right, stays empty.
                var last = page.lanes.itemAt(4)
                verify(last.x + last.width < 1000 - cellWidth)
            }
        }

        function test_functionKeysMaximize() {
            var page = createPage(3)
            keyClick(Qt.Key_F2)
            compare(page.maximizedIndex, 1)
            var second = page.lanes.itemAt(1)
            verify(second.maximized)
            tryCompare(second, "width", 1000)
            tryCompare(second, "height", 600)
            compare(second.x, 0)
            tryCompare(page.lanes.itemAt(0), "opacity", 0)
            tryCompare(page.lanes.itemAt(2), "opacity", 0)

            // The same key brings the lane back into its cell.
            keyClick(Qt.Key_F2)
            compare(page.maximizedIndex, -1)
            verify(!second.maximized)
            tryCompare(second, "x", (1000 - 20) / 3 + 10)
            tryCompare(page.lanes.itemAt(0), "opacity", 1)

            // Another lane's key moves the maximised lane back and maximises that one.
            keyClick(Qt.Key_F1)
            keyClick(Qt.Key_F3)
            compare(page.maximizedIndex, 2)
            tryCompare(page.lanes.itemAt(0), "opacity", 0)
            tryCompare(page.lanes.itemAt(2), "width", 1000)
        }

        function test_functionKeyOfAMissingLaneDoesNothing() {
            var page = createPage(2)
            keyClick(Qt.Key_F3)
            compare(page.maximizedIndex, -1)
            keyClick(Qt.Key_F6)
            compare(page.maximizedIndex, -1)
            compare(page.lanes.itemAt(0).opacity, 1)
            compare(page.lanes.itemAt(1).opacity, 1)
        }

        function test_maximizeButton() {
            var page = createPage(2)
            var button = findChild(page.lanes.itemAt(1), "maximizeButton")
            verify(button.visible)
            compare(button.text, "[ ]")
            mouseClick(button)
            compare(page.maximizedIndex, 1)
            tryCompare(page.lanes.itemAt(1), "width", 1000)
            mouseClick(button)
            compare(page.maximizedIndex, -1)
            tryCompare(page.lanes.itemAt(1), "width", 495)
        }

        function test_oneLaneHasNoPrefixAndNoMaximizeButton() {
            var page = createPage(1)
            var lane = page.lanes.itemAt(0)
            verify(!findChild(lane, "maximizeButton").visible)
            compare(lane.titlePrefix, "")
            compare(findChild(lane, "notConnectedText").text, "Настройте оборудование")
            compare(findChild(lane.screen, "titleText").text, "Параметры стрельбы")

            var twoLanes = createPage(2)
            compare(findChild(twoLanes.lanes.itemAt(1).screen, "titleText").text, "Щит №2. Параметры стрельбы")
            verify(findChild(twoLanes.lanes.itemAt(1), "maximizeButton").visible)
            compare(findChild(twoLanes.lanes.itemAt(1), "notConnectedText").text, "Щит №2. Настройте оборудование")
        }

        function test_overlayOfAnUnboundLane() {
            var page = createPage(2)
            var lane = page.lanes.itemAt(0)
            verify(!lane.range.ready)
            var notConnected = findChild(lane, "notConnectedText")
            verify(notConnected.visible)
            compare(notConnected.text, "Щит №1. Настройте оборудование")
            compare(notConnected.color, Qt.color("red"))
            verify(!findChild(lane, "serialNumberText").visible)
            verify(!findChild(lane, "undefinedModeText").visible)

            application.shootingMode = RangeData.UndefinedMode
            var undefinedMode = findChild(lane, "undefinedModeText")
            verify(undefinedMode.visible)
            compare(undefinedMode.text, "Выберите Режим стрельбы в настройках!")
            // Without a mode nothing can be set up.
            verify(!lane.screen.enabled)
        }

        function test_overlayOfALaneWhoseSensorIsAway() {
            var page = createPage(2)
            var lane = page.lanes.itemAt(1)
            lane.range.deviceSerialNumber = "0011223344556677"
            compare(lane.range.deviceSerialNumber, "0011223344556677")
            verify(!lane.range.ready)
            compare(findChild(lane, "notConnectedText").text, "Щит №2. Устройство не подключено")
            var serial = findChild(lane, "serialNumberText")
            verify(serial.visible)
            compare(serial.text, "0011223344556677")
            // The lane stays where it was.
            compare(lane.range.state, RangeData.SettingsState)
            lane.range.deviceSerialNumber = ""
        }

        function test_lanesStartInSettings() {
            application.maxRanges = 3
            application.ranges[0].state = RangeData.SelectShooterState
            application.ranges[2].state = RangeData.CalibrationState
            var page = createPage(3)
            for (var i = 0; i < 3; ++i) {
                compare(application.ranges[i].state, RangeData.SettingsState)
                verify(findChild(page.lanes.itemAt(i).screen, "scaleBox") !== null)
            }
        }

        function test_pageSwitchReturnsLanesToSettings() {
            application.maxRanges = 2
            createWindow()
            mouseClick(findChild(window.header, "pageButton_shooting"))
            var page = window.pageLoader.item
            compare(page.objectName, "shootingPage")
            var first = application.ranges[0]
            var second = application.ranges[1]
            first.state = RangeData.SelectShooterState
            second.state = RangeData.AddShooterState
            verify(findChild(page.lanes.itemAt(0).screen, "shooterList") !== null)
            verify(findChild(page.lanes.itemAt(1).screen, "nameField") !== null)

            mouseClick(findChild(window.header, "pageButton_catalog"))
            compare(first.state, RangeData.SettingsState)
            compare(second.state, RangeData.SettingsState)

            first.state = RangeData.ShootingState
            mouseClick(findChild(window.header, "pageButton_shooting"))
            page = window.pageLoader.item
            compare(first.state, RangeData.SettingsState)
            compare(second.state, RangeData.SettingsState)
            verify(findChild(page.lanes.itemAt(0).screen, "scaleBox") !== null)
        }

        function test_enteringSettingsResetsTheLane() {
            var page = createPage(1)
            var range = application.ranges[0]
            range.state = RangeData.SelectShooterState
            var session = range.session
            range.state = RangeData.SettingsState
            verify(range.session !== session)
        }
    }
}
