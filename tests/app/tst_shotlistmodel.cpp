#include <qmltypes.h>
#include <serie.h>
#include <serielistitem.h>
#include <session.h>
#include <shot.h>
#include <shotlistmodel.h>
#include <targetmanager.h>
#include <testenvironment.h>
#include <trace.h>

#include <QGuiApplication>
#include <QPointer>
#include <QQmlComponent>
#include <QQmlContext>
#include <QQmlEngine>
#include <QQmlListReference>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <memory>

using LibModel::Session;

class TestShotListModel : public QObject
{
    Q_OBJECT

private:
    LibModel::TargetManager targets;

    // A session whose shots fall into the given series indices, in order.
    std::unique_ptr<Session> makeSession(const QList<int> &serieOfShot)
    {
        auto session = std::make_unique<Session>(nullptr);
        session->setTargetDescriptor(
                targets.findByUuid(QLatin1String(LibModel::TargetManager::AirRifleUuid)));
        session->setCaliber(4.5);
        session->setDistance(10.0);
        session->setSampleRate(100);
        LibModel::Trace *trace = session->appendTrace(1700000000000);
        for (int i = 0; i < serieOfShot.size(); ++i)
            trace->appendShot(ushort(serieOfShot.at(i)), 10 * (i + 1), false, std::nan(""));
        return session;
    }

    static QVariant shotsOf(Session *session)
    {
        return QVariant::fromValue(QQmlListReference(session, "shots"));
    }

    // The rows as words naming kind and object: "title:1" (series index),
    // "shot:3" (index in the session), "session".
    static QString describe(const ShotListModel &model, Session *session)
    {
        static const char *const kinds[] = {"?", "title", "target", "shot", "summary", "session"};
        QStringList words;
        for (SerieListItem *row : model.rows()) {
            QString word = QLatin1String(kinds[qBound(0, int(row->rowType()), 5)]);
            if (auto *serie = qobject_cast<LibModel::Serie *>(row->object()))
                word += QLatin1Char(':') + QString::number(serie->index());
            else if (auto *shot = qobject_cast<LibModel::Shot *>(row->object()))
                word += QLatin1Char(':') + QString::number(session->shots().indexOf(shot));
            else if (row->object() != session)
                word += QStringLiteral(":wrong");
            words << word;
        }
        return words.join(QLatin1Char(' '));
    }

private slots:
    void initTestCase() { registerQmlTypes(); }

    void rows_data()
    {
        QTest::addColumn<QList<int>>("series");
        QTest::addColumn<bool>("showSeries");
        QTest::addColumn<QString>("expected");

        QTest::newRow("no shots") << QList<int> {} << true << QString();
        QTest::newRow("one shot") << QList<int> {0} << true
                                  << QStringLiteral("title:0 target:0 shot:0 summary:0 session");
        QTest::newRow("two series")
                << QList<int> {0, 0, 1, 1, 1} << true
                << QStringLiteral("title:0 target:0 shot:0 shot:1 summary:0 "
                                  "title:1 target:1 shot:2 shot:3 shot:4 summary:1 session");
        QTest::newRow("two series, no series targets")
                << QList<int> {0, 0, 1, 1, 1} << false
                << QStringLiteral("title:0 shot:0 shot:1 summary:0 "
                                  "title:1 shot:2 shot:3 shot:4 summary:1 session");
        // The last shot opens a series: it is still closed by the summaries.
        QTest::newRow("last shot opens a series")
                << QList<int> {0, 0, 2} << false
                << QStringLiteral("title:0 shot:0 shot:1 summary:0 title:2 shot:2 summary:2 "
                                  "session");
    }

    void rows()
    {
        QFETCH(QList<int>, series);
        QFETCH(bool, showSeries);
        QFETCH(QString, expected);

        std::unique_ptr<Session> session = makeSession(series);
        ShotListModel model;
        model.setShowSeries(showSeries);
        QSignalSpy changed(&model, &ShotListModel::modelChanged);
        model.setModel(shotsOf(session.get()));
        QCOMPARE(changed.count(), 1);
        QCOMPARE(describe(model, session.get()), expected);
    }

    void togglingRebuilds()
    {
        std::unique_ptr<Session> session = makeSession({0, 0, 1, 2});
        ShotListModel model;
        model.setModel(shotsOf(session.get()));
        const QString withTargets = describe(model, session.get());
        QCOMPARE(model.count(), 3 * 3 + 4 + 1);

        // One target row less per series; repeating the value changes nothing.
        QSignalSpy shown(&model, &ShotListModel::showSeriesChanged);
        QSignalSpy changed(&model, &ShotListModel::modelChanged);
        model.setShowSeries(false);
        model.setShowSeries(false);
        QCOMPARE(model.count(), 3 * 2 + 4 + 1);
        QCOMPARE(shown.count(), 1);
        QCOMPARE(changed.count(), 1);
        model.setShowSeries(true);
        QCOMPARE(describe(model, session.get()), withTargets);

        // calibrationSerie rebuilds the same rows.
        QSignalSpy calibration(&model, &ShotListModel::calibrationSerieChanged);
        model.setCalibrationSerie(false);
        QCOMPARE(calibration.count(), 1);
        QCOMPARE(changed.count(), 3);
        QCOMPARE(describe(model, session.get()), withTargets);

        model.setModel(QVariant(42)); // no list: no rows
        QCOMPARE(model.count(), 0);
    }

    void oldRowsAreDeleted()
    {
        std::unique_ptr<Session> session = makeSession({0, 0, 1});
        ShotListModel model;
        model.setModel(shotsOf(session.get()));
        QList<QPointer<SerieListItem>> old(model.rows().cbegin(), model.rows().cend());

        model.setShowSeries(false);
        // Still alive while the views re-read the rows, gone afterwards.
        QVERIFY(std::all_of(old.cbegin(), old.cend(), [](const auto &row) { return row; }));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(std::none_of(old.cbegin(), old.cend(), [](const auto &row) { return row; }));
        QCOMPARE(model.findChildren<SerieListItem *>().size(), model.count());
    }

    void fromQml()
    {
        std::unique_ptr<Session> session = makeSession({0, 0, 1, 1, 1});
        QQmlEngine engine;
        engine.rootContext()->setContextProperty(QStringLiteral("session"), session.get());
        QQmlComponent component(&engine);
        component.setData(
                "import Kavro 1.0\n"
                "ShotListModel {\n"
                "    showSeries: false\n"
                "    model: session.shots\n"
                "    property int rows: objects.length\n"
                "    property bool lastIsSession: rows > 0\n"
                "        && objects[rows - 1].rowType === SerieListItem.SessionSummaryRow\n"
                "}\n",
                QUrl());
        std::unique_ptr<QObject> object(component.create());
        QVERIFY2(object, qPrintable(component.errorString()));
        QCOMPARE(object->property("rows").toInt(), 10);
        QVERIFY(object->property("lastIsSession").toBool());

        QQmlComponent uncreatable(&engine);
        uncreatable.setData("import Kavro 1.0\nSerieListItem {}\n", QUrl());
        QVERIFY(uncreatable.isError());
    }
};

KAVRO_TEST_MAIN(TestShotListModel, QGuiApplication)
#include "tst_shotlistmodel.moc"
