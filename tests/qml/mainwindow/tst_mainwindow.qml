import QtQuick
import QtQuick.Window
import QtTest

TestCase {
    id: testCase
    name: "MainWindow"
    when: windowShown

    property var window: null

    // Windowed, 900 x 700; hidden when the test ends, so that no input
    // reaches it before it is deleted.
    function createWindow() {
        application.setValue("window/visibility", Window.Windowed)
        application.setValue("window/width", 900)
        application.setValue("window/height", 700)
        var component = Qt.createComponent("qrc:/qml/main.qml")
        window = createTemporaryObject(component, null)
        verify(window !== null, component.errorString())
        waitForRendering(window.contentItem)
    }

    function cleanup() {
        window.quitDialog.close()
        window.visible = false
    }

    function pageButton(name) {
        return findChild(window.header, "pageButton_" + name)
    }

    // The settings page comes first; a page is made anew each time it is
    // chosen, and only its button stays checked.
    function test_pageButtonsSwitchPages() {
        createWindow()
        var settings = window.pageLoader.item
        compare(settings.objectName, "settingsPage")
        var pages = ["shooting", "catalog", "archive", "printer", "settings"]
        for (var i = 0; i < pages.length; ++i) {
            mouseClick(pageButton(pages[i]))
            compare(window.pageLoader.item.objectName, pages[i] + "Page")
            for (var j = 0; j < pages.length; ++j)
                compare(pageButton(pages[j]).checked, i === j, pages[j])
        }
        verify(window.pageLoader.item !== settings)
    }

    function test_windowedGeometryIsStored() {
        createWindow()
        window.width = 800
        window.height = 600
        // The platform applies the size later; the settings follow it.
        tryVerify(function () { return application.intValue("window/width") === 800 })
        tryVerify(function () { return application.intValue("window/height") === 600 })
    }

    function test_quitAsksFirst_data() {
        return [{ tag: "closing the window", close: true }, { tag: "Ctrl+Q", close: false }]
    }

    function test_quitAsksFirst(data) {
        createWindow()
        if (data.close)
            window.close()
        else
            keyClick(Qt.Key_Q, Qt.ControlModifier)
        tryCompare(window.quitDialog, "opened", true)
        verify(window.visible)
        mouseClick(findChild(window.quitDialog.footer, "cancelQuitButton"))
        tryCompare(window.quitDialog, "visible", false)
        verify(window.visible)
    }
}
