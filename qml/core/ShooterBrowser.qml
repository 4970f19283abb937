import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Kavro 1.0

// The shooters of the catalogue, filtered by organization, group and name.
// A click picks a shooter; the pick takes effect (shooterId, the stored
// "catalog/shooterId") 100 ms after the last click, so that quick clicks
// through the list load only the last one. The list is read and shooters
// are deleted in the background; a refusal shows its reason.
ColumnLayout {
    id: browser

    // The shooter in effect, 0 for none.
    property var shooterId: 0
    property string shooterName: ""
    property string shooterOrganization: ""
    property string shooterGroup: ""
    // The shooter clicked last.
    property var pickedId: 0

    function rowText(name, organization, group) {
        if (!group || group.length === 0 || group === organization)
            return name + " (" + organization + ")"
        return name + " (" + organization + ", " + group + ")"
    }

    function pick(id) {
        pickedId = id
        pickTimer.restart()
    }

    function applyPick() {
        pickTimer.stop()
        var shooters = application.catalog.shooters
        var texts = ["", "", ""]
        for (var i = 0; i < shooters.count(); ++i) {
            if (shooters.dataByRole(i, ShooterModel.IdRole) === pickedId) {
                texts = [shooters.dataByRole(i, ShooterModel.NameRole), shooters.dataByRole(i, ShooterModel.OrganizationRole),
                         shooters.dataByRole(i, ShooterModel.GroupRole)]
            }
        }
        shooterName = texts[0]
        shooterOrganization = texts[1]
        shooterGroup = texts[2]
        shooterId = pickedId
        application.setValue("catalog/shooterId", pickedId)
    }

    // Picks the shooter stored last, when the catalogue still has it.
    function restore() {
        var id = application.intValue("catalog/shooterId", 0)
        for (var i = 0; i < filtered.count(); ++i) {
            if (filtered.dataByRole(i, ShooterModel.IdRole) === id) {
                pickedId = id
                applyPick()
                shooterList.positionViewAtIndex(i, ListView.Center)
                return
            }
        }
    }

    spacing: 6

    Component.onCompleted: restore()

    ShooterFilterModel {
        id: filtered
        organization: organizationBox.currentIndex > 0 ? organizationBox.currentText : ""
        group: groupBox.currentIndex > 0 ? groupBox.currentText : ""
        name: searchField.text
    }

    Timer {
        id: pickTimer
        interval: 100
        onTriggered: browser.applyPick()
    }

    ComboBox {
        id: organizationBox
        objectName: "organizationBox"
        Layout.fillWidth: true
        implicitHeight: 32
        model: application.catalog.organizations
    }
    ComboBox {
        id: groupBox
        objectName: "groupBox"
        Layout.fillWidth: true
        implicitHeight: 32
        // Also asked again when the catalogue's organizations change.
        model: application.catalog.organizations.length >= 0 ? application.catalog.groups(organizationBox.currentText) : []
    }
    TextField {
        id: searchField
        objectName: "searchField"
        Layout.fillWidth: true
        implicitHeight: 32
        placeholderText: qsTr("Поиск по имени...")
    }

    Rectangle {
        Layout.fillWidth: true
        Layout.fillHeight: true
        color: "white"
        border.color: "#c4c4d3"

        ListView {
            id: shooterList
            objectName: "shooterList"
            anchors.fill: parent
            anchors.margins: 1
            clip: true
            model: filtered
            boundsBehavior: Flickable.StopAtBounds
            ScrollBar.vertical: ScrollBar { }
            section.property: "name"
            section.criteria: ViewSection.FirstCharacter
            section.delegate: SectionDelegate {
                width: ListView.view.width
                text: section
            }
            delegate: ListDelegate {
                width: ListView.view.width
                text: browser.rowText(model.name, model.organization, model.group)
                onClicked: browser.pick(model.id)

                Rectangle {
                    z: -1
                    anchors.fill: parent
                    visible: browser.pickedId === model.id
                    color: "#D6DCE4"
                }
            }
        }

        BusyIndicator {
            objectName: "shootersBusy"
            anchors.centerIn: parent
            running: application.catalog.busy
            visible: running
        }
    }

    Label {
        objectName: "catalogError"
        Layout.fillWidth: true
        visible: text.length > 0
        // A list that cannot be read is told in the page's failure box.
        text: application.catalog.error === application.catalog.listError ? ""
                                                                         : application.catalog.error
        color: "red"
        wrapMode: Text.WordWrap
    }

    MyButton {
        objectName: "deleteShooterButton"
        text: qsTr("Удалить пользователя")
        enabled: browser.shooterId > 0
        onClicked: deleteDialog.open()
    }

    AreYouSureDialog {
        id: deleteDialog
        objectName: "deleteShooterDialog"
        onAccepted: {
            application.catalog.deleteShooter(browser.shooterId)
            browser.pick(0)
            browser.applyPick()
        }
    }
}
