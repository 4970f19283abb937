#include <applicationdata.h>
#include <lanerig.h>
#include <qmltypes.h>
#include <rangedata.h>
#include <testenvironment.h>

#include <session.h>
#include <sessioninfomodel.h>
#include <shot.h>
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

#include <cmath>
#include <memory>

namespace {

// The first visible item under `root`, depth first, whose `property` reads
// `value`; with `button`, only a button.
QQuickItem *find(QQuickItem *root, const char *property, const QString &value, bool button = false)
{
    if (!root || !root->isVisible())
        return nullptr;
    if (root->property(property).toString() == value
        && (!button || root->inherits("QQuickAbstractButton")))
        return root;
    for (QQuickItem *child : root->childItems()) {
        if (QQuickItem *found = find(child, property, value, button))
            return found;
    }
    return nullptr;
}

bool near(const QPointF &a, const QPointF &b)
{
    return std::hypot(a.x() - b.x(), a.y() - b.y()) < 1e-4;
}

} // namespace

// One lane with a simulated sensor, taken through the program's screens the
// way a shooter and an instructor would: settings, a new shooter, calibration,
// trial shots and the correction by them, scored shots with a correction by
// the last one to the end of the exercise, and the session in the database.
class TestEndToEnd : public QObject
{
    Q_OBJECT

private:
    // The program's objects in the test below.
    ApplicationData *facade = nullptr;
    QQuickWindow *window = nullptr;

    RangeData *lane() const { return facade->ranges().first(); }

    QQuickItem *laneScreen() const
    {
        QQuickItem *laneItem
                = find(window->contentItem(), "objectName", QStringLiteral("rangeItem0"));
        return laneItem ? laneItem->property("screen").value<QQuickItem *>() : nullptr;
    }

