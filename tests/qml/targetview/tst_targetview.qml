import QtQuick
import QtTest
import Kavro 1.0

TestCase {
    id: testCase
    name: "TargetView"
    width: 600
    height: 500
    when: windowShown

    Component {
        id: targetWithTrace
        Target {
            property alias trace: child
            width: 500
            height: 400
            Trace {
                id: child
                style: Trace.Lines
                penWidth: 2.5
                color: "blue"
                firstIndex: 3
                lastIndex: 7
            }
        }
    }

    function create(source) {
        try {
            return Qt.createQmlObject("import Kavro 1.0; " + source, testCase)
        } catch (e) {
            return null
        }
    }

    function test_traceChildGetsItsTarget() {
        var target = createTemporaryObject(targetWithTrace, testCase)
        verify(target !== null)
        var trace = target.trace
        compare(trace.targetItem, target)
        compare(trace.style, Trace.Lines)
        compare(trace.penWidth, 2.5)
        compare(trace.color, Qt.rgba(0, 0, 1, 1))
        compare(trace.firstIndex, 3)
        compare(trace.lastIndex, 7)
        verify(trace.resampled)
        verify(trace.trace === null)
        compare(target.descriptor, targetManager.targets.get(0))
        tryCompare(target, "targetScaleX", 8)
        compare(target.centerPx, Qt.point(250, 200))
        compare(target.xPxToMm(250), 0)
    }

    function test_creatableTypes() {
        var target = create("Target {}")
        verify(target !== null, "Target must be creatable")
        target.destroy()
        var trace = create("Trace {}")
        verify(trace !== null, "Trace must be creatable")
        trace.destroy()
        var names = ["RangeData", "App"]
        for (var i = 0; i < names.length; ++i)
            verify(create(names[i] + " {}") === null, names[i] + " must not be creatable")
    }

    // The items are used like any other item: anchors, visibility, opacity,
    // stacking, focus chain and containment mask of the base item.
    function test_baseItemMembers() {
        var target = create("import QtQuick; Target { anchors.fill: parent; anchors.margins: 10;"
                            + " visible: false; opacity: 0.5; z: 3; activeFocusOnTab: true;"
                            + " containmentMask: Item { width: 10; height: 10 }"
                            + " Trace { anchors.fill: parent; opacity: 0.25; z: 1;"
                            + " containmentMask: Item {} } }")
        verify(target !== null)
        compare(target.width, testCase.width - 20)
        compare(target.visible, false)
        compare(target.opacity, 0.5)
        compare(target.z, 3)
        compare(target.activeFocusOnTab, true)
        verify(target.containmentMask !== null)
        target.destroy()
    }
}
