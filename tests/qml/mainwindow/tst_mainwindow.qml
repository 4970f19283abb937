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