    void click(QQuickItem *item)
    {
        QVERIFY(item);
        QVERIFY(item->isVisible());
        QTRY_VERIFY(item->isEnabled()); // as a person waits for a list to come
        const QPointF centre = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
        QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, centre.toPoint());
        QCoreApplication::processEvents();
    }

    void clickButton(const QString &text) { click(find(laneScreen(), "text", text, true)); }

    void typeInto(const QString &fieldName, const QString &text)
    {
        QQuickItem *field = find(laneScreen(), "objectName", fieldName);
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

private slots:
    void exerciseIsShotAndStored_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("birthDate"); // asked in fitness-norm sessions only
        QTest::addColumn<QString>("competition");
        QTest::addColumn<QString>("medal");
        QTest::newRow("training") << int(RangeData::TrainingMode) << QString() << QString()
                                  << QString();
        // 27 years old, whatever today is: step 9, gold from 30 points.
        QTest::newRow("fitness norm")
                << int(RangeData::GTOMode)
                << QDate::currentDate().addYears(-27).toString(QStringLiteral("dd.MM.yyyy"))
                << QStringLiteral("Кубок района") << QStringLiteral("Золото");
    }

    void exerciseIsShotAndStored()
    {
        QFETCH(int, mode);
        QFETCH(QString, birthDate);
        QFETCH(QString, competition);
        QFETCH(QString, medal);
        TestEnvironment::resetUserState();
        LaneRig rig;
        QSettings settings;
        settings.setValue(QStringLiteral("maxRanges"), 1);
        settings.setValue(QStringLiteral("range0/device"), rig.serial());
        settings.setValue(QStringLiteral("range0/distance"), 10); // 1.2 mm per sensor unit
        // As the program starts: the facade, the types, the engine, the window.
        ApplicationData application;
        facade = &application;
        QQmlEngine engine;
        registerQmlTypes();
        engine.rootContext()->setContextProperty(QStringLiteral("application"), facade);
        engine.rootContext()->setContextProperty(QStringLiteral("targetManager"),
                                                 facade->targetManager());
        QQmlComponent component(&engine, QUrl(QStringLiteral("qrc:/qml/main.qml")));
        QVERIFY2(component.isReady(), qPrintable(component.errorString()));
        std::unique_ptr<QObject> root(component.create());
        window = qobject_cast<QQuickWindow *>(root.get());
        QVERIFY(window);
        facade->setWindow(window);
        QVERIFY(QTest::qWaitForWindowExposed(window));

        const QString name = QStringLiteral("Стрелков Семён");
        facade->setShootingMode(mode);
        facade->setCompetitionName(competition);

        // Settings as they come, a new shooter created and chosen.
        QVERIFY(lane()->ready());
        click(find(window->contentItem(), "objectName", QStringLiteral("pageButton_shooting")));
        QTRY_VERIFY(laneScreen());
        QVERIFY(rig.waitForStream());
        rig.frames(20);
        QCOMPARE(lane()->state(), RangeData::SettingsState);
        clickButton(QStringLiteral("Продолжить"));
        clickButton(QStringLiteral("Создать нового пользователя"));
        QCOMPARE(lane()->state(), RangeData::AddShooterState);
        typeInto(QStringLiteral("organizationField"), QStringLiteral("Тир 1"));
        typeInto(QStringLiteral("nameField"), name);
        if (!birthDate.isEmpty())
            typeInto(QStringLiteral("birthDateField"), birthDate);
        clickButton(QStringLiteral("Продолжить"));
        QCOMPARE(lane()->state(), RangeData::SelectShooterState);
        clickButton(QStringLiteral("Продолжить")); // the new shooter is chosen in the list
        QCOMPARE(lane()->state(), RangeData::CalibrationState);
        LibModel::Session *session = lane()->session();
        QCOMPARE(session->name(), name);
        QCOMPARE(session->organization(), QStringLiteral("Тир 1"));
        QCOMPARE(session->isGto(), !birthDate.isEmpty());

        // Calibration: one shot is enough; its sensor point becomes the centre.
        const QPointF calibration(372.0, 245.0);
        rig.shootAt(calibration);
        clickButton(QStringLiteral("Продолжить"));
        QCOMPARE(lane()->state(), RangeData::ShootingState);
        QCOMPARE(lane()->calibrationOffset(), calibration);
        QQuickItem *screen = laneScreen();
        rig.frames(100);

        // Three trial shots; the second is unmarked before the last one, so
        // the correction takes the mean of the first and third: automatically
        // in training, by the button in the fitness norm.
        QSignalSpy corrections(lane(), &RangeData::corSig);
        rig.shootAt({375.0, 248.0});
        QCOMPARE(lane()->phase(), RangeData::CalibrationPhase);
        rig.shootAt({365.0, 240.0});
        QQuickItem *trialList = find(screen, "objectName", QStringLiteral("trialShots"));
        QTRY_VERIFY(find(trialList, "text", QStringLiteral("2.")));
        click(find(trialList, "text", QStringLiteral("2.")));
        QCOMPARE(trialList->property("markedCount").toInt(), 1);
        rig.shootAt({379.0, 250.0});
        QCOMPARE(lane()->phase(), RangeData::ShootingPhase);
        if (birthDate.isEmpty()) {
            QCOMPARE(corrections.count(), 1);
        } else {
            QCOMPARE(corrections.count(), 0);
            QCOMPARE(lane()->calibrationOffset(), calibration);
            clickButton(QStringLiteral("Поправка"));
        }
        QCOMPARE(lane()->calibrationOffset(), QPointF(377.0, 249.0));

        // Scored shots; the first, 3 by 2 sensor units off, also moves the
        // centre onto itself, so that the rest hit half a unit beside it.
        QSignalSpy shots(lane(), &RangeData::newShot);
        const QPointF first(374.0, 247.0);
        rig.shootAt(first);
        QCOMPARE(shots.count(), 1);
        QQuickItem *lastShotCorrection
                = find(screen, "objectName", QStringLiteral("lastShotCorrectionButton"));
        click(lastShotCorrection);
        QCOMPARE(lane()->calibrationOffset(), first);
        QVERIFY(!lastShotCorrection->isEnabled()); // once per shot
        for (int i = 1; i < 5; ++i)
            rig.shootAt({374.5, 247.0});
        QVERIFY(near(session->shots().last()->breach(), QPointF(-0.6, 0.0)));

        // The end: saved and shown.
        QCOMPARE(lane()->phase(), RangeData::NoPhase);
        QVERIFY(find(screen, "text", QStringLiteral("Стрельба Окончена")));
        LibModel::Shot *lastShot = session->shots().last();
        // The last shot's value, or the grade in the fitness norm.
        const QString resultText = medal.isEmpty()
                ? QStringLiteral("Результат : %1").arg(lastShot->result(), 0, 'f', 1)
                : QStringLiteral("Оценка: ") + medal;
        QVERIFY2(find(screen, "text", resultText), qPrintable(resultText));
        // Filed and committed by the storage threads.
        QTRY_COMPARE(facade->pendingSessions(), 0);
        using Info = LibModel::SessionInfoModel;
        std::unique_ptr<Info> stored(facade->storage()->sessions());
        QCOMPARE(stored->rowCount(), 1);
        QCOMPARE(stored->dataByRole(0, Info::ShotCountRole).toInt(), 5);
        QCOMPARE(stored->dataByRole(0, Info::CompetitionTypeRole).toInt(), mode);
        QCOMPARE(stored->dataByRole(0, Info::CompetitionNameRole).toString(), competition);
        QCOMPARE(stored->dataByRole(0, Info::MedalRole).toString(), medal);

        // Ending the shooting saves the same session again, not a second one
        // (what is kept: tst_exerciseflow).
        rig.frames(50);
        clickButton(QStringLiteral("Закончить стрельбу"));
        QCOMPARE(lane()->state(), RangeData::SettingsState);
        QCOMPARE(std::unique_ptr<Info>(facade->storage()->sessions())->rowCount(), 1);
    }
};

KAVRO_TEST_MAIN(TestEndToEnd, QApplication)
#include "tst_endtoend.moc"
