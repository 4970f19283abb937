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

    // The pages make the items and printouts themselves; the models and
    // the catalogue come from C++ only.
    function test_creatable_data() {
        var creatable = ["Target", "Trace", "TraceSelection", "ShotListModel", "SessionPrintout",
                         "TargetPrintout", "SortFilterProxy"]
        var uncreatable = ["TargetDescriptor", "TargetElement", "TargetElementColor", "ObjectListModelBase",
                           "ShooterModel", "SessionInfoModel", "RangeData", "SerieListItem", "App"]
        return creatable.map(function (type) { return { tag: type, creatable: true } }).concat(
                    uncreatable.map(function (type) { return { tag: type, creatable: false } }))
    }

    function test_creatable(data) {
        var object = null
        try {
            object = Qt.createQmlObject("import Kavro 1.0; " + data.tag + " {}", testCase)
            object.destroy()
        } catch (e) {
        }
        compare(object !== null, data.creatable)
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
