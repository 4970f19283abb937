import QtQuick
import QtTest
import Kavro 1.0

PageTestCase {
    id: testCase
    name: "ArchivePage"
    source: "qrc:/qml/core/ArchivePage.qml"

    function choose(listName, name) {
        var list = child(listName).list
        for (var i = 0; list.itemAtIndex(i).text !== name; ++i)
            verify(i + 1 < list.count, "no competition " + name)
        mouseClick(list.itemAtIndex(i))
        tryVerify(function () { return page.sessions !== null }) // read in the background
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
        // Written on another connection: the lists are read in the background.
        application.catalog.refresh()
        tryCompare(application.catalog, "busy", false)
    }

    // Competitions and fitness-norm events are listed apart; the table
    // shows the chosen competition's sessions with their places.
    function test_competitionTable() {
        createPage()
        compare(child("competitionList").list.count, 2)
        compare(child("gtoList").list.count, 1)
        choose("competitionList", "Кубок")
        compare(page.competitionName, "Кубок")
        verify(!page.isGto)
        compare(child("competitionTable").view.count, 3)
        var rows = tableByName(2)
        compare(rows["Антонов Антон"], ["Клуб 1", "Юниоры", "Антонов Антон", "20", "1", "21.6", "1"])
        compare(rows["Григорьев Григорий"][4], "3")
        compare(child("pageTitle").text, "Архив соревнований | Кубок")
    }

    // Fitness norms have columns of their own.
    function test_fitnessNormTable() {
        createPage()
        choose("gtoList", "ГТО-2024")
        verify(page.isGto)
        var table = child("competitionTable")
        compare(table.view.count, 1)
        compare(tableByName(0)["Данилов Данила"],
                ["Данилов Данила", "24-77-0000011", "12.03.2008", "М", "Школа 3", "5", "20", "Золото", "17", "II"])
    }
}
