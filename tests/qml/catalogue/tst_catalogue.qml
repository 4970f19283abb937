import QtQuick
import QtTest
import Kavro 1.0

TestCase {
    name: "Catalogue"

    function test_targetsReachQml() {
        var targets = targetManager.targets
        compare(targets.count, 5)
        compare(targets.get(0).name, "№8")
        compare(targets.get(4).uuid, "{401BEAC6-B6AA-4D42-98C0-6431EA2E0D0F}")
        verify(targets.get(5) === null)
        compare(application.targetManager, targetManager)
        var rifle = targetManager.findByUuid("{26044802-5B13-48d6-A5F8-BE777C9BED82}")
        compare(rifle.elements.count, 43)
        compare(rifle.elements.get(0).typeName, "Ellipse")
        compare(rifle.elements.get(0).type, TargetElement.Ellipse)
        compare(Number(rifle.breachScore(Qt.point(2.6, 0), 4.5).toFixed(1)), 9.9)
        verify(isNaN(rifle.breachScore(Qt.point(0, 0), 4.5)))
        compare(rifle.scoreCalculator.calc(Qt.point(0, 0), 4.5), 10.9)
        compare(targetManager.getColor(TargetElementColor.Swamp).color, Qt.rgba(85 / 255, 92 / 255, 53 / 255, 1))
        verify(targetManager.colorNames.length > 100)
    }

    function test_delegatesSeeRoles() {
        var view = createTemporaryQmlObject(
                    "import QtQuick; ListView { width: 100; height: 500; model: targetManager.targets;"
                    + " delegate: Text { text: display + '|' + name + '|' + qtObject.uuid } }", this)
        compare(view.count, 5)
        view.currentIndex = 1
        compare(view.currentItem.text,
                "№9|№9|{EE802967-C378-4ed8-B61A-609EC5061BBD}")
    }

    function test_uncreatableTypes() {
        var names = ["TargetDescriptor", "TargetElement", "TargetElementColor",
                     "ObjectListModelBase", "App"]
        for (var i = 0; i < names.length; ++i) {
            var object = null
            try {
                object = Qt.createQmlObject("import Kavro 1.0; " + names[i] + " {}", this)
            } catch (e) {
                object = null
            }
            verify(object === null, names[i] + " must not be creatable")
        }
    }
}
