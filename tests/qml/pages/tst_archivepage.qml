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
        name: "ArchivePage"
        when: windowShown

        property var page: null

        function createPage() {
            var component = Qt.createComponent("qrc:/qml/core/ArchivePage.qml")
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

        function choose(listName, name) {
            var list = child(listName).list
            for (var i = 0; i < list.count; ++i) {
                if (list.itemAtIndex(i).text === name) {
                    mouseClick(list.itemAtIndex(i))
                    return
                }
            }
            fail("no competition " + name)
        }

        // The texts of the table, row by row, keyed by the shooter's name.
        function tableByName(nameColumn) {
            var table = child("competitionTable")
            var rows = {}
            tryVerify(function () { return table.view.count === 0 || table.rowTexts(table.view.count - 1).length > 0 })
            for (var i = 0; i < table.view.count; ++i) {
                var texts = table.rowTexts(i)
                rows[texts[nameColumn]] = texts
            }
            return rows
        }

        function initTestCase() {
            var centre = [Qt.point(0.5, 0), Qt.point(0, 0.5)]
            var near = [Qt.point(0.5, 0), Qt.point(4, 0)]
            var wide = [Qt.point(12, 0), Qt.point(0, 9)]
            var sessions = [
                { name: "Антонов Антон", organization: "Клуб 1", group: "Юниоры", competition: "Кубок", shots: centre },
                { name: "Борисов Борис", organization: "Клуб 1", group: "Юниоры", competition: "Кубок", shots: near },
                { name: "Васильев Василий", organization: "Клуб 2", group: "Взрослые", competition: "Кубок", shots: near },
                { name: "Григорьев Григорий", organization: "Клуб 2", group: "Взрослые", competition: "Кубок", shots: wide },
                { name: "Антонов Антон", organization: "Клуб 1", group: "Юниоры", competition: "Открытие сезона", shots: wide },
                { name: "Данилов Данила", organization: "Школа 3", group: "10А", competition: "ГТО-2024", gto: true,
                  shots: centre, step: "5", sex: "М", birthDate: "12.03.2008", gtoUuid: "24-77-0000011", pectoralNumber: "17",
                  athleticRank: "II" }
            ]
            for (var i = 0; i < sessions.length; ++i) {
                sessions[i].timer = 1700000000000 + i * 600000
                verify(fixture.addSession(sessions[i]) > 0, sessions[i].name)
            }
        }

        function test_competitionTableShowsPlacesWithTies() {
            createPage()
            compare(child("competitionList").title, "СОРЕВНОВАНИЯ")
            compare(child("gtoList").title, "ГТО")
            compare(child("competitionList").list.count, 2)
            compare(child("gtoList").list.count, 1)
            choose("competitionList", "Кубок")
            compare(page.competitionName, "Кубок")
            verify(!page.isGto)
            var table = child("competitionTable")
            compare(table.columns.map(function (column) { return column.title }),
                    ["Организация", "Группа", "Ф.И.О.", "Результат", "Место", "Результат \n(с дробными)",
                     "Место по \nрезультату \n(с дробными)"])
            compare(table.view.count, 4)
            var rows = tableByName(2)
            compare(rows["Антонов Антон"][4], "1")
            compare(rows["Борисов Борис"][4], "2 - 3")
            compare(rows["Васильев Василий"][4], "2 - 3")
            compare(rows["Григорьев Григорий"][4], "4")
            compare(rows["Борисов Борис"][6], "2 - 3")
            compare(rows["Антонов Антон"][5], "21.6")
            compare(rows["Антонов Антон"][3], "20")
            compare(rows["Васильев Василий"][0], "Клуб 2")
            compare(rows["Васильев Василий"][1], "Взрослые")
            compare(child("pageTitle").text, "Архив соревнований | Кубок")
        }

        function test_fitnessNormTable() {
            createPage()
            choose("gtoList", "ГТО-2024")
            verify(page.isGto)
            var table = child("competitionTable")
            compare(table.columns.map(function (column) { return column.title }),
                    ["Ф.И.О.", "УИНН", "Дата \nРождения", "Пол", "Основное место \nработы (учёбы)", "Ступень",
                     "Результат", "Выполнение \nнорматива", "Нагрудный \nномер", "Спортивный \nразряд"])
            compare(table.view.count, 1)
            compare(tableByName(0)["Данилов Данила"],
                    ["Данилов Данила", "24-77-0000011", "12.03.2008", "М", "Школа 3", "5", "20", "Золото", "17", "II"])
            // Choosing a competition again switches the columns back.
            choose("competitionList", "Открытие сезона")
            compare(table.columns.length, 7)
            compare(table.view.count, 1)
        }

        function test_protocolPrintsToPdf() {
            createPage()
            choose("competitionList", "Кубок")
            page.printBar.header = "Кубок клуба"
            page.preparePrintout()
            compare(page.printout.model, page.sessions)
            verify(!page.printout.isGto)
            var fractions = child("competitionTable").widthFractions()
            compare(fractions.length, 7)
            fuzzyCompare(fractions.reduce(function (sum, share) { return sum + share }, 0), 1, 1e-9)
            var pdf = fixture.path("protocol.pdf")
            verify(fixture.printToPdf(page.printout, pdf, true))
            var text = fixture.pdfText(pdf)
            // The text tool squeezes runs of blanks.
            verify(/Page 1\s+Кубок клуба/.test(text), text)
            verify(/Васильев Василий\s+\S+\s+2\s*-\s*3/.test(text), text)

            choose("gtoList", "ГТО-2024")
            page.preparePrintout()
            verify(page.printout.isGto)
            pdf = fixture.path("protocol-gto.pdf")
            verify(fixture.printToPdf(page.printout, pdf, true))
            text = fixture.pdfText(pdf)
            verify(/Данилов Данила.*Золото/.test(text), text)
        }
    }
}
