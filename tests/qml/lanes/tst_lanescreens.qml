import QtQuick
import QtQuick.Controls
import QtTest
import Kavro 1.0

TestCase {
    id: testCase
    name: "LaneScreens"
    width: 640
    height: 720
    when: windowShown
    visible: true // a test case hides itself, and with it the lanes

    property var lane: null
    property var range: null

    // One lane on its own, in the given state; its screen is returned.
    // Entering the settings gives the lane a new session.
    function showLane(state) {
        range = application.ranges[0]
        range.state = RangeData.SettingsState
        var component = Qt.createComponent("qrc:/qml/core/RangeItem.qml")
        lane = createTemporaryObject(component, testCase, { range: range, width: 640, height: 720 })
        verify(lane !== null, component.errorString())
        if (state !== undefined)
            range.state = state
        return lane.screen
    }

    function child(name) {
        var item = findChild(lane.screen, name)
        verify(item !== null, name)
        return item
    }

    function shooter(name, organization, group) {
        return application.catalog.lookupShooter(name, organization, group)
    }

    function addShooter(name, organization, group, step) {
        var session = application.ranges[0].session
        if (step !== undefined)
            session.setValue("step", step)
        session.setShooter(name, organization, group)
        // Added by the catalogue's worker while the lane goes on.
        tryVerify(function() { return shooter(name, organization, group) !== 0 }, 5000, name)
    }

    function listedNames() {
        var model = child("shooterList").model
        var names = []
        for (var i = 0; i < model.count(); ++i)
            names.push(model.dataByRole(i, ShooterModel.NameRole))
        return names
    }

    function initTestCase() {
        application.maxRanges = 1
        addShooter("Иванов Иван", "Школа 1", "5А")
        addShooter("Петров Пётр", "Школа 1", "6Б")
        addShooter("Сидоров Сидор", "Школа 2", "5А")
        addShooter("Абрамов Олег", "Школа 12", "Школа 12")
        addShooter("Быстров Павел", "Школа 1", "5А", 7) // fitness norms
    }

    function init() {
        // Shooters added by an earlier test are in the list before this one.
        tryCompare(application.catalog, "busy", false)
        application.shootingMode = RangeData.TrainingMode
        application.setValue("range0/currentOrg", 0)
        application.setValue("range0/currentOrgText", "")
        application.setValue("range0/currentGroupText", "")
    }

    // "Продолжить" hands the settings to the lane and its session and
    // moves on.
    // The last entry of the distance and caliber boxes takes any value.
    function test_settingsScreenContinue_data() {
        return [{ tag: "presets", box: 2, caliberBox: 3, distance: 25, caliber: 7.62 },
                { tag: "typed", box: 5, caliberBox: 5, distance: 12.5, caliber: 6.35 }]
    }

    function test_settingsScreenContinue(data) {
        application.setValue("range0/separateCalibrationTime", true)
        showLane()
        verify(!child("customDistanceBox").visible)
        child("distanceBox").currentIndex = data.box
        child("caliberBox").currentIndex = data.caliberBox
        if (data.box === 5) {
            child("customDistanceBox").setRealValue(data.distance)
            child("customCaliberBox").setRealValue(data.caliber)
        }
        child("targetBox").currentIndex = 2
        child("trialShotsBox").value = 4
        child("scoredShotsBox").value = 7
        child("trialTimeBox").value = 15
        child("serieTimeBox").value = 90
        child("scaleBox").setRealValue(2.5)
        child("manualCorrectionButton").checked = true
        mouseClick(child("continueButton"))

        compare(range.state, RangeData.SelectShooterState)
        compare([range.session.distance, range.session.caliber], [data.distance, data.caliber])
        compare(range.session.targetUuid, "{4225AED6-4494-4c42-970C-0733074F462A}")
        compare([range.calibrationShotsPerSerie, range.shotCountLimit], [4, 7])
        compare([range.calibrationShotsTime, range.shotsTime], [15, 90])
        verify(range.withTimeLimits && !range.withJointTime)
        compare(range.caliberVisualisationScale, 2.5)
    }

    // Fitness norms fix the face, five shots, 600 s of joint time and
    // manual correction, whatever was stored. The first round of an
    // exercise always calibrates.
    function test_settingsScreenInFitnessNormMode() {
        application.shootingMode = RangeData.GTOMode
        application.competitionName = "Весенний зачет"
        application.setValue("range0/targetIndex", 3)
        application.setValue("range0/shotCountLimit", 12)
        application.setValue("range0/withCalibration", false)
        showLane()
        verify(!child("targetBox").enabled)
        verify(child("manualCorrectionButton").checked)
        verify(range.firstRound && child("withCalibrationButton").checked)
        verify(!child("withoutCalibrationButton").enabled)
        mouseClick(child("continueButton"))
        verify(range.session.isGto && range.withJointTime)
        compare(range.session.competitionName, "Весенний зачет")
        compare(range.session.targetUuid, targetManager.targets.get(0).uuid)
        compare([range.shotCountLimit, range.jointTime], [5, 600])
    }

    // By organization (whole names only), group and a name search; the
    // fitness-norm shooters only for a fitness-norm session.
    function test_shooterListFilters() {
        showLane(RangeData.SelectShooterState)
        var organizations = child("organizationBox")
        var groups = child("groupBox")
        var all = listedNames()
        verify(all.indexOf("Абрамов Олег") >= 0 && all.indexOf("Быстров Павел") < 0, all)
        organizations.currentIndex = organizations.find("Школа 1")
        compare(groups.model, ["[Все группы]", "5А", "6Б"])
        compare(listedNames(), ["Иванов Иван", "Петров Пётр"])
        groups.currentIndex = groups.find("6Б")
        compare(listedNames(), ["Петров Пётр"])
        groups.currentIndex = 0
        child("searchField").text = "ИВ"
        compare(listedNames(), ["Иванов Иван"])

        child("searchField").text = ""
        range.session.isGto = true
        organizations.currentIndex = 0
        verify(listedNames().indexOf("Быстров Павел") >= 0 && listedNames().indexOf("Иванов Иван") < 0)
    }

    // Without a calibration the lane reuses the stored offset.
    function test_shooterContinue_data() {
        return [{ tag: "with calibration", calibrate: true, state: RangeData.CalibrationState },
                { tag: "without calibration", calibrate: false, state: RangeData.ShootingState }]
    }

    function test_shooterContinue(data) {
        application.setValue("range0/withCalibration", data.calibrate)
        var screen = showLane(RangeData.SelectShooterState)
        range.storedOffset = Qt.point(120, 80)
        verify(!child("continueButton").enabled && !child("deleteButton").enabled)
        screen.select(shooter("Петров Пётр", "Школа 1", "6Б"), "Петров Пётр", "Школа 1", "6Б")
        var session = range.session
        mouseClick(child("continueButton"))
        compare(range.state, data.state)
        compare([session.name, session.group], ["Петров Пётр", "6Б"])
        if (!data.calibrate)
            compare(range.calibrationOffset, Qt.point(120, 80))
    }

    // A new shooter starts in the list's organization and group; a
    // warning shows while all three match a stored shooter. The new one is
    // stored and chosen on the list, which keeps its filter.
    function test_addShooter() {
        showLane(RangeData.SelectShooterState)
        child("organizationBox").currentIndex = child("organizationBox").find("Школа 2")
        child("groupBox").currentIndex = child("groupBox").find("5А")
        mouseClick(child("createButton"))
        compare(range.state, RangeData.AddShooterState)
        compare([child("organizationField").text, child("groupField").text], ["Школа 2", "5А"])
        child("nameField").text = "Сидоров Сидор"
        verify(child("existsText").visible)
        child("nameField").text = "Новиков Николай"
        verify(!child("existsText").visible)
        mouseClick(child("continueButton"))
        compare(range.state, RangeData.SelectShooterState)
        tryVerify(function() { return lane.screen.selected !== null })
        compare(lane.screen.selected.id, shooter("Новиков Николай", "Школа 2", "5А"))
        compare([child("organizationBox").currentText, child("groupBox").currentText], ["Школа 2", "5А"])
    }

    // A fitness-norm shooter needs a readable birth date, which gives
    // the step; the personal number keeps eleven digits.
    function test_addFitnessNormShooter() {
        showLane(RangeData.SelectShooterState)
        range.session.isGto = true
        range.state = RangeData.AddShooterState
        verify(!child("groupField").visible)
        child("organizationField").text = "Завод"
        child("nameField").text = "Григорьев Глеб"
        verify(!child("continueButton").enabled)
        // Thirty on any day of this year.
        child("birthDateField").text = "01.01." + (new Date().getFullYear() - 30)
        compare(lane.screen.age, 30)
        verify(child("continueButton").enabled)
        child("uinnField").text = "123456789012345"
        compare(child("uinnField").text, "12345678901")
        child("sexBox").currentIndex = 1
        mouseClick(child("continueButton"))
        compare([range.session.name, range.session.group, range.session.step], ["Григорьев Глеб", "Завод", 10])
        verify(!range.session.sex)
    }

    // The mean of the shots must lie on the target; it becomes the
    // lane's offset. Once complete, further shots are ignored.
    function test_calibration() {
        var screen = showLane(RangeData.CalibrationState)
        verify(!child("continueButton").enabled)
        range.calibrationShot(Qt.point(100, 0), Qt.point(300, 200), 0.2)
        verify(!screen.meanInside && child("continueButton").enabled)
        range.calibrationShot(Qt.point(-40, 10), Qt.point(320, 240), 0.0)
        compare(screen.meanPoint, Qt.point(30, 5))
        verify(screen.meanInside)
        range.calibrationShot(Qt.point(0, 0), Qt.point(0, 0), 1.0)
        compare(screen.shots.length, 2)

        mouseClick(child("continueButton"))
        compare(range.state, RangeData.ShootingState)
        compare([range.calibrationOffset, range.storedOffset], [Qt.point(310, 220), Qt.point(310, 220)])
        fuzzyCompare(range.calibrationAngle, 0.1, 1e-12)
    }
}
