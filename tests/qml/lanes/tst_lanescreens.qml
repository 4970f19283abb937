import QtQuick
import QtQuick.Controls
import QtTest
import Kavro 1.0

Item {
    id: root
    width: 640
    height: 720

    TestCase {
        id: testCase
        name: "LaneScreens"
        when: windowShown

        property var lane: null
        property var range: null

        // One lane on its own, in the given state; its screen is returned.
        function showLane(state) {
            application.maxRanges = 1
            range = application.ranges[0]
            var component = Qt.createComponent("qrc:/qml/core/RangeItem.qml")
            verify(component.status === Component.Ready, component.errorString())
            // Entering the settings gives the lane a new session.
            range.state = RangeData.SettingsState
            lane = createTemporaryObject(component, root, { range: range, width: 640, height: 720 })
            verify(lane !== null)
            if (state !== undefined)
                range.state = state
            return lane.screen
        }

        function child(name) {
            var item = findChild(lane.screen, name)
            verify(item !== null, name)
            return item
        }

        function addShooter(name, organization, group, step) {
            var session = application.ranges[0].session
            if (step !== undefined)
                session.setValue("step", step)
            session.setShooter(name, organization, group)
            verify(application.storage.lookupShooter(name, organization, group) !== 0, name)
        }

        function listedNames() {
            var list = child("shooterList")
            var names = []
            for (var i = 0; i < list.model.count(); ++i)
                names.push(list.model.dataByRole(i, ShooterModel.NameRole))
            return names
        }

        function initTestCase() {
            application.maxRanges = 1
            addShooter("Иванов Иван", "Школа 1", "5А")
            addShooter("Петров Пётр", "Школа 1", "6Б")
            addShooter("Сидоров Сидор", "Школа 2", "5А")
            addShooter("Абрамов Олег", "Школа 12", "Школа 12")
            addShooter("Быстров Павел", "Школа 1", "5А", 7)
            addShooter("Зайцев Захар", "Клуб Вымпел", "Юниоры")
        }

        function init() {
            application.shootingMode = RangeData.TrainingMode
            application.setValue("sound/shotAiming", 0)
            application.setValue("range0/currentOrg", 0)
            application.setValue("range0/currentOrgText", "")
            application.setValue("range0/currentGroupText", "")
        }

        function test_settingsScreenContinueStoresTheSettings() {
            application.setValue("range0/separateCalibrationTime", true)
            var screen = showLane()
            compare(range.state, RangeData.SettingsState)
            compare(child("titleText").text, "Параметры стрельбы")
            verify(!child("backButton").enabled)
            compare(child("backButton").text, "Назад")

            child("distanceBox").currentIndex = 2
            child("caliberBox").currentIndex = 3
            child("targetBox").currentIndex = 2
            child("trialShotsBox").value = 4
            child("scoredShotsBox").value = 7
            child("trialTimeBox").value = 15
            child("serieTimeBox").value = 90
            child("scaleBox").setRealValue(2.5)
            child("manualCorrectionButton").checked = true
            compare(child("targetSizeText").text, "Габариты бланка мишени: 250x250 мм")
            var continueButton = child("continueButton")
            compare(continueButton.text, "Продолжить")
            verify(continueButton.enabled)
            mouseClick(continueButton)

            compare(range.state, RangeData.SelectShooterState)
            compare(range.phase, RangeData.NoPhase)
            compare(application.realValue("range0/distance"), 25)
            compare(application.realValue("range0/caliber"), 7.62)
            compare(application.stringValue("range0/target"), "{4225AED6-4494-4c42-970C-0733074F462A}")
            compare(application.intValue("range0/targetIndex"), 2)
            compare(application.intValue("range0/calibrationShotsPerSerie"), 4)
            compare(application.intValue("range0/shotCountLimit"), 7)
            compare(application.boolValue("range0/withTimeLimits"), true)
            compare(application.boolValue("range0/separateCalibrationTime"), true)
            compare(application.intValue("range0/calibrationShotsTime"), 15)
            compare(application.intValue("range0/serieShotsTime"), 90)
            compare(application.realValue("range0/caliberVisualisationScale"), 2.5)
            compare(application.boolValue("range0/autoCorrection", true), false)
            compare(application.boolValue("range0/withCalibration", false), true)

            compare(range.session.distance, 25)
            compare(range.session.caliber, 7.62)
            compare(range.session.targetUuid, "{4225AED6-4494-4c42-970C-0733074F462A}")
            verify(!range.session.isGto)
            compare(range.shotCountLimit, 7)
            compare(range.calibrationShotsPerSerie, 4)
            verify(range.withTimeLimits)
            verify(!range.withJointTime)
            compare(range.shotsTime, 90)
            compare(range.calibrationShotsTime, 15)
            compare(range.caliberVisualisationScale, 2.5)

            // Back on the settings screen the stored values are shown again.
            range.state = RangeData.SettingsState
            compare(child("distanceBox").currentIndex, 2)
            compare(child("caliberBox").currentIndex, 3)
            compare(child("targetBox").currentIndex, 2)
            compare(child("trialShotsBox").value, 4)
            verify(child("manualCorrectionButton").checked)
        }

        function test_settingsScreenTakesAnyDistanceAndCaliber() {
            var screen = showLane()
            var distanceBox = child("distanceBox")
            verify(!child("customDistanceBox").visible)
            distanceBox.currentIndex = 5
            verify(child("customDistanceBox").visible)
            child("customDistanceBox").setRealValue(12.5)
            compare(child("customDistanceBox").displayText, "12.50 m")
            child("caliberBox").currentIndex = 5
            child("customCaliberBox").setRealValue(6.35)
            compare(child("customCaliberBox").displayText, "6.35 mm")
            mouseClick(child("continueButton"))
            compare(application.realValue("range0/distance"), 12.5)
            compare(application.realValue("range0/caliber"), 6.35)

            range.state = RangeData.SettingsState
            compare(child("distanceBox").currentIndex, 5)
            compare(child("customDistanceBox").realValue, 12.5)
            compare(child("caliberBox").currentIndex, 5)
            compare(child("customCaliberBox").realValue, 6.35)
        }

        function test_settingsScreenInFitnessNormMode() {
            application.shootingMode = RangeData.GTOMode
            application.competitionName = "Весенний зачет"
            application.setValue("range0/targetIndex", 3)
            application.setValue("range0/shotCountLimit", 12)
            var screen = showLane()
            compare(child("distanceBox").currentIndex, 1)
            compare(child("caliberBox").currentIndex, 0)
            compare(child("targetBox").currentIndex, 0)
            verify(!child("targetBox").enabled)
            compare(child("scoredShotsBox").value, 5)
            compare(child("trialShotsBox").value, 3)
            compare(child("jointTimeBox").value, 600)
            verify(child("jointTimeButton").checked)
            verify(child("timeLimitsBox").checked)
            verify(child("manualCorrectionButton").checked)
            compare(child("scaleBox").realValue, 1.0)

            mouseClick(child("continueButton"))
            compare(range.state, RangeData.SelectShooterState)
            verify(range.session.isGto)
            compare(range.session.competitionName, "Весенний зачет")
            compare(range.session.distance, 10)
            verify(range.withJointTime)
            compare(range.jointTime, 600)
            compare(application.intValue("range0/jointTime"), 600)
            compare(application.boolValue("range0/separateCalibrationTime", true), false)
            compare(application.intValue("range0/shotCountLimit"), 5)
            compare(application.intValue("range0/targetIndex"), 0)
        }

        function test_firstRoundAlwaysCalibrates() {
            application.setValue("range0/withCalibration", false)
            var screen = showLane()
            verify(range.firstRound)
            verify(child("withCalibrationButton").checked)
            verify(!child("withoutCalibrationButton").enabled)
        }

        function test_shooterListFilters() {
            var screen = showLane(RangeData.SelectShooterState)
            compare(child("titleText").text, "Выберите пользователя")
            compare(child("searchField").placeholderText, "Поиск по имени...")
            var organizations = child("organizationBox")
            var groups = child("groupBox")
            compare(organizations.currentIndex, 0)
            // The fitness-norm shooter is not listed for a training session.
            var all = listedNames()
            verify(all.indexOf("Иванов Иван") >= 0 && all.indexOf("Сидоров Сидор") >= 0
                   && all.indexOf("Абрамов Олег") >= 0, all)
            verify(all.indexOf("Быстров Павел") < 0, all)

            organizations.currentIndex = organizations.find("Школа 1")
            compare(groups.model, ["[Все группы]", "5А", "6Б"])
            // "Школа 12" is another organization, not a match of "Школа 1".
            compare(listedNames(), ["Иванов Иван", "Петров Пётр"])

            groups.currentIndex = groups.find("6Б")
            compare(listedNames(), ["Петров Пётр"])

            groups.currentIndex = 0
            child("searchField").text = "ИВ"
            compare(listedNames(), ["Иванов Иван"])

            child("searchField").text = ""
            organizations.currentIndex = organizations.find("Школа 2")
            compare(groups.model, ["[Все группы]", "5А"])
            compare(listedNames(), ["Сидоров Сидор"])

            range.session.isGto = true
            organizations.currentIndex = 0
            verify(listedNames().indexOf("Быстров Павел") >= 0)
            verify(listedNames().indexOf("Иванов Иван") < 0)
        }

        function test_shooterRows() {
            var screen = showLane(RangeData.SelectShooterState)
            compare(screen.rowText("Абрамов Олег", "Школа 12", "Школа 12"), "Абрамов Олег (Школа 12)")
            compare(screen.rowText("Иванов Иван", "Школа 1", "5А"), "Иванов Иван (Школа 1, 5А)")
            compare(screen.rowText("Кто-то", "Клуб", ""), "Кто-то (Клуб)")
        }

        function test_shooterContinue() {
            application.setValue("range0/withCalibration", true)
            application.setValue("range0/caliber", 4.5)
            application.setValue("range0/distance", 10)
            application.setValue("range0/calibrationShotsPerSerie", 2)
            application.setValue("range0/shotCountLimit", 10)
            var screen = showLane(RangeData.SelectShooterState)
            verify(!child("continueButton").enabled)
            verify(!child("deleteButton").enabled)
            screen.select(application.storage.lookupShooter("Петров Пётр", "Школа 1", "6Б"),
                          "Петров Пётр", "Школа 1", "6Б")
            verify(child("continueButton").enabled)
            var session = range.session
            mouseClick(child("continueButton"))
            compare(range.state, RangeData.CalibrationState)
            compare(session.name, "Петров Пётр")
            compare(session.group, "6Б")
            compare(session.caliber, 4.5)
            compare(session.distance, 10)
            compare(range.phase, RangeData.BeginningPhase)
            compare(range.calibrationShotsPerSerie, 2)
            compare(range.shotCountLimit, 10)
            compare(range.shootingMode, RangeData.TrainingMode)
            verify(range.withCalibration)
            compare(application.intValue("range0/step", -1), 0)
        }

        function test_shooterContinueWithoutCalibrationReusesTheOffset() {
            application.setValue("range0/withCalibration", false)
            var screen = showLane(RangeData.SelectShooterState)
            range.storedOffset = Qt.point(120, 80)
            screen.select(application.storage.lookupShooter("Иванов Иван", "Школа 1", "5А"),
                          "Иванов Иван", "Школа 1", "5А")
            mouseClick(child("continueButton"))
            compare(range.state, RangeData.ShootingState)
            compare(range.calibrationOffset, Qt.point(120, 80))
            compare(child("finishedText").visible, false)
        }

        function test_createShooterKeepsTheFilter() {
            var screen = showLane(RangeData.SelectShooterState)
            var organizations = child("organizationBox")
            organizations.currentIndex = organizations.find("Школа 1")
            child("groupBox").currentIndex = child("groupBox").find("5А")
            mouseClick(child("createButton"))
            compare(range.state, RangeData.AddShooterState)
            compare(application.intValue("range0/currentOrg"), organizations.find("Школа 1"))
            compare(application.stringValue("range0/currentOrgText"), "Школа 1")
            compare(application.stringValue("range0/currentGroupText"), "5А")
            compare(child("organizationField").text, "Школа 1")
            compare(child("groupField").text, "5А")

            // Back on the list the same organization and group are chosen.
            mouseClick(child("cancelButton"))
            compare(range.state, RangeData.SelectShooterState)
            compare(child("organizationBox").currentText, "Школа 1")
            compare(child("groupBox").currentText, "5А")
        }

        function test_deleteShooterAsksFirst() {
            addShooter("Удаляемый Шурик", "Клуб", "")
            var screen = showLane(RangeData.SelectShooterState)
            screen.select(application.storage.lookupShooter("Удаляемый Шурик", "Клуб", ""),
                          "Удаляемый Шурик", "Клуб", "")
            mouseClick(child("deleteButton"))
            var dialog = child("deleteDialog")
            tryCompare(dialog, "opened", true)
            compare(dialog.title, "Вы уверены?")
            mouseClick(findChild(dialog.footer, "cancelButton"))
            tryCompare(dialog, "visible", false)
            verify(application.storage.lookupShooter("Удаляемый Шурик", "Клуб", "") !== 0)

            mouseClick(child("deleteButton"))
            tryCompare(dialog, "opened", true)
            compare(findChild(dialog.footer, "okButton").text, "Ok")
            mouseClick(findChild(dialog.footer, "okButton"))
            tryCompare(dialog, "visible", false)
            compare(application.storage.lookupShooter("Удаляемый Шурик", "Клуб", ""), 0)
            verify(screen.selected === null)
            verify(listedNames().indexOf("Удаляемый Шурик") < 0)
        }

        function test_addShooterWarnsAboutAnExistingShooter() {
            application.setValue("range0/currentOrgText", "Клуб Вымпел")
            application.setValue("range0/currentGroupText", "Юниоры")
            var screen = showLane(RangeData.AddShooterState)
            compare(child("titleText").text, "Новый пользователь")
            var warning = child("existsText")
            verify(!warning.visible)
            child("nameField").text = "Зайцев Захар"
            verify(warning.visible)
            compare(warning.text, "Такой пользователь уже существует")
            child("groupField").text = "Ветераны"
            verify(!warning.visible)
            child("nameField").text = "Новиков Николай"
            verify(!warning.visible)

            mouseClick(child("continueButton"))
            compare(range.state, RangeData.SelectShooterState)
            verify(application.storage.lookupShooter("Новиков Николай", "Клуб Вымпел", "Ветераны") !== 0)
            // The new shooter is chosen on the list.
            compare(lane.screen.selected.name, "Новиков Николай")
        }

        function test_addShooterCancel() {
            var screen = showLane(RangeData.AddShooterState)
            child("nameField").text = "Отмененный"
            mouseClick(child("cancelButton"))
            compare(range.state, RangeData.SelectShooterState)
            compare(application.storage.lookupShooter("Отмененный", "", ""), 0)
        }

        function test_addFitnessNormShooter() {
            var screen = showLane(RangeData.SelectShooterState)
            range.session.isGto = true
            range.state = RangeData.AddShooterState
            verify(child("birthDateField").visible)
            verify(!child("groupField").visible)
            child("organizationField").text = "Завод"
            child("nameField").text = "Григорьев Глеб"
            // An unreadable birth date is age 0: red frame, no confirmation.
            compare(lane.screen.age, 0)
            compare(child("birthDateField").background.border.color, Qt.color("red"))
            verify(!child("continueButton").enabled)

            var today = new Date()
            var birthYear = today.getFullYear() - 30
            child("birthDateField").text = "01.01." + birthYear
            compare(lane.screen.age, 30)
            compare(child("stepText").text, "10")
            verify(child("continueButton").enabled)
            child("uinnField").text = "123456789012345"
            compare(child("uinnField").text, "12345678901")
            child("sexBox").currentIndex = 1
            child("pectoralNumberField").text = "17"
            mouseClick(child("continueButton"))

            compare(range.state, RangeData.SelectShooterState)
            compare(range.session.name, "Григорьев Глеб")
            compare(range.session.group, "Завод")
            compare(range.session.step, 10)
            verify(!range.session.sex)
        }

        function test_calibration() {
            var screen = showLane(RangeData.CalibrationState)
            compare(child("titleText").text, "Калибровка")
            var circle = child("calibrationCircle")
            compare(circle.color, Qt.color("#3A4A5C"))
            verify(!child("continueButton").enabled)
            verify(!child("aimingPoint").visible)
            compare(child("microphoneSlider").value, range.microphoneThreshold)
            compare(child("microphoneSlider").from, 1)
            compare(child("microphoneSlider").to, 512)

            // The first shot lies off the target: the mean is outside.
            range.calibrationShot(Qt.point(100, 0), Qt.point(300, 200), 0.2)
            compare(screen.shots.count, 1)
            compare(circle.color, Qt.color("#3A4A5C"))
            verify(child("continueButton").enabled)

            // The second brings the mean onto the target, which completes it.
            range.calibrationShot(Qt.point(-40, 10), Qt.point(320, 240), 0.0)
            compare(screen.shots.count, 2)
            compare(screen.meanPoint, Qt.point(30, 5))
            compare(circle.color, Qt.color("#2E9E4F"))
            range.calibrationShot(Qt.point(0, 0), Qt.point(0, 0), 1.0)
            compare(screen.shots.count, 2)

            mouseClick(child("continueButton"))
            compare(range.state, RangeData.ShootingState)
            compare(range.calibrationOffset, Qt.point(310, 220))
            compare(range.storedOffset, Qt.point(310, 220))
            fuzzyCompare(range.calibrationAngle, 0.1, 1e-12)
        }

        function test_calibrationClearAndBack() {
            var screen = showLane(RangeData.CalibrationState)
            range.calibrationShot(Qt.point(10, 0), Qt.point(300, 200), 0.0)
            compare(screen.shots.count, 1)
            // Complete: further shots are ignored until the list is cleared.
            range.calibrationShot(Qt.point(500, 0), Qt.point(300, 200), 0.0)
            compare(screen.shots.count, 1)
            mouseClick(child("clearButton"))
            compare(screen.shots.count, 0)
            verify(!child("continueButton").enabled)
            range.calibrationShot(Qt.point(500, 0), Qt.point(300, 200), 0.0)
            compare(screen.shots.count, 1)
            mouseClick(child("backButton"))
            compare(range.state, RangeData.SelectShooterState)
        }

        function test_calibrationMicrophoneControls() {
            var screen = showLane(RangeData.CalibrationState)
            var box = child("ultraSensitiveBox")
            compare(box.text, "Сверхчувствительный режим")
            mouseClick(box)
            verify(range.ultraSensitiveTriggerMode)
            mouseClick(box)
            verify(!range.ultraSensitiveTriggerMode)
            range.microphoneThreshold = 200
            compare(child("microphoneSlider").value, 200)
        }
    }
}
