#include <serie.h>
#include <serielistitem.h>
#include <session.h>
#include <sessionbuilder.h>
#include <shot.h>
#include <shotlistmodel.h>
#include <testenvironment.h>

#include <QGuiApplication>
#include <QPointer>
#include <QQmlListReference>
#include <QSignalSpy>
#include <QTest>

#include <algorithm>
#include <memory>

using LibModel::Session;

class TestShotListModel : public QObject
{
    Q_OBJECT

private:
    // A session whose shots fall into the given series indices, in order.
    static std::unique_ptr<Session> makeSession(const QList<int> &serieOfShot)
    {
        SessionBuilder builder;
        for (const int serie : serieOfShot)
            builder.shot(1.0, 1.0, serie);
        return builder.take();
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
    void rows_data()
    {
        QTest::addColumn<QList<int>>("series");
        QTest::addColumn<bool>("showSeries");
        QTest::addColumn<QString>("expected");

        QTest::newRow("no shots") << QList<int> {} << true << QString();
        QTest::newRow("two series")
                << QList<int> {0, 0, 1, 1, 1} << true
                << QStringLiteral("title:0 target:0 shot:0 shot:1 summary:0 "
                                  "title:1 target:1 shot:2 shot:3 shot:4 summary:1 session");
        // Without series targets; the last shot opens a series: it is still
        // closed by the summaries.
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

    // Still alive while the views re-read the rows, gone afterwards.
    void oldRowsAreDeleted()
    {
        std::unique_ptr<Session> session = makeSession({0, 0, 1});
        ShotListModel model;
        model.setModel(shotsOf(session.get()));
        QList<QPointer<SerieListItem>> old(model.rows().cbegin(), model.rows().cend());

        model.setShowSeries(false);
        QVERIFY(std::all_of(old.cbegin(), old.cend(), [](const auto &row) { return row; }));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(std::none_of(old.cbegin(), old.cend(), [](const auto &row) { return row; }));
        QCOMPARE(model.findChildren<SerieListItem *>().size(), model.count());
    }
};

KAVRO_TEST_MAIN(TestShotListModel, QGuiApplication)
#include "tst_shotlistmodel.moc"
