import QtQuick
import QtQuick.Controls
import QtTest
import Kavro 1.0
import "qrc:/qml/core"

Item {
    id: root
    width: 1280
    height: 740

    TestCase {
        id: testCase
        name: "CatalogPage"
        when: windowShown

        readonly property real morning: 1700000000000
        readonly property real evening: 1700030000000
        property var page: null
        property var ivanov: 0
        property var petrov: 0

        function createPage() {
            var component = Qt.createComponent("qrc:/qml/core/CatalogPage.qml")
            verify(component.status === Component.Ready, component.errorString())
            page = createTemporaryObject(component, root, { width: root.width, height: root.height })
            verify(page !== null)
            waitForRendering(page)
            return page
        }

        function child(name, parent) {
            var item = findChild(parent === undefined ? page : parent, name)
            verify(item !== null, name)
            return item
        }

        function dateText(ms) {
            return Qt.formatDateTime(new Date(ms), "dd.MM.yyyy hh:mm")
        }

        // Clicks the shooter's row; the pick takes effect a moment later.
        function pickShooter(id) {
            var list = child("shooterList")
            for (var i = 0; i < list.count; ++i) {
                list.positionViewAtIndex(i, ListView.Contain)
                var row = list.itemAtIndex(i)
                if (list.model.dataByRole(i, ShooterModel.IdRole) === id) {
                    mouseClick(row)
                    tryCompare(page.shooters, "shooterId", id)
                    return
                }
            }
            fail("no row for shooter " + id)
        }

        function pickSession(row) {
            var list = child("sessionList")
            tryVerify(function () { return list.itemAtIndex(row) !== null })
            mouseClick(list.itemAtIndex(row))
            tryVerify(function () { return page.session !== null && page.sessions.sessionId === page.sessions.pickedId })
        }

        function initTestCase() {
            application.setValue("sound/shotReplay", 0)
            verify(fixture.addSession({ name: "Иванов Иван", organization: "Школа 1", group: "5А", timer: morning,
                                        comments: "утро", shots: [Qt.point(0, 0), Qt.point(5, 5), Qt.point(-10, 2)] }) > 0)
            verify(fixture.addSession({ name: "Иванов Иван", organization: "Школа 1", group: "5А", timer: evening,
                                        comments: "вечер", shots: [Qt.point(1, 1), Qt.point(2, -2)] }) > 0)
            verify(fixture.addSession({ name: "Петров Пётр", organization: "Школа 2", group: "6Б", timer: morning,
                                        shots: [Qt.point(0, 3)] }) > 0)
            ivanov = application.storage.lookupShooter("Иванов Иван", "Школа 1", "5А")
            petrov = application.storage.lookupShooter("Петров Пётр", "Школа 2", "6Б")
            verify(ivanov > 0 && petrov > 0)
        }

        function init() {
            application.setValue("catalog/shooterId", 0)
        }

        function test_storedShooterIsPickedAgain() {
            application.setValue("catalog/shooterId", ivanov)
            createPage()
            compare(page.shooters.shooterId, ivanov)
            var list = child("sessionList")
            compare(list.count, 2)
            compare(list.itemAtIndex(0).text, dateText(morning) + "\n3 выстрелов. утро")
            compare(list.itemAtIndex(1).text, dateText(evening) + "\n2 выстрелов. вечер")

            pickShooter(petrov)
            compare(application.intValue("catalog/shooterId"), petrov)
            compare(list.count, 1)
            verify(page.session === null)
        }

        function test_filtersNarrowTheShooters() {
            createPage()
            var list = child("shooterList")
            compare(list.count, 2)
            compare(child("searchField").placeholderText, "Поиск по имени...")
            child("searchField").text = "ПЁТР"
            compare(list.count, 1)
            compare(list.model.dataByRole(0, ShooterModel.IdRole), petrov)
            child("searchField").text = "ов "
            compare(list.count, 2)
            child("searchField").text = "сидор"
            compare(list.count, 0)
            child("searchField").text = "пЕТРОВ"
            compare(list.count, 1)
            compare(list.model.dataByRole(0, ShooterModel.IdRole), petrov)
            child("searchField").text = ""
            var organizations = child("organizationBox")
            organizations.currentIndex = organizations.find("Школа 1")
            compare(list.count, 1)
            compare(list.model.dataByRole(0, ShooterModel.IdRole), ivanov)
        }

        function test_sessionLoadsOntoItsTarget() {
            createPage()
            compare(child("pageTitle").text, "Архив стрельб")
            pickShooter(ivanov)
            pickSession(0)
            var session = page.session
            compare(session.shots.length, 3)
            compare(session.name, "Иванов Иван")
            compare(child("pageTitle").text, "Архив стрельб | Иванов Иван | " + dateText(morning) + " | "
                    + session.targetDescriptor.name)
            var target = child("target")
            verify(target.visible)
            compare(target.descriptor, session.targetDescriptor)
            // The first shot is picked; its recording's shots follow the replay cursor.
            tryCompare(page.viewer, "selectedShot", session.shots[0])
            var marks = child("replayMarks")
            tryCompare(marks, "count", 3)
            for (var i = 0; i < 3; ++i) {
                compare(marks.itemAt(i).center, session.shots[i].breach)
                compare(marks.itemAt(i).myin, String(i + 1))
                tryCompare(marks.itemAt(i), "opacity", 1)
            }
            verify(marks.itemAt(0).selected)
            verify(Math.abs(session.shots[0].breach.x) < 0.01 && Math.abs(session.shots[0].breach.y) < 0.01)
            var shots = child("shotList")
            compare(shots.session, session)

            // Another session replaces it.
            pickSession(1)
            compare(page.session.shots.length, 2)
            tryCompare(child("replayMarks"), "count", 2)
        }

        function test_replayDropsTheShotsIn() {
            createPage()
            pickShooter(ivanov)
            pickSession(0)
            var marks = child("replayMarks")
            tryCompare(marks, "count", 3)
            var selection = page.viewer.selection
            selection.position = selection.startPosition
            for (var i = 0; i < 3; ++i)
                tryCompare(marks.itemAt(i), "opacity", 0)
            var bar = child("replayBar")
            bar.speed = 200
            bar.start()
            verify(bar.replaying)
            // The first shot lands about half a second in, from a hundredfold size.
            tryVerify(function () { return marks.itemAt(0).shown }, 3000)
            verify(marks.itemAt(0).scale > 10)
            tryCompare(marks.itemAt(0), "scale", 1, 1000)
            compare(marks.itemAt(0).opacity, 1)
            tryVerify(function () { return !bar.replaying }, 5000)
            for (i = 0; i < 3; ++i)
                tryCompare(marks.itemAt(i), "opacity", 1)
        }

        function test_tableShowsTheShooter() {
            createPage()
            pickShooter(ivanov)
            mouseClick(child("tableModeButton"))
            var table = child("sessionTable")
            verify(table.visible)
            verify(!child("sessionList").visible)
            compare(table.columns.map(function (column) { return column.title }),
                    ["Номер", "Организация", "Группа", "ФИО", "Результат", "Оценка (ГТО)", "Ступень (ГТО)", "Место",
                     "Название соревнования"])
            tryVerify(function () { return table.rowTexts(1).length > 0 })
            var texts = table.rowTexts(1)
            compare(texts[0], "2")
            compare(texts[1], "Школа 1")
            compare(texts[2], "5А")
            compare(texts[3], "Иванов Иван")
            // A click in the table loads that session.
            waitForRendering(table)
            mouseClick(table.view.itemAtIndex(1))
            compare(table.currentIndex, 1)
            tryVerify(function () { return page.session !== null && page.session.comments === "вечер" }, 5000,
                      "the table's second row loads the evening session, not "
                      + (page.session ? page.session.comments : "none"))
            // The target stays in view under the table.
            verify(child("target").visible)
            verify(page.viewer.y >= table.y + table.height)
        }

        function test_sessionPrintsToPdf() {
            createPage()
            pickShooter(ivanov)
            pickSession(0)
            page.viewer.target.zoom = 2
            page.printBar.header = "Тренировка 5А"
            page.preparePrintout()
            compare(page.printout.session, page.session)
            var pdf = fixture.path("session.pdf")
            verify(fixture.printToPdf(page.printout, pdf, false))
            compare(fixture.pdfPages(pdf), 1)
            var text = fixture.pdfText(pdf)
            verify(text.indexOf("Page 1 Тренировка 5А") >= 0, text)
            verify(text.indexOf(page.session.targetDescriptor.name + " | Дистанция 10 м | Калибр 4.5 мм | Результат") >= 0, text)

            // Without a typed header the shooter and the date head the page.
            page.printBar.header = ""
            page.preparePrintout()
            pdf = fixture.path("session2.pdf")
            verify(fixture.printToPdf(page.printout, pdf, false))
            text = fixture.pdfText(pdf)
            verify(text.indexOf("Page 1 Иванов Иван | " + dateText(morning)) >= 0, text)
        }

        // Last: it deletes data the other tests use.
        function test_zzDeletingSessionsAndShooters() {
            createPage()
            pickShooter(ivanov)
            pickSession(1)
            mouseClick(child("deleteSessionButton"))
            var dialog = findChild(page, "deleteSessionDialog")
            tryCompare(dialog, "opened", true)
            compare(dialog.goal, "сессию")
            mouseClick(child("okButton", dialog.footer))
            verify(page.session === null)
            compare(child("sessionList").count, 1)
            compare(application.storage.sessions(ivanov).rowCount(), 1)

            pickShooter(petrov)
            mouseClick(child("deleteShooterButton"))
            dialog = findChild(page, "deleteShooterDialog")
            tryCompare(dialog, "opened", true)
            mouseClick(child("cancelButton", dialog.footer))
            compare(application.storage.lookupShooter("Петров Пётр", "Школа 2", "6Б"), petrov)
            mouseClick(child("deleteShooterButton"))
            tryCompare(dialog, "opened", true)
            mouseClick(child("okButton", dialog.footer))
            compare(application.storage.lookupShooter("Петров Пётр", "Школа 2", "6Б"), 0)
            compare(page.shooters.shooterId, 0)
            compare(child("shooterList").count, 1)
            compare(child("sessionList").count, 0)
        }
    }
}
