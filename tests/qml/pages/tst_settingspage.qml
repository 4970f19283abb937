import QtQuick
import QtQuick.Controls
import QtTest
import Kavro 1.0
import "qrc:/qml/core"

Item {
    id: root
    width: 1280
    height: 740

    Component {
        id: deletionDialog
        DeleteDatabaseDialog { }
    }

    SignalSpy {
        id: confirmedSpy
        signalName: "confirmed"
    }

    TestCase {
        id: testCase
        name: "SettingsPage"
        when: windowShown

        property var page: null

        function createPage() {
            var component = Qt.createComponent("qrc:/qml/core/SettingsPage.qml")
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

        function laneText(index) {
            return child("sensorText", child("laneRow" + index)).text
        }

        // Binds the sensor of the list to a lane through the page's buttons.
        function bindThroughPage(serial, lane) {
            var list = child("sensorList")
            // A click on the picked sensor would drop the pick.
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
            for (var i = 0; i < application.ranges.length; ++i)
                application.ranges[i].deviceSerialNumber = ""
        }

        function cleanup() {
            fixture.unplugAll()
            for (var i = 0; i < application.ranges.length; ++i)
                application.ranges[i].deviceSerialNumber = ""
        }

        function test_competitionNeedsAName() {
            createPage()
            compare(child("pageTitle").text, "Настройки программы КАВРО")
            var apply = child("applyModeButton")
            compare(apply.text, "Применить")
            // Until a mode is applied none is current.
            verify(!child("trainingButton").checked && !child("competitionButton").checked && !child("gtoButton").checked)
            verify(!apply.enabled)

            mouseClick(child("competitionButton"))
            var field = child("competitionNameField")
            verify(field.visible)
            compare(field.placeholderText, "Название соревнования... ")
            verify(!apply.enabled)
            field.text = "   "
            verify(!apply.enabled)
            page.modeGroup.apply()
            compare(application.shootingMode, RangeData.UndefinedMode)

            field.text = "Кубок города"
            verify(apply.enabled)
            mouseClick(apply)
            compare(application.shootingMode, RangeData.CompetitionMode)
            compare(application.competitionName, "Кубок города")
            compare(application.stringValue("range/competitionName"), "Кубок города")
            // The applied mode is the opaque one.
            compare(child("competitionButton").opacity, 1.0)
            compare(child("trainingButton").opacity, 0.5)
            compare(child("gtoButton").opacity, 0.5)

            mouseClick(child("gtoButton"))
            compare(field.placeholderText, "Идентификатор... ")
            // Only applying changes the mode.
            compare(application.shootingMode, RangeData.CompetitionMode)
            compare(child("competitionButton").opacity, 1.0)
        }

        function test_trainingClearsTheName() {
            application.setValue("range/competitionName", "Первенство школы")
            createPage()
            var field = child("competitionNameField")
            mouseClick(child("gtoButton"))
            // The last name comes back.
            compare(field.text, "Первенство школы")
            mouseClick(child("applyModeButton"))
            compare(application.shootingMode, RangeData.GTOMode)
            compare(application.competitionName, "Первенство школы")

            mouseClick(child("trainingButton"))
            verify(!field.visible)
            mouseClick(child("applyModeButton"))
            compare(application.shootingMode, RangeData.TrainingMode)
            compare(application.competitionName, "")
            // Kept for the next competition.
            compare(application.stringValue("range/competitionName"), "Первенство школы")
        }

        function test_switchesStoreAtOnce() {
            createPage()
            var keys = { confirmQuitBox: "window/confirmQuit", shotAimingSoundBox: "sound/shotAiming",
                         shotReplaySoundBox: "sound/shotReplay" }
            for (var name in keys) {
                var box = child(name)
                verify(box.checked, name)
                mouseClick(box)
                compare(application.intValue(keys[name], -1), 0, name)
                mouseClick(box)
                compare(application.intValue(keys[name], -1), 1, name)
            }
            application.setValue("sound/shotReplay", 0)
            createPage()
            verify(!child("shotReplaySoundBox").checked)
        }

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
            // The dialog's URL becomes the path it stands for.
            page.importGroup.useFile(fixture.fileUrl(file))
            compare(page.importGroup.path, file)
            verify(load.enabled)
            var before = application.storage.shooters.count()
            mouseClick(load)
            compare(application.storage.shooters.count(), before + 2)
            compare(message.text, "Новых стрелков: 2")
            verify(message.opacity > 0.5)
            // Faded out after three seconds.
            tryCompare(message, "opacity", 0, 4000)

            mouseClick(load)
            compare(application.storage.shooters.count(), before + 2)
            compare(message.text, "Новых стрелков: 0")

            page.importGroup.path = fixture.path("нет такого.json")
            mouseClick(load)
            compare(message.text, "Не удалось загрузить файл, Ошибка: 1")
            compare(message.color, Qt.color("red"))
            page.importGroup.path = fixture.writeFile("empty.json", "[]")
            compare(page.importGroup.load(), 4)
            compare(message.text, "Не удалось загрузить файл, Ошибка: 4")
        }

        function test_urlsBecomeLocalPaths() {
            compare(application.localPath("file:///tmp/%D0%BF%D1%83%D1%82%D1%8C%20x/list.json"), "/tmp/путь x/list.json")
            compare(application.localPath("/tmp/list.json"), "/tmp/list.json")
        }

        function test_deletionDialogNeedsTheTick() {
            var dialog = createTemporaryObject(deletionDialog, root)
            confirmedSpy.clear()
            confirmedSpy.target = dialog
            dialog.open()
            tryCompare(dialog, "opened", true)
            compare(dialog.title, "Удаление базы данных")
            compare(dialog.width, 400)
            compare(dialog.height, 250)
            var ok = child("okButton", dialog.footer)
            compare(ok.text, "OK")
            compare(child("cancelButton", dialog.footer).text, "Отмена")
            verify(!ok.enabled)
            mouseClick(ok)
            // Accepting without the tick does nothing either.
            dialog.accept()
            compare(confirmedSpy.count, 0)

            dialog.open()
            tryCompare(dialog, "opened", true)
            mouseClick(dialog.confirmation)
            verify(ok.enabled)
            mouseClick(ok)
            compare(confirmedSpy.count, 1)
            // Every opening starts unticked.
            dialog.open()
            verify(!dialog.confirmation.checked)
            dialog.reject()

            createPage()
            mouseClick(child("deleteDatabaseButton"))
            tryCompare(page.databaseGroup.dialog, "opened", true)
            verify(!page.databaseGroup.dialog.confirmation.checked)
            mouseClick(child("cancelButton", page.databaseGroup.dialog.footer))
            tryCompare(page.databaseGroup.dialog, "visible", false)
        }

        function test_sensorsFollowPlugging() {
            createPage()
            var list = child("sensorList")
            compare(list.count, 0)
            var first = fixture.plugSensor(0)
            var second = fixture.plugSensor(1)
            tryCompare(list, "count", 2)
            compare(application.devices.indexOf(first) >= 0, true)

            bindThroughPage(first, 0)
            compare(application.ranges[0].deviceSerialNumber, first)
            tryCompare(application.ranges[0], "ready", true)
            compare(laneText(0), first)

            // A sensor already in use stays where it is.
            bindThroughPage(first, 1)
            compare(child("bindingMessage").text, "Сенсор уже используется")
            verify(child("bindingMessage").opacity > 0.5)
            compare(application.ranges[1].deviceSerialNumber, "")
            compare(application.ranges[0].deviceSerialNumber, first)
            compare(laneText(1), "не подключен")

            bindThroughPage(second, 1)
            compare(application.ranges[1].deviceSerialNumber, second)

            // Unplugged: gone from the list and no longer picked; the lane keeps it.
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
            compare(laneText(0), "не подключен")
        }

        function test_moreLanesStartUnbound() {
            var first = fixture.plugSensor(0)
            var second = fixture.plugSensor(1)
            createPage()
            tryCompare(child("sensorList"), "count", 2)
            bindThroughPage(first, 0)
            bindThroughPage(second, 1)

            var box = child("laneCountBox")
            compare(box.value, 2)
            box.forceActiveFocus()
            keyClick(Qt.Key_Up)
            compare(application.maxRanges, 3)
            compare(application.intValue("maxRanges"), 3)
            tryCompare(page.lanesGroup.lanes, "count", 3)
            compare(application.ranges[0].deviceSerialNumber, first)
            compare(application.ranges[1].deviceSerialNumber, second)
            compare(application.ranges[2].deviceSerialNumber, "")
            compare(child("laneName", child("laneRow2")).text, "Щит 3")
            compare(laneText(2), "не подключен")
        }
    }
}
