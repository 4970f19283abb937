import QtQuick
import QtQuick.Controls
import Kavro 1.0

// The archive of sessions by shooter: pick a shooter, then one of the
// shooter's sessions, which is shown on its target with its shots and can
// be replayed, printed or deleted.
Item {
    id: page

    // The session read from the storage, owned by the page.
    property var session: null
    // The session asked for, -1 for none.
    property int ticket: -1
    // The deletion of a session waited for, -1 for none.
    property int deletion: -1
    readonly property string sessionText: session ? " | " + session.name + " | " + dateText(session.dateTime)
                                                     + " | " + (session.targetDescriptor ? session.targetDescriptor.name : "") : ""
    property alias shooters: shooterBrowser
    property alias sessions: sessionBrowser
    property alias viewer: viewer
    property alias printBar: printBar
    property alias printout: printout

    objectName: "catalogPage"

    // A session's date and time as the interface's language writes them.
    function dateText(dateTime) {
        return dateTime.toLocaleString(Qt.locale(application.language), Locale.ShortFormat)
    }

    // Until the session arrives none is shown, so that nothing acts on the
    // one picked before.
    function loadSession(id) {
        session = null
        ticket = id > 0 ? application.archive.readSession(id) : -1
    }

    // Reads the shooters and the chosen shooter's sessions again: other PCs
    // may have added some since.
    function refresh() {
        application.catalog.refresh()
        sessionBrowser.reload()
        if (progressChart.visible)
            progressChart.refresh()
    }

    Component.onCompleted: application.catalog.refresh()

    // The list is read again once the deletion is answered; a refusal
    // shows its reason.
    function deleteSession() {
        if (session)
            deletion = application.catalog.deleteSession(session.uuid)
        session = null
    }

    Connections {
        target: application.catalog
        function onChangeDone(ticket, code, added, error) {
            if (ticket !== page.deletion)
                return
            page.deletion = -1
            sessionBrowser.reload()
        }
    }

    // The second header line of the printed session: target, distance, caliber, result.
    function sessionHeader() {
        if (!session)
            return ""
        //: Printed under the header of a session sheet: %1 target face, %2 distance (m), %3 caliber (mm), %4 score
        return qsTr("%1 | Дистанция %2 м | Калибр %3 мм | Результат %4")
            .arg(session.targetDescriptor ? session.targetDescriptor.name : "").arg(String(session.distance))
            .arg(String(session.caliber)).arg(session.result.toFixed(1))
    }

    // Hands the session, the list, the zoom and the headers to the printout;
    // without a typed header the shooter and the date head the page.
    function preparePrintout() {
        printout.setModel(sessionBrowser.sessions)
        printout.session = session
        printout.setZoom(viewer.target.zoom)
        var header = printBar.header.trim()
        printout.setHeader(header.length > 0 || !session ? header
                                                        : session.name + " | " + dateText(session.dateTime))
        printout.setHeader2(sessionHeader())
    }

    function printSession() {
        preparePrintout()
        printout.print(false)
    }

    function previewSession() {
        preparePrintout()
        printout.printPreview(false)
    }

    SessionPrintout { id: printout }

    Connections {
        target: application.archive
        function onSessionRead(ticket, session) {
            if (ticket === page.ticket)
                page.session = session
        }
    }

    PageTitle {
        id: title
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        anchors.margins: 12
        text: qsTr("Архив стрельб") + page.sessionText
    }

    Item {
        id: content
        anchors.top: title.bottom
        anchors.topMargin: 8
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        anchors.margins: 12

        readonly property real spacing: 12
        readonly property real rightX: shooterBrowser.width + spacing
        readonly property real rightWidth: width - rightX
        readonly property bool tableMode: sessionBrowser.tableMode
        // Sessions and target above the print bar.
        readonly property real upperHeight: printBar.y - spacing

        ShooterBrowser {
            id: shooterBrowser
            objectName: "shooterBrowser"
            width: Math.max(200, Math.min(300, content.width * 0.25))
            height: content.height
        }

        // Beside the target as a list; above it, across the page, as a table.
        SessionBrowser {
            id: sessionBrowser
            objectName: "sessionBrowser"
            x: content.rightX
            width: content.tableMode ? content.rightWidth : Math.max(200, Math.min(280, content.rightWidth * 0.3))
            height: content.tableMode ? content.upperHeight * 0.4 : content.upperHeight
            shooterId: shooterBrowser.shooterId
            shooterName: shooterBrowser.shooterName
            shooterOrganization: shooterBrowser.shooterOrganization
            shooterGroup: shooterBrowser.shooterGroup
            onSessionIdChanged: page.loadSession(sessionId)
            onDeleteRequested: deleteSessionDialog.open()
            onRefreshRequested: page.refresh()
        }

        SessionViewer {
            id: viewer
            objectName: "sessionViewer"
            x: content.tableMode ? content.rightX : sessionBrowser.x + sessionBrowser.width + content.spacing
            y: content.tableMode ? sessionBrowser.height + content.spacing : 0
            width: content.width - x
            height: content.upperHeight - y
            session: page.session
            visible: !sessionBrowser.progressMode
        }

        // The shooter's progress in place of the session, on demand.
        ProgressChart {
            id: progressChart
            objectName: "progressChart"
            x: viewer.x
            y: viewer.y
            width: viewer.width
            height: viewer.height
            visible: sessionBrowser.progressMode
            archive: application.archive
            targets: application.targetManager
            personId: visible ? shooterBrowser.shooterId : 0
            Label {
                anchors.centerIn: parent
                visible: !progressChart.loading && progressChart.sessionCount === 0
                text: progressChart.failed ? qsTr("Не удалось прочитать базу данных")
                                           : qsTr("У стрелка нет сессий")
            }
        }

        LoadFailure {
            objectName: "loadFailure"
            x: viewer.x
            y: viewer.y
            width: viewer.width
            visible: sessionBrowser.failed || application.catalog.listError.length > 0
            text: sessionBrowser.failed ? qsTr("Не удалось загрузить сессии: база данных недоступна")
                                        : application.catalog.listError
            onRetry: page.refresh()
        }

        BusyIndicator {
            objectName: "sessionBusy"
            anchors.centerIn: viewer
            running: application.archive.busy
            visible: running
        }

        PrintBar {
            id: printBar
            objectName: "printBar"
            x: content.rightX
            width: content.rightWidth
            y: content.height - height
            enabled: page.session !== null
            onPrintClicked: page.printSession()
            onPreviewClicked: page.previewSession()
        }
    }

    AreYouSureDialog {
        id: deleteSessionDialog
        objectName: "deleteSessionDialog"
        question: qsTr("Вы действительно хотите удалить сессию?")
        onAccepted: page.deleteSession()
    }
}
