import QtQuick
import QtQuick.Window
import QtTest

TestCase {
    id: testCase
    name: "MainWindow"
    when: windowShown

    property var window: null

    function createWindow(settings) {
        application.setValue("window/visibility", Window.Windowed)
        application.setValue("window/width", 900)
        application.setValue("window/height", 700)
        for (var key in settings)
            application.setValue(key, settings[key])
        var component = Qt.createComponent("qrc:/qml/main.qml")
        verify(component.status === Component.Ready, component.errorString())
        window = component.createObject(null)
        verify(window !== null)
        waitForRendering(window.contentItem)
        return window
    }

    function cleanup() {
        if (window) {
            window.quitDialog.close()
            window.destroy()
            window = null
            wait(0)
        }
    }

    function pageButton(name) {
        return findChild(window.header, "pageButton_" + name)
    }

    function test_windowAndToolBar() {
        createWindow({})
        compare(window.title, "КАВРО ТИР")
        compare(window.minimumWidth, 640)
        compare(window.minimumHeight, 480)
        compare(String(window.color), "#e8e8e8")
        compare(window.header.height, 60)
        compare(application.maxSecondsBeforeShot, 5)

        var names = ["settings", "shooting", "catalog", "archive", "printer"]
        var tips = ["Настройки", "Стрельба", "Архив стрельб", "Архив соревнований", "Печать мишеней"]
        for (var i = 0; i < names.length; ++i) {
            var button = pageButton(names[i])
            verify(button, names[i])
            compare(button.toolTip, tips[i])
            compare(button.checked, names[i] === "settings")
        }
        compare(findChild(window.header, "quitButton").toolTip, "Выход из программы")
        compare(findChild(window.header, "fullScreenButton").toolTip, "Полноэкранный режим")
        compare(window.pageLoader.item.objectName, "settingsPage")
    }

    function test_pageButtonsSwitchPages() {
        createWindow({})
        var settings = window.pageLoader.item
        mouseClick(pageButton("shooting"))
        compare(window.pageLoader.item.objectName, "shootingPage")
        verify(pageButton("shooting").checked)
        verify(!pageButton("settings").checked)
        mouseClick(pageButton("archive"))
        compare(window.pageLoader.item.objectName, "archivePage")
        // A page is made anew each time it is chosen.
        mouseClick(pageButton("settings"))
        compare(window.pageLoader.item.objectName, "settingsPage")
        verify(window.pageLoader.item !== settings)
    }

    function test_windowedGeometryIsStored() {
        createWindow({})
        compare(window.visibility, Window.Windowed)
        compare(window.width, 900)
        window.width = 800
        window.height = 600
        // The platform applies the size later; the settings follow it.
        tryVerify(function () { return application.intValue("window/width") === 800 })
        tryVerify(function () { return application.intValue("window/height") === 600 })
    }

    function test_fullScreenToggle() {
        createWindow({})
        mouseClick(findChild(window.header, "fullScreenButton"))
        tryVerify(function () { return application.intValue("window/visibility") === Window.FullScreen })
        mouseClick(findChild(window.header, "fullScreenButton"))
        tryVerify(function () { return application.intValue("window/visibility") === Window.Windowed })
    }

    function test_closeAsksFirst() {
        createWindow({ "window/confirmQuit": 1 })
        window.close()
        tryCompare(window.quitDialog, "opened", true)
        verify(window.visible)
        compare(window.quitDialog.title, "КАВРО")
        var cancel = findChild(window.quitDialog.footer, "cancelQuitButton")
        compare(cancel.text, "Отмена")
        compare(findChild(window.quitDialog.footer, "confirmQuitButton").text, "Закрыть")
        verify(findChild(window.quitDialog.footer, "confirmQuitButton").activeFocus)
        mouseClick(cancel)
        tryCompare(window.quitDialog, "visible", false)
        verify(window.visible)
    }

    function test_quitShortcutAsksFirst() {
        createWindow({})
        keyClick(Qt.Key_Q, Qt.ControlModifier)
        tryCompare(window.quitDialog, "opened", true)
        verify(window.visible)
    }
}
