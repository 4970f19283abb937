#include <applicationdata.h>
#include <qmltypes.h>
#include <rangedata.h>
#include <testenvironment.h>

#include <clock.h>
#include <hardwarecontroller.h>
#include <session.h>
#include <sessioninfomodel.h>
#include <shot.h>
#include <simulatedbackend.h>
#include <simulatedsensor.h>
#include <storage.h>
#include <trace.h>

#include <QApplication>
#include <QDate>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

#include <functional>
#include <memory>

using namespace LibHardware;
using LibMisc::Clock;

namespace {

// The first visible item under `root`, depth first, that satisfies `match`.
QQuickItem *findItem(QQuickItem *root, const std::function<bool(QQuickItem *)> &match)
{
    if (!root || !root->isVisible())
        return nullptr;
    if (match(root))
        return root;
    const QList<QQuickItem *> children = root->childItems();
    for (QQuickItem *child : children) {
        if (QQuickItem *found = findItem(child, match))
            return found;
    }
    return nullptr;
}

QQuickItem *findNamed(QQuickItem *root, const QString &name)
{
    return findItem(root, [&](QQuickItem *item) { return item->objectName() == name; });
}

QQuickItem *findButton(QQuickItem *root, const QString &text)
{
    return findItem(root, [&](QQuickItem *item) {
        return item->inherits("QQuickAbstractButton") && item->property("text").toString() == text;
    });
}

QQuickItem *findText(QQuickItem *root, const QString &text)
{
    return findItem(root,
                    [&](QQuickItem *item) { return item->property("text").toString() == text; });
}

} // namespace

// One lane with a simulated sensor, taken through the program's screens the
// way a shooter and an instructor would: settings, a new shooter, calibration,
// trial and scored shots to the end of the exercise, and the session in the
// database afterwards.
class TestEndToEnd : public QObject
{
    Q_OBJECT

private:
    SimulatedBackend *backend = nullptr; // owned by the process
    std::unique_ptr<SimulatedSensor> sensor;
    ApplicationData *facade = nullptr;
    QQmlEngine *engine = nullptr;
    QQuickWindow *window = nullptr;
    qint64 now = 1700000000000;

    RangeData *lane() const { return facade->ranges().first(); }

    QQuickItem *laneScreen() const
    {
        QQuickItem *laneItem = findNamed(window->contentItem(), QStringLiteral("rangeItem0"));
        return laneItem ? laneItem->property("screen").value<QQuickItem *>() : nullptr;
    }

    // Camera frames with the process clock following them; the event loop
    // runs in between, as it would between the sensor's reads.
    void frames(int count)
    {
        for (int i = 0; i < count; ++i) {
            Clock::setManual(now);
            sensor->generateFrames(1, now);
            now += SimulatedSensor::FramePeriod;
            QCoreApplication::processEvents();
        }
    }

    // A shot, the frames that carry its sound and a pause before the next.
    void shoot()
    {
        QVERIFY(sensor->fireShot());
        frames(20);
        frames(150);
    }

