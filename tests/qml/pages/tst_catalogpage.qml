import QtQuick
import QtTest
import Kavro 1.0

PageTestCase {
    id: testCase
    name: "CatalogPage"
    source: "qrc:/qml/core/CatalogPage.qml"

    readonly property real morning: 1700000000000
    readonly property real evening: 1700030000000
    property var ivanov: 0
    property var petrov: 0
    property var kuznetsov: 0

    function dateText(ms) {
        return Qt.formatDateTime(new Date(ms), "dd.MM.yyyy hh:mm")
    }

    // Clicks the shooter's row; the pick takes effect a moment later.
    function pickShooter(id) {
        var list = child("shooterList")
        for (var i = 0; list.model.dataByRole(i, ShooterModel.IdRole) !== id; ++i)
            verify(i < list.count, "no row for shooter " + id)
        list.positionViewAtIndex(i, ListView.Contain)
        mouseClick(list.itemAtIndex(i))
        tryCompare(page.shooters, "shooterId", id)
        tryVerify(function () { return page.sessions.sessions !== null }) // read in the background
    }

    function pickSession(row) {
        var list = child("sessionList")
        tryVerify(function () { return list.itemAtIndex(row) !== null })
        mouseClick(list.itemAtIndex(row))
        tryVerify(function () { return page.session !== null && page.sessions.sessionId === page.sessions.pickedId })
    }

    function initTestCase() {
        verify(fixture.addSession({ name: "Иванов Иван", organization: "Школа 1", group: "5А", timer: morning,
                                    comments: "утро", shots: [Qt.point(0, 0), Qt.point(5, 5), Qt.point(-10, 2)] }) > 0)
        verify(fixture.addSession({ name: "Иванов Иван", organization: "Школа 1", group: "5А", timer: evening,
                                    comments: "вечер", shots: [Qt.point(1, 1), Qt.point(2, -2)] }) > 0)
        verify(fixture.addSession({ name: "Петров Пётр", organization: "Школа 2", group: "6Б", timer: morning,
                                    shots: [Qt.point(0, 3)] }) > 0)
        verify(fixture.addSession({ name: "Петров Пётр", organization: "Школа 2", group: "6Б", timer: evening,
                                    target: "{EE802967-C378-4ed8-B61A-609EC5061BBD}", shots: [Qt.point(4, 0)] }) > 0)
        var shooter = { name: "Кузнецов Кирилл", organization: "Школа 4", group: "8Г", timer: morning,
                        shots: [Qt.point(-2, 0), Qt.point(2, 0)] }
        verify(fixture.addSession(shooter) > 0)
        verify(fixture.addSession(Object.assign(shooter, { timer: evening, shots: [] })) > 0)
        kuznetsov = application.storage.lookupShooter("Кузнецов Кирилл", "Школа 4", "8Г")
        ivanov = application.storage.lookupShooter("Иванов Иван", "Школа 1", "5А")
        petrov = application.storage.lookupShooter("Петров Пётр", "Школа 2", "6Б")
        verify(ivanov > 0 && petrov > 0 && kuznetsov > 0)
    }

    function init() {
        application.setValue("catalog/shooterId", 0)
    }

    function test_storedShooterIsPickedAgain() {
        application.setValue("catalog/shooterId", ivanov)
        createPage()
        compare(page.shooters.shooterId, ivanov)
        tryVerify(function () { return page.sessions.sessions !== null }) // read in the background
        var list = child("sessionList")
        compare(list.itemAtIndex(0).text, dateText(morning) + "\n3 выстрелов. утро")
        compare(list.itemAtIndex(1).text, dateText(evening) + "\n2 выстрелов. вечер")

        child("searchField").text = "пЁТР" // any case, within names
        compare(child("shooterList").count, 1)
        pickShooter(petrov)
        compare(application.intValue("catalog/shooterId"), petrov)
        compare(list.count, 2)
        verify(page.session === null)
    }

    // The first shot is picked; its recording's shots show on the face.
    function test_sessionLoadsOntoItsTarget() {
        createPage()
        pickShooter(ivanov)
        pickSession(0)
        var session = page.session
        compare(session.comments, "утро")
        compare(child("pageTitle").text, "Архив стрельб | Иванов Иван | " + dateText(morning) + " | "
                + session.targetDescriptor.name)
        compare(child("target").descriptor, session.targetDescriptor)
        tryCompare(page.viewer, "selectedShot", session.shots[0])
        var marks = child("replayMarks")
        tryCompare(marks, "count", 3)
        for (var i = 0; i < 3; ++i)
            compare([marks.itemAt(i).center, marks.itemAt(i).myin], [session.shots[i].breach, String(i + 1)])
        verify(marks.itemAt(0).selected)
        // A title, the shots and the summaries of the series and the session.
        compare(child("shotList").rows.count(), 6)

        pickSession(1)
        compare(page.session.shots.length, 2)
        tryCompare(child("replayMarks"), "count", 2)
    }

    // The typed header heads the page; the second line tells the face, the
    // distance and the caliber.
    function test_sessionPrintsToPdf() {
        createPage()
        pickShooter(ivanov)
        pickSession(0)
        page.printBar.header = "Тренировка 5А"
        page.preparePrintout()
        compare(page.printout.session, page.session)
        var pdf = fixture.printToPdf(page.printout, false)
        compare(pdf.pages, 1)
        verify(pdf.text.indexOf("Page 1 Тренировка 5А") >= 0, pdf.text)
        verify(pdf.text.indexOf(page.session.targetDescriptor.name + " | Дистанция 10 м | Калибр 4.5 мм | Результат") >= 0,
               pdf.text)
    }

    // On a shooter of its own, so that the other tests keep their data.
    function test_deletingSessionsAndShooters() {
        var sidorov = { name: "Сидоров Сидор", organization: "Школа 3", group: "7В", shots: [Qt.point(1, 1)] }
        verify(fixture.addSession(sidorov) > 0)
        sidorov.timer = evening
        verify(fixture.addSession(sidorov) > 0)
        var id = application.storage.lookupShooter("Сидоров Сидор", "Школа 3", "7В")
        createPage()
        pickShooter(id)
        pickSession(1)
        mouseClick(child("deleteSessionButton"))
        var dialog = findChild(page, "deleteSessionDialog")
        tryCompare(dialog, "opened", true)
        mouseClick(child("okButton", dialog.footer))
        verify(page.session === null)
        tryCompare(child("sessionList"), "count", 1) // deleted and read again in the background

        mouseClick(child("deleteShooterButton"))
        dialog = findChild(page, "deleteShooterDialog")
        tryCompare(dialog, "opened", true)
        mouseClick(child("okButton", dialog.footer))
        compare(page.shooters.shooterId, 0)
        tryCompare(child("shooterList"), "count", 3)
        compare(application.catalog.lookupShooter("Сидоров Сидор", "Школа 3", "7В"), 0)
        verify(application.catalog.organizations.indexOf("Школа 3") < 0) // the lists follow
        compare(child("sessionList").count, 0)
    }

    // The text of each line of an analysis list, by label.
    function linesOf(name) {
        var lines = child(name)
        var texts = {}
        for (var i = 0; i < lines.count; ++i)
            texts[lines.itemAt(i).children[0].text] = lines.itemAt(i).children[1].text
        return texts
    }

    // The group of the shown session beside it and on its face; a session
    // without shots has none. (The values: tst_sessionanalysisview.)
    function test_analysisOfTheShownSession() {
        createPage()
        pickShooter(kuznetsov)
        pickSession(0)
        compare(linesOf("groupLines")["Средний радиус"], "2.0 мм")
        var target = child("target"), mark = child("groupMark")
        compare([mark.visible, mark.x, mark.y], [true, target.targetTx * target.targetScaleX, target.targetTy * target.targetScaleY])
        compare(child("meanRadiusCircle").width, 4 * target.targetScaleX)
        // The first shot is picked: its aiming is shown.
        tryCompare(page.viewer.analysis, "shotTitle", "Выстрел 1")
        compare(Object.keys(linesOf("shotLines")).length, 4)
        pickSession(1)
        compare(linesOf("groupLines")["Попаданий"], "0")
        verify(!mark.visible)
    }

    // The shooter's progress in place of the session: one chart per face,
    // a point per session; back to the session on the same button.
    function test_progressOfTheShooter() {
        createPage()
        pickShooter(ivanov)
        var chart = child("progressChart")
        verify(!chart.visible)
        mouseClick(child("progressModeButton"))
        verify(chart.visible && !child("sessionViewer").visible)
        tryCompare(chart, "loading", false)
        compare([chart.chartCount, chart.sessionCount], [1, 2])
        pickShooter(petrov) // a rifle and a pistol session
        tryCompare(chart, "sessionCount", 2)
        compare(chart.chartCount, 2)
        mouseClick(child("progressModeButton"))
        verify(!chart.visible && child("sessionViewer").visible)
    }
}
