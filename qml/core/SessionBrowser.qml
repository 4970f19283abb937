import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Kavro 1.0

// The sessions of one shooter, as a list by year or as a table. A click
// picks a session; the pick takes effect (sessionId) 50 ms after the last
// click.
ColumnLayout {
    id: browser

    property var shooterId: 0
    // The shooter's texts for the table: the session summaries of one
    // shooter carry no person.
    property string shooterName
    property string shooterOrganization
    property string shooterGroup
    property bool tableMode: false
    // The shooter's progress instead of a session.
    property bool progressMode: false
    property var sessions: null
    // The session in effect, 0 for none.
    property var sessionId: 0
    property var pickedId: 0
    // The list asked for, -1 for none.
    property int ticket: -1
    // The list could not be read.
    property bool failed: false

    signal deleteRequested()
    signal refreshRequested()

    function reload() {
        pickedId = 0
        sessionId = 0
        sessions = null
        failed = false
        ticket = shooterId > 0 ? application.archive.readSessions(shooterId) : -1
    }

    function pick(id) {
        pickedId = id
        pickTimer.restart()
    }

    function rowText(dateTime, shotCount, comments) {
        //: A session in the list: %1 date and time, %n shots, %2 the session's comments
        return qsTr("%1\n%n выстрелов. %2", "", shotCount)
            .arg(dateTime.toLocaleString(Qt.locale(application.language), Locale.ShortFormat)).arg(comments)
    }

    spacing: 6

    onShooterIdChanged: reload()
    Component.onCompleted: reload()

    Connections {
        target: application.archive
        function onSessionsRead(ticket, model) {
            if (ticket !== browser.ticket)
                return
            browser.sessions = model
            browser.failed = model === null
        }
    }

    Timer {
        id: pickTimer
        interval: 50
        onTriggered: browser.sessionId = browser.pickedId
    }

    // The buttons go under the title where the column is too narrow for both.
    Flow {
        Layout.fillWidth: true
        spacing: 6

        Label {
            height: refreshButton.height
            verticalAlignment: Text.AlignVCenter
            rightPadding: 4
            text: qsTr("Сессии")
            font.bold: true
        }
        MyButton {
            id: refreshButton
            objectName: "refreshButton"
            text: qsTr("Обновить")
            enabled: !application.archive.busy
            onClicked: browser.refreshRequested()
        }
        MyButton {
            objectName: "progressModeButton"
            //: Switches between the picked session and the shooter's progress chart
            text: browser.progressMode ? qsTr("Сессия")
                                       //: Shows the shooter's progress chart in place of the session
                                       : qsTr("Прогресс")
            enabled: browser.shooterId > 0
            onClicked: browser.progressMode = !browser.progressMode
        }
        MyButton {
            objectName: "tableModeButton"
            //: Switches the sessions between a list and a table
            text: browser.tableMode ? qsTr("Список") : qsTr("Таблица")
            onClicked: browser.tableMode = !browser.tableMode
        }
    }

    Rectangle {
        Layout.fillWidth: true
        Layout.fillHeight: true
        visible: !browser.tableMode
        color: "white"
        border.color: "#c4c4d3"

        ListView {
            id: sessionList
            objectName: "sessionList"
            anchors.fill: parent
            anchors.margins: 1
            clip: true
            model: browser.sessions
            boundsBehavior: Flickable.StopAtBounds
            ScrollBar.vertical: ScrollBar { }
            section.property: "year"
            section.delegate: SectionDelegate {
                width: ListView.view.width
                text: section
            }
            delegate: ListDelegate {
                width: ListView.view.width
                text: browser.rowText(model.dateTime, model.shotCount, model.comments)
                onClicked: {
                    sessionTable.currentIndex = index
                    browser.pick(model.id)
                }

                Rectangle {
                    z: -1
                    anchors.fill: parent
                    visible: browser.pickedId === model.id
                    color: "#D6DCE4"
                }
            }
        }

        BusyIndicator {
            objectName: "sessionsBusy"
            anchors.centerIn: parent
            running: application.archive.busy
            visible: running
        }
    }

    SummaryTable {
        id: sessionTable
        objectName: "sessionTable"
        Layout.fillWidth: true
        Layout.fillHeight: true
        visible: browser.tableMode
        model: browser.sessions
        columns: [
            //: Table column: the row's number
            { title: qsTr("Номер"), width: 55, value: function (row, index) { return index + 1 } },
            { title: qsTr("Организация"), width: 120, value: function (row) { return browser.shooterOrganization } },
            //: Table column: the shooter's group (class) within the organization
            { title: qsTr("Группа"), width: 70, value: function (row) { return browser.shooterGroup } },
            //: Table column: the shooter's full name
            { title: qsTr("ФИО"), width: 170, value: function (row) { return browser.shooterName } },
            //: Table column: the session's score
            { title: qsTr("Результат"), width: 80, value: function (row) { return row.result > 0 ? row.result : "" } },
            //: Table column: the grade of a fitness-norm session (gold, silver, ...)
            { title: qsTr("Оценка (ГТО)"), width: 85, value: function (row) { return qsTranslate("FitnessNorm", row.medal) } },
            //: Table column: the age level of a fitness-norm session
            { title: qsTr("Ступень (ГТО)"), width: 85, value: function (row) { return row.step > 0 ? row.step : "" } },
            //: Table column: the place in the competition's ranking
            { title: qsTr("Место"), width: 60, value: function (row) { return row.place } },
            { title: qsTr("Название соревнования"), width: 180, value: function (row) { return row.competitionName || "" } }
        ]
        onRowClicked: function (index) { browser.pick(browser.sessions.dataByRole(index, SessionInfoModel.IdRole)) }
    }

    MyButton {
        objectName: "deleteSessionButton"
        text: qsTr("Удалить сессию")
        enabled: browser.sessionId > 0
        onClicked: browser.deleteRequested()
    }
}