    void click(QQuickItem *item)
    {
        QVERIFY(item);
        QVERIFY(item->isVisible());
        QVERIFY(item->isEnabled());
        const QPointF centre = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
        QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, centre.toPoint());
        QCoreApplication::processEvents();
    }

    void clickButton(const QString &text)
    {
        QQuickItem *button = findButton(laneScreen(), text);
        QVERIFY2(button, qPrintable(text));
        click(button);
    }

    void typeInto(const QString &fieldName, const QString &text)
    {
        QQuickItem *field = findNamed(laneScreen(), fieldName);
        QVERIFY2(field, qPrintable(fieldName));
        click(field);
        QTRY_VERIFY(field->hasActiveFocus());
        // From the start of the field (a masked field keeps its cursor where
        // it was clicked), character by character: the keys carry Cyrillic text.
        QTest::sendKeyEvent(QTest::Click, window, Qt::Key_Home, QString(), Qt::NoModifier);
        for (const QChar character : text)
            QTest::sendKeyEvent(QTest::Click, window, Qt::Key_unknown, QString(character),
                                Qt::NoModifier);
        QCOMPARE(field->property("text").toString(), text);
    }

    // From the settings screen to the shooting screen: settings confirmed as
    // they come, a new shooter created and chosen, one calibration shot.
    // `birthDate` is asked in fitness-norm sessions only. Returns through
    // `calibration` the sensor position of the calibration shot.
    void reachShootingScreen(const QString &name, const QString &birthDate, QPointF *calibration)
    {
        QVERIFY(lane()->ready());
        click(findNamed(window->contentItem(), QStringLiteral("pageButton_shooting")));
        QTRY_VERIFY(laneScreen());
        QTRY_VERIFY(sensor->isStreaming());
        frames(20);

        QCOMPARE(lane()->state(), RangeData::SettingsState);
        clickButton(QStringLiteral("Продолжить"));
        QCOMPARE(lane()->state(), RangeData::SelectShooterState);

        clickButton(QStringLiteral("Создать нового пользователя"));
        QCOMPARE(lane()->state(), RangeData::AddShooterState);
        typeInto(QStringLiteral("organizationField"), QStringLiteral("Тир 1"));
        typeInto(QStringLiteral("nameField"), name);
        if (!birthDate.isEmpty())
            typeInto(QStringLiteral("birthDateField"), birthDate);
        clickButton(QStringLiteral("Продолжить"));
        QCOMPARE(lane()->state(), RangeData::SelectShooterState);
        // The new shooter is chosen in the list.
        clickButton(QStringLiteral("Продолжить"));
        QCOMPARE(lane()->state(), RangeData::CalibrationState);
        QCOMPARE(lane()->phase(), RangeData::BeginningPhase);
        QCOMPARE(lane()->session()->name(), name);

        // Calibration: one shot is enough.
        frames(100);
        QSignalSpy calibrationShots(lane(), &RangeData::calibrationShot);
        shoot();
        QCOMPARE(calibrationShots.count(), 1);
        clickButton(QStringLiteral("Продолжить"));
        QCOMPARE(lane()->state(), RangeData::ShootingState);
        QVERIFY(!lane()->calibrationMode());
        *calibration = calibrationShots.first().at(1).toPointF();
        QCOMPARE(lane()->calibrationOffset(), *calibration);
        QCOMPARE(lane()->storedOffset(), *calibration);
        QVERIFY(findNamed(laneScreen(), QStringLiteral("target")));
        frames(100);
    }

    std::unique_ptr<LibModel::SessionInfoModel> storedSessions() const
    {
        return std::unique_ptr<LibModel::SessionInfoModel>(facade->storage()->sessions());
    }

