import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Kavro 1.0

// Choosing the shooter of a lane's exercise from the catalogue, filtered by
// organization, group, name and by whether the exercise is a fitness norm.
Item {
    id: screen

    property RangeData range
    property string titlePrefix
    readonly property string keyPrefix: "range%1/".arg(range.index)
    readonly property var catalog: application.catalog
    // The chosen shooter: { id, name, organization, group }, or null.
    property var selected: null

    // A regular expression that matches the text itself, in any case; an empty
    // text matches everything.
    function matching(text, whole) {
        var escaped = text.replace(/[.*+?^${}()|[\]\\]/g, "\\$&")
        return new RegExp(whole && text.length > 0 ? "^" + escaped + "$" : escaped, "i")
    }

    function rowText(name, organization, group) {
        if (!group || group.length === 0 || group === organization)
            return name + " (" + organization + ")"
        return name + " (" + organization + ", " + group + ")"
    }

    function select(id, name, organization, group) {
        selected = { id: id, name: name, organization: organization, group: group }
    }

    // Preselects the lane's current shooter when the list shows it.
    function selectCurrentShooter() {
        var session = range.session
        for (var i = 0; i < modeFilter.count(); ++i) {
            if (modeFilter.dataByRole(i, ShooterModel.NameRole) === session.name
                    && modeFilter.dataByRole(i, ShooterModel.OrganizationRole) === session.organization
                    && modeFilter.dataByRole(i, ShooterModel.GroupRole) === session.group) {
                select(modeFilter.dataByRole(i, ShooterModel.IdRole), session.name, session.organization,
                       session.group)
                shooterList.positionViewAtIndex(i, ListView.Center)
                return
            }
        }
    }

    function createShooter() {
        var key = keyPrefix
        application.setValue(key + "currentOrg", organizationBox.currentIndex)
        application.setValue(key + "currentOrgText", organizationBox.currentIndex > 0 ? organizationBox.currentText : "")
        application.setValue(key + "currentGroupText", groupBox.currentIndex > 0 ? groupBox.currentText : "")
        range.state = RangeData.AddShooterState
    }

    function confirm() {
        range.exercise.start(selected.name, selected.organization, selected.group)
    }

    // Shows the organization and group chosen before a new shooter was added.
    function restoreFilters() {
        var key = keyPrefix
        var organization = organizationBox.find(application.stringValue(key + "currentOrgText"))
        if (organization < 0)
            organization = application.intValue(key + "currentOrg", 0)
        organizationBox.currentIndex = organization > 0 && organization < organizationBox.count ? organization : 0
        var group = groupBox.find(application.stringValue(key + "currentGroupText"))
        groupBox.currentIndex = group > 0 ? group : 0
    }

    // Selects the lane's shooter when the list has them; one outside the
    // remembered filters is shown with all of them cleared.
    function preselect() {
        if (selected !== null)
            return
        selectCurrentShooter()
        var session = range.session
        if (selected === null && session.name.length > 0
                && catalog.lookupShooter(session.name, session.organization, session.group) !== 0) {
            organizationBox.currentIndex = 0
            selectCurrentShooter()
        }
    }

    Component.onCompleted: {
        restoreFilters()
        preselect()
    }

    // A shooter just added comes into the list once the catalogue's worker
    // has stored them; chosen after the filters have followed the list.
    Connections {
        target: screen.catalog.shooters
        function onRowsInserted() { Qt.callLater(screen.preselect) }
        function onModelReset() { Qt.callLater(screen.preselect) }
    }

    SortFilterProxy {
        id: organizationFilter
        sourceModel: screen.catalog.shooters
        filterRoleName: "organization"
        filterCaseSensitivity: Qt.CaseInsensitive
        filterRegularExpression: screen.matching(organizationBox.currentIndex > 0 ? organizationBox.currentText : "", true)
    }
    SortFilterProxy {
        id: groupFilter
        sourceModel: organizationFilter
        filterRoleName: "group"
        filterCaseSensitivity: Qt.CaseInsensitive
        filterRegularExpression: screen.matching(groupBox.currentIndex > 0 ? groupBox.currentText : "", true)
    }
    SortFilterProxy {
        id: nameFilter
        sourceModel: groupFilter
        filterRoleName: "name"
        filterCaseSensitivity: Qt.CaseInsensitive
        filterRegularExpression: screen.matching(searchField.text.trim(), false)
    }
    SortFilterProxy {
        id: modeFilter
        sourceModel: nameFilter
        filterRoleName: "step"
        filterCaseSensitivity: Qt.CaseInsensitive
        filterRegularExpression: screen.matching(screen.range.session.isGto ? "isGto" : "noGto", true)
    }

    LaneTitle {
        id: title
        anchors.left: parent.left
        anchors.right: parent.right
        //: Title of the screen that picks the lane's shooter
        text: screen.titlePrefix + qsTr("Выберите пользователя")
    }

    GridLayout {
        id: filters
        anchors.top: title.bottom
        anchors.topMargin: 6
        anchors.left: parent.left
        anchors.right: parent.right
        columns: 2
        columnSpacing: 10
        rowSpacing: 6

        Label { text: qsTr("Организация:") }
        ComboBox {
            id: organizationBox
            objectName: "organizationBox"
            Layout.fillWidth: true
            implicitHeight: 32
            model: screen.catalog.organizations
            onCurrentIndexChanged: screen.selected = null
        }

        //: The shooter's group (class) within the organization
        Label { text: qsTr("Группа (Класс):") }
        ComboBox {
            id: groupBox
            objectName: "groupBox"
            Layout.fillWidth: true
            implicitHeight: 32
            // Also asked again when the catalogue's organizations change.
            model: screen.catalog.organizations.length >= 0 ? screen.catalog.groups(organizationBox.currentText) : []
            onCurrentIndexChanged: screen.selected = null
        }

        //: The shooter's full name
        Label { text: qsTr("Ф.И.О.:") }
        TextField {
            id: searchField
            objectName: "searchField"
            Layout.fillWidth: true
            implicitHeight: 32
            placeholderText: qsTr("Поиск по имени...")
            onTextChanged: screen.selected = null
        }
    }

    Rectangle {
        anchors.top: filters.bottom
        anchors.topMargin: 8
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: catalogError.top
        anchors.bottomMargin: 8
        color: "white"
        border.color: "#c4c4d3"

        ListView {
            id: shooterList
            objectName: "shooterList"
            anchors.fill: parent
            anchors.margins: 1
            clip: true
            model: modeFilter
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
                text: screen.rowText(model.name, model.organization, model.group)
                onClicked: {
                    shooterList.currentIndex = index
                    screen.select(model.id, model.name, model.organization, model.group)
                }

                Rectangle {
                    z: -1
                    anchors.fill: parent
                    visible: screen.selected !== null && screen.selected.id === model.id
                    color: "#D6DCE4"
                }
            }
        }

        BusyIndicator {
            objectName: "shootersBusy"
            anchors.centerIn: parent
            running: screen.catalog.busy
            visible: running
        }
    }

    Label {
        id: catalogError
        objectName: "catalogError"
        anchors.bottom: shooterButtons.top
        anchors.bottomMargin: text.length > 0 ? 8 : 0
        anchors.left: parent.left
        anchors.right: parent.right
        height: text.length > 0 ? implicitHeight : 0
        text: screen.catalog.error
        color: "red"
        wrapMode: Text.WordWrap
    }

    Flow {
        id: shooterButtons
        anchors.bottom: buttons.top
        anchors.bottomMargin: 8
        anchors.left: parent.left
        anchors.right: parent.right
        spacing: 10

        MyButton {
            objectName: "createButton"
            text: qsTr("Создать нового пользователя")
            onClicked: screen.createShooter()
        }
        MyButton {
            objectName: "deleteButton"
            text: qsTr("Удалить пользователя")
            enabled: screen.selected !== null
            onClicked: deleteDialog.open()
        }
    }

    Item {
        id: buttons
        anchors.bottom: parent.bottom
        anchors.left: parent.left
        anchors.right: parent.right
        height: continueButton.implicitHeight

        MyButton {
            objectName: "backButton"
            anchors.left: parent.left
            text: qsTr("Назад")
            onClicked: screen.range.state = RangeData.SettingsState
        }
        MyButton {
            id: continueButton
            objectName: "continueButton"
            anchors.right: parent.right
            text: qsTr("Продолжить")
            enabled: screen.selected !== null
            onClicked: screen.confirm()
        }
    }

    AreYouSureDialog {
        id: deleteDialog
        objectName: "deleteDialog"
        onAccepted: {
            screen.catalog.deleteShooter(screen.selected.id)
            screen.selected = null
        }
    }
}
