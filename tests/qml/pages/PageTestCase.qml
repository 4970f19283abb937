import QtQuick
import QtTest

// A test case for one page of the program, at the window's size:
// createPage() makes the page afresh, child() finds its named items.
TestCase {
    id: testCase

    property string source
    property var page: null

    width: 1280
    height: 740
    when: windowShown
    visible: true // a test case hides itself, and with it the page

    function createPage() {
        var component = Qt.createComponent(source)
        page = createTemporaryObject(component, testCase, { width: width, height: height })
        verify(page !== null, component.errorString())
        waitForRendering(page)
    }

    function child(name, parent) {
        var item = findChild(parent === undefined ? page : parent, name)
        verify(item !== null, name)
        return item
    }
}
