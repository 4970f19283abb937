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
        { title: qsTr("Организация"), width: 150, value: function (row) { return row.shooterOrganization } },
        //: Table column: the shooter's group (class) within the organization
        { title: qsTr("Группа"), width: 90, value: function (row) { return row.shooterGroup } },
        //: Table column: the shooter's full name
        { title: qsTr("Ф.И.О."), width: 200, value: function (row) { return row.shooterName } },
        //: Table column: the score in whole points
        { title: qsTr("Результат"), width: 90, value: function (row) { return row.result } },
        //: Table column: the place in the competition's ranking
        { title: qsTr("Место"), width: 70, value: function (row) { return row.place } },
        //: Table column: the score with decimal ring values
        { title: qsTr("Результат \n(с дробными)"), width: 110, value: function (row) { return Number(row.resultReal || 0).toFixed(1) } },
        //: Table column: the place by the score with decimal ring values
        { title: qsTr("Место по \nрезультату \n(с дробными)"), width: 110, value: function (row) { return row.placeReal } }
    ]
    readonly property var gtoColumns: [
        { title: qsTr("Ф.И.О."), width: 185, value: function (row) { return row.shooterName } },
        //: Table column: the person's identification number in the fitness-norm register
        { title: qsTr("УИНН"), width: 105, value: function (row) { return row.gtoUuid } },
        { title: qsTr("Дата \nРождения"), width: 85, value: function (row) { return row.birthDate } },
        //: Table column: the person's sex (М or Ж as stored)
        { title: qsTr("Пол"), width: 40, value: function (row) { return row.sex } },
        //: Table column: where the person works or studies
        { title: qsTr("Основное место \nработы (учёбы)"), width: 125, value: function (row) { return row.shooterOrganization } },
        //: Table column: the age level of the fitness norm
        { title: qsTr("Ступень"), width: 65, value: function (row) { return row.step } },
        { title: qsTr("Результат"), width: 80, value: function (row) { return row.result } },
        //: Table column: the grade reached in the fitness norm (gold, silver, ...)
        { title: qsTr("Выполнение \nнорматива"), width: 90, value: function (row) { return qsTranslate("FitnessNorm", row.medal) } },
        //: Table column: the start number worn on the chest
        { title: qsTr("Нагрудный \nномер"), width: 80, value: function (row) { return row.pectoralNumber } },
        //: Table column: the person's sports rating
        { title: qsTr("Спортивный \nразряд"), width: 85, value: function (row) { return row.athleticRank } }
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
        text: qsTr("Архив соревнований") + (page.competitionName.length > 0 ? " | " + page.competitionName : "")
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
                text: qsTr("Обновить")
                enabled: !application.archive.busy
                onClicked: page.refresh()
            }
            CompetitionList {
                id: competitionList
                objectName: "competitionList"
                width: parent.width
                height: (parent.height - refreshButton.height - 2 * parent.spacing) / 2
                //: Heading of the list of competitions
                title: qsTr("СОРЕВНОВАНИЯ")
                names: application.catalog.competitions
                chosenName: page.isGto ? "" : page.competitionName
                onChosen: function (name) { page.choose(name, false) }
            }
            CompetitionList {
                id: gtoList
                objectName: "gtoList"
                width: parent.width
                height: (parent.height - refreshButton.height - 2 * parent.spacing) / 2
                //: Heading of the list of fitness-norm events
                title: qsTr("ГТО")
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
            text: page.failed ? qsTr("Не удалось загрузить таблицу: база данных недоступна")
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
