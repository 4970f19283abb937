import QtQuick
import QtTest
import Kavro 1.0
import "qrc:/qml/core"

PageTestCase {
    id: testCase
    name: "SettingsPage"
    source: "qrc:/qml/core/SettingsPage.qml"

    Component {
        id: deletionDialog
        DeleteDatabaseDialog { }
    }

    SignalSpy {
        id: confirmed
        signalName: "confirmed"
    }

    function laneText(index) {
        return child("sensorText", child("laneRow" + index)).text
    }

    // Picks the sensor on the list (a click on the picked one would
    // drop the pick) and binds it to the lane.
    function bindThroughPage(serial, lane) {
        var list = child("sensorList")
        for (var i = 0; i < list.count && page.lanesGroup.selectedSerial !== serial; ++i) {
            if (list.itemAtIndex(i).text === serial)
                mouseClick(list.itemAtIndex(i))
        }
        compare(page.lanesGroup.selectedSerial, serial)
        mouseClick(child("bindButton", child("laneRow" + lane)))
    }

    function init() {
        application.shootingMode = RangeData.UndefinedMode
        application.competitionName = ""
        application.setValue("range/competitionName", "")
        application.maxRanges = 2
    }

    function cleanup() {
        fixture.unplugAll()
        for (var i = 0; i < application.ranges.length; ++i)
            application.ranges[i].deviceSerialNumber = ""
    }

    // The file dialog's URL becomes the path it stands for, in any
    // script; a second import of the same list adds nobody.
    function test_importReportsNewShootersAndFailures() {
        createPage()
        var load = child("importButton")
        verify(!load.enabled)
        var message = child("importMessage")
        var file = fixture.writeFile("список стрелков/ученики.json", JSON.stringify([
            { name: "Орлова Анна", organization: "Лицей 2", group: "9А", isGto: false },
            { name: "Соколов Илья", organization: "Лицей 2", group: "9Б", isGto: true, birthDate: "01.02.2008",
              sex: "М", step: "5", gtoUuid: "24-77-0001234" },
            { name: "Без группы", organization: "Лицей 2", isGto: "true" }
        ]))
        page.importGroup.useFile(fixture.fileUrl(file))
        compare(page.importGroup.path, file)
        var shooters = application.catalog.shooters
        var before = shooters.count()
        mouseClick(load)
        verify(!load.enabled) // until the import is answered
        tryCompare(message, "text", "Новых стрелков: 2")
        tryVerify(function () { return shooters.count() === before + 2 }) // read again in the background
        tryVerify(function () { return load.enabled })
        mouseClick(load)
        tryCompare(message, "text", "Новых стрелков: 0")
        compare(shooters.count(), before + 2)
        page.importGroup.path = fixture.path("нет такого.json")
        tryVerify(function () { return load.enabled })
        mouseClick(load)
        tryCompare(message, "text", "Не удалось загрузить файл, Ошибка: 1")
    }

    // Deleting the database needs the tick, which every opening clears;
    // the page's button opens the dialog.
    function test_deletionDialogNeedsTheTick() {
        var dialog = createTemporaryObject(deletionDialog, testCase)
        confirmed.clear()
        confirmed.target = dialog
        for (var tick of [false, true]) {
            dialog.open()
            tryCompare(dialog, "opened", true)
            verify(!dialog.confirmation.checked)
            if (tick)
                mouseClick(dialog.confirmation)
            compare(child("okButton", dialog.footer).enabled, tick)
            dialog.accept()
            compare(confirmed.count, tick ? 1 : 0)
        }
        createPage()
        mouseClick(child("deleteDatabaseButton"))
        tryCompare(page.databaseGroup.dialog, "opened", true)
        page.databaseGroup.dialog.reject()
    }

    // Plugged sensors are listed and bound to lanes; one in use stays
    // where it is. Unplugged, a sensor leaves the list and its lane
    // waits for it.
    function test_sensorsFollowPlugging() {
        createPage()
        var list = child("sensorList")
        var first = fixture.plugSensor(0)
        var second = fixture.plugSensor(1)
        tryCompare(list, "count", 2)
        bindThroughPage(first, 0)
        tryCompare(application.ranges[0], "ready", true)
        bindThroughPage(first, 1)
        compare(child("bindingMessage").text, "Сенсор уже используется")
        compare([application.ranges[0].deviceSerialNumber, application.ranges[1].deviceSerialNumber],
                [first, ""])
        bindThroughPage(second, 1)
        compare(application.ranges[1].deviceSerialNumber, second)

        fixture.unplugSensor(1)
        tryCompare(list, "count", 1)
        compare(page.lanesGroup.selectedSerial, "")
        tryCompare(application.ranges[1], "ready", false)
        compare(laneText(1), second + "\nне подключен")

        // "Применить" with nothing picked unbinds, as "Очистить" does.
        mouseClick(child("bindButton", child("laneRow1")))
        compare(application.ranges[1].deviceSerialNumber, "")
        mouseClick(child("unbindButton", child("laneRow0")))
        compare(application.ranges[0].deviceSerialNumber, "")
    }
}
