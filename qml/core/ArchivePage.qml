import QtQuick
import QtQuick.Controls
import Kavro 1.0

// The archive of competitions and fitness-norm events: choose one, see the
// table of its sessions with the places, print the protocol.
Item {
    id: page

    property string competitionName: ""
    property bool isGto: false
    property var sessions: null
    // The table asked for, -1 for none.
    property int ticket: -1
    // The table could not be read.
    property bool failed: false
    readonly property var competitionColumns: [
        { title: "Организация", width: 150, value: function (row) { return row.shooterOrganization } },
        { title: "Группа", width: 90, value: function (row) { return row.shooterGroup } },
        { title: "Ф.И.О.", width: 200, value: function (row) { return row.shooterName } },
        { title: "Результат", width: 90, value: function (row) { return row.result } },
        { title: "Место", width: 70, value: function (row) { return row.place } },
        { title: "Результат \n(с дробными)", width: 110, value: function (row) { return Number(row.resultReal || 0).toFixed(1) } },
        { title: "Место по \nрезультату \n(с дробными)", width: 110, value: function (row) { return row.placeReal } }
    ]
    readonly property var gtoColumns: [
        { title: "Ф.И.О.", width: 185, value: function (row) { return row.shooterName } },
        { title: "УИНН", width: 105, value: function (row) { return row.gtoUuid } },
        { title: "Дата \nРождения", width: 85, value: function (row) { return row.birthDate } },
        { title: "Пол", width: 40, value: function (row) { return row.sex } },
        { title: "Основное место \nработы (учёбы)", width: 125, value: function (row) { return row.shooterOrganization } },
        { title: "Ступень", width: 65, value: function (row) { return row.step } },
        { title: "Результат", width: 80, value: function (row) { return row.result } },
        { title: "Выполнение \nнорматива", width: 90, value: function (row) { return row.medal } },
        { title: "Нагрудный \nномер", width: 80, value: function (row) { return row.pectoralNumber } },
        { title: "Спортивный \nразряд", width: 85, value: function (row) { return row.athleticRank } }
    ]
    property alias printBar: printBar
    property alias printout: printout

    objectName: "archivePage"

    function choose(name, gto) {
        competitionName = name
        isGto = gto
        sessions = null
        failed = false
        ticket = application.archive.readCompetition(name, gto)
    }

    // Reads the lists and the chosen table again: other PCs may have added
    // sessions since.
    function refresh() {
        application.catalog.refresh()
        if (competitionName.length > 0)
            choose(competitionName, isGto)
    }

    Component.onCompleted: application.catalog.refresh()

    // Hands the sessions, the header, the kind of protocol and the columns'
    // shares of the table's width to the printout.
    function preparePrintout() {
        printout.setModel(sessions)
        printout.setHeader(printBar.header)
        printout.isGto = isGto
        printout.clearWidthVector()
        var widths = table.widthFractions()
        for (var i = 0; i < widths.length; ++i)
            printout.appendWidth(widths[i])
    }

    function printProtocol() {
        preparePrintout()
        printout.print(true)
    }

    function previewProtocol() {
        preparePrintout()
        printout.printPreview(true)
    }

    SessionPrintout { id: printout }

    Connections {
        target: application.archive
        function onSessionsRead(ticket, model) {
            if (ticket !== page.ticket)
                return
            page.sessions = model
            page.failed = model === null
        }
    }

    PageTitle {
        id: title
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.margins: 12
        text: "Архив соревнований" + (page.competitionName.length > 0 ? " | " + page.competitionName : "")
    }

    Item {
        id: content
        anchors.top: title.bottom
        anchors.topMargin: 8
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.margins: 12

        Column {
            id: lists
            width: Math.max(200, Math.min(300, content.width * 0.25))
            height: content.height
            spacing: 12

            MyButton {
                id: refreshButton
                objectName: "refreshButton"
                text: "Обновить"
                enabled: !application.archive.busy
                onClicked: page.refresh()
            }
            CompetitionList {
                id: competitionList
                objectName: "competitionList"
                width: parent.width
                height: (parent.height - refreshButton.height - 2 * parent.spacing) / 2
                title: "СОРЕВНОВАНИЯ"
                names: application.catalog.competitions
                chosenName: page.isGto ? "" : page.competitionName
                onChosen: function (name) { page.choose(name, false) }
            }
            CompetitionList {
                id: gtoList
                objectName: "gtoList"
                width: parent.width
                height: (parent.height - refreshButton.height - 2 * parent.spacing) / 2
                title: "ГТО"
                names: application.catalog.competitionsGto
                chosenName: page.isGto ? page.competitionName : ""
                onChosen: function (name) { page.choose(name, true) }
            }
        }

        SummaryTable {
            id: table
            objectName: "competitionTable"
            anchors.left: lists.right
            anchors.leftMargin: 12
            anchors.right: parent.right
            anchors.top: parent.top
            anchors.bottom: printBar.top
            anchors.bottomMargin: 12
            model: page.sessions
            columns: page.isGto ? page.gtoColumns : page.competitionColumns
        }

        LoadFailure {
            objectName: "loadFailure"
            anchors.left: table.left
            anchors.right: table.right
            anchors.top: table.top
            visible: page.failed || application.catalog.listError.length > 0
            text: page.failed ? "Не удалось загрузить таблицу: база данных недоступна"
                              : application.catalog.listError
            onRetry: page.refresh()
        }

        BusyIndicator {
            objectName: "tableBusy"
            anchors.centerIn: table
            running: application.archive.busy
            visible: running
        }

        PrintBar {
            id: printBar
            objectName: "printBar"
            anchors.left: table.left
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            enabled: page.sessions !== null && !page.sessions.isEmpty()
            onPrintClicked: page.printProtocol()
            onPreviewClicked: page.previewProtocol()
        }
    }
}
