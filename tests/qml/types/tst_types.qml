import QtQuick
import QtTest
import Kavro 1.0

// The program's types as QML sees them.
TestCase {
    id: testCase
    name: "Types"
    width: 600
    height: 500
    when: windowShown

    Component {
        id: targetWithTrace
        Target {
            property alias trace: child
            width: 500
            height: 400
            Trace { id: child }
        }
    }

    // A trace declared inside a target draws through that target's mapping;
    // the target starts on the catalogue's first face.
    function test_traceInsideATarget() {
        var target = createTemporaryObject(targetWithTrace, testCase)
        compare(target.trace.targetItem, target)
        compare(target.descriptor, targetManager.targets.get(0))
        tryCompare(target, "targetScaleX", 8)
        compare(target.xPxToMm(250), 0)
    }
}