private slots:
    void initTestCase()
    {
        backend = new SimulatedBackend;
        UsbBackend::setInstance(backend);
    }

    void init()
    {
        TestEnvironment::resetUserState();
        HardwareController::destroyInstance();
        sensor = std::make_unique<SimulatedSensor>(7);
        sensor->setPacing(SimulatedSensor::Pacing::Driven);
        sensor->setDefaultCentre(376, 240);
        sensor->setFocalLength(50.0f);
        backend->plug(sensor.get());
        Clock::setManual(now);

        QSettings settings;
        settings.setValue(QStringLiteral("maxRanges"), 1);
        settings.setValue(QStringLiteral("range0/device"),
                          RangeData::serialText(sensor->serialNumber()));
        settings.setValue(QStringLiteral("window/visibility"), int(QWindow::Windowed));
        settings.setValue(QStringLiteral("window/width"), 1280);
        settings.setValue(QStringLiteral("window/height"), 800);

        // As the program starts: the facade, the types, the engine, the window.
        facade = new ApplicationData;
        engine = new QQmlEngine;
        registerQmlTypes();
        engine->rootContext()->setContextProperty(QStringLiteral("application"), facade);
        engine->rootContext()->setContextProperty(QStringLiteral("targetManager"),
                                                  facade->targetManager());
        QQmlComponent component(engine, QUrl(QStringLiteral("qrc:/qml/main.qml")));
        QVERIFY2(component.isReady(), qPrintable(component.errorString()));
        window = qobject_cast<QQuickWindow *>(component.create());
        QVERIFY(window);
        facade->setWindow(window);
        QVERIFY(QTest::qWaitForWindowExposed(window));
    }

    void cleanup()
    {
        delete window;
        window = nullptr;
        delete engine;
        engine = nullptr;
        delete facade;
        facade = nullptr;
        HardwareController::destroyInstance();
        backend->unplug(sensor.get());
        sensor.reset();
        Clock::reset();
    }

    void trainingExerciseIsShotAndStored()
    {
        facade->setShootingMode(RangeData::TrainingMode);
        QCOMPARE(facade->ranges().size(), 1);
        // Settings as they come: three trial and five scored shots, separate
        // time limits, automatic correction, calibration in the first round.
        QPointF calibration;
        reachShootingScreen(QStringLiteral("Стрелков Семён"), QString(), &calibration);
        if (QTest::currentTestFailed())
            return;
        QQuickItem *screen = laneScreen();

        // Three trial shots; the second is unmarked before the last one, so
        // the automatic correction takes the mean of the first and third.
        QSignalSpy trials(lane(), &RangeData::calibrationShotMy);
        QSignalSpy corrections(lane(), &RangeData::corSig);
        shoot();
        QCOMPARE(lane()->phase(), RangeData::CalibrationPhase);
        shoot();
        QCOMPARE(trials.count(), 2);
        QQuickItem *trialList = findNamed(screen, QStringLiteral("trialShots"));
        QVERIFY(trialList);
        QTRY_VERIFY(findText(trialList, QStringLiteral("2.")));
        click(findText(trialList, QStringLiteral("2.")));
        QCOMPARE(trialList->property("markedCount").toInt(), 1);
        shoot();
        QCOMPARE(trials.count(), 3);
        QCOMPARE(corrections.count(), 1);
        QCOMPARE(lane()->phase(), RangeData::ShootingPhase);
        const QPointF first = trials.at(0).at(1).toPointF();
        const QPointF third = trials.at(2).at(1).toPointF();
        QCOMPARE(lane()->calibrationOffset(), (first + third) / 2);

        // Scored shots; the first one also corrects the centre by hand.
        QSignalSpy shots(lane(), &RangeData::newShot);
        shoot();
        QCOMPARE(shots.count(), 1);
        QQuickItem *lastShotCorrection
                = findNamed(screen, QStringLiteral("lastShotCorrectionButton"));
        QVERIFY(lastShotCorrection);
        click(lastShotCorrection);
        QCOMPARE(lane()->calibrationOffset(), shots.first().at(1).toPointF());
        QVERIFY(!lastShotCorrection->isEnabled()); // once per shot
        for (int i = 1; i < 5; ++i)
            shoot();
        QCOMPARE(shots.count(), 5);

        // The end: saved, shown, and the recording closed a moment later.
        QCOMPARE(lane()->phase(), RangeData::NoPhase);
        QVERIFY(!lane()->firstRound());
        QQuickItem *finished = findText(screen, QStringLiteral("Стрельба Окончена"));
        QVERIFY(finished);
        QVERIFY(finished->isVisible());
        LibModel::Session *session = lane()->session();
        LibModel::Shot *lastShot = session->shots().last();
        QTRY_VERIFY(lane()->currentTrace() != lastShot->trace());
        QCOMPARE(session->shots().size(), 5);
        const QString resultText
                = QStringLiteral("Результат : %1").arg(lastShot->result(), 0, 'f', 1);
        QVERIFY2(findText(screen, resultText), qPrintable(resultText));
        // The values are laid out below the list, not squeezed away.
        QQuickItem *values = findNamed(screen, QStringLiteral("shotValues"));
        QVERIFY(values);
        QVERIFY(values->height() > 0);
        QCOMPARE(values->height(), values->implicitHeight());
        QQuickItem *shotList = findNamed(screen, QStringLiteral("shotList"));
        QVERIFY(shotList);
        // Series title, five shots, series and session totals.
        int rows = 0;
        QVERIFY(QMetaObject::invokeMethod(shotList->property("rows").value<QObject *>(), "count",
                                          Q_RETURN_ARG(int, rows)));
        QCOMPARE(rows, 8);

        LibModel::Storage *storage = facade->storage();
        std::unique_ptr<LibModel::SessionInfoModel> stored = storedSessions();
        QCOMPARE(stored->rowCount(), 1);
        QCOMPARE(stored->dataByRole(0, LibModel::SessionInfoModel::ShotCountRole).toInt(), 5);
        QCOMPARE(stored->dataByRole(0, LibModel::SessionInfoModel::CompetitionTypeRole).toInt(),
                 int(RangeData::TrainingMode));
        // Stored in single precision.
        QVERIFY(qAbs(stored->dataByRole(0, LibModel::SessionInfoModel::ResultRealRole).toDouble()
                     - session->result())
                < 1e-4);
        // Training is not graded.
        QCOMPARE(stored->dataByRole(0, LibModel::SessionInfoModel::MedalRole).toString(),
                 QString());
        const uint id = stored->dataByRole(0, LibModel::SessionInfoModel::IdRole).toUInt();
        std::unique_ptr<LibModel::Session> read(storage->readSession(id));
        QVERIFY(read);
        QCOMPARE(read->name(), QStringLiteral("Стрелков Семён"));
        QCOMPARE(read->organization(), QStringLiteral("Тир 1"));
        QCOMPARE(read->shots().size(), 5);
        QCOMPARE(read->series().size(), 1);
        QCOMPARE(read->result(), session->result());
        QCOMPARE(read->resultInt(), session->resultInt());
        QCOMPARE(read->shots().last()->result(), lastShot->result());
        QVERIFY(read->result() > 0.0);

        // Ending the shooting saves the same session again, not a second one,
        // and returns to the settings with the calibration kept.
        frames(50);
        clickButton(QStringLiteral("Закончить стрельбу"));
        QCOMPARE(lane()->state(), RangeData::SettingsState);
        QCOMPARE(lane()->phase(), RangeData::NoPhase);
        std::unique_ptr<LibModel::SessionInfoModel> after = storedSessions();
        QCOMPARE(after->rowCount(), 1);
        QCOMPARE(after->dataByRole(0, LibModel::SessionInfoModel::ShotCountRole).toInt(), 5);
        QCOMPARE(lane()->storedOffset(), calibration);
    }

    void fitnessNormExerciseIsGraded()
    {
        facade->setShootingMode(RangeData::GTOMode);
        facade->setCompetitionName(QStringLiteral("Кубок района"));
        // 27 years old today: step 9, bronze 18, silver 25, gold 30.
        const QString birthDate
                = QDate::currentDate().addYears(-27).toString(QStringLiteral("dd.MM.yyyy"));
        QPointF calibration;
        reachShootingScreen(QStringLiteral("Меткий Марк"), birthDate, &calibration);
        if (QTest::currentTestFailed())
            return;
        QQuickItem *screen = laneScreen();
        LibModel::Session *session = lane()->session();
        QVERIFY(session->isGto());
        QCOMPARE(session->step(), 9.0);
        QVERIFY(session->sex());
        QVERIFY(findNamed(screen, QStringLiteral("titleText"))
                        ->property("text")
                        .toString()
                        .contains(QStringLiteral("Стрельба ГТО")));

        // Fitness-norm settings: three trial shots, then five scored ones.
        for (int i = 0; i < 3; ++i)
            shoot();
        QCOMPARE(lane()->phase(), RangeData::ShootingPhase);
        QSignalSpy shots(lane(), &RangeData::newShot);
        for (int i = 0; i < 2; ++i)
            shoot();
        // Two shots of ten or so: not yet bronze, graded on whole points.
        QCOMPARE(session->shots().size(), 2);
        QVERIFY(session->resultInt() < 25);
        const QString early = session->resultInt() >= 18 ? QStringLiteral("Оценка: Бронза")
                                                         : QStringLiteral("Оценка: Неуд");
        QVERIFY2(findText(screen, early), qPrintable(early));
        for (int i = 2; i < 5; ++i)
            shoot();
        QCOMPARE(shots.count(), 5);
        QCOMPARE(lane()->phase(), RangeData::NoPhase);
        QVERIFY(session->resultInt() >= 30);
        QVERIFY(findText(screen, QStringLiteral("Оценка: Золото")));

        std::unique_ptr<LibModel::SessionInfoModel> stored = storedSessions();
        QCOMPARE(stored->rowCount(), 1);
        QCOMPARE(stored->dataByRole(0, LibModel::SessionInfoModel::MedalRole).toString(),
                 QStringLiteral("Золото"));
        QCOMPARE(stored->dataByRole(0, LibModel::SessionInfoModel::CompetitionTypeRole).toInt(),
                 int(RangeData::GTOMode));
        QCOMPARE(stored->dataByRole(0, LibModel::SessionInfoModel::CompetitionNameRole).toString(),
                 QStringLiteral("Кубок района"));
        QCOMPARE(stored->dataByRole(0, LibModel::SessionInfoModel::ShotCountRole).toInt(), 5);
    }
};

KAVRO_TEST_MAIN(TestEndToEnd, QApplication)
#include "tst_endtoend.moc"
