#include <sessionanalysisview.h>

#include <session.h>
#include <sessionbuilder.h>
#include <shot.h>
#include <testenvironment.h>

#include <QGuiApplication>
#include <QTest>

#include <memory>

namespace {
// "label text" per line, joined by "; ".
QString describe(const QVariantList &lines)
{
    QStringList words;
    for (const QVariant &line : lines)
        words << line.toMap()[QStringLiteral("label")].toString() + QLatin1Char(' ')
                        + line.toMap()[QStringLiteral("text")].toString();
    return words.join(QStringLiteral("; "));
}
} // namespace

class TestSessionAnalysisView : public QObject
{
    Q_OBJECT

private slots:
    // A square of four and a miss: the miss is left out of the group; each
    // shot's aiming is the one of its own place in the session.
    void groupAndShotValues()
    {
        SessionBuilder builder;
        builder.shots({{0, 0}, {2, 0}, {0, 2}, {2, 2}}).missed();
        SessionAnalysisView view;
        view.setSession(builder.session());
        QCOMPARE(describe(view.groupLines().mid(0, 7)),
                 QStringLiteral("Попаданий 4; СТП по горизонтали 1.0 мм; СТП по вертикали 1.0 мм; "
                                "Наибольший разброс 2.8 мм; Средний радиус 1.4 мм; "
                                "СКО по горизонтали 1.2 мм; СКО по вертикали 1.2 мм"));

        const QList<LibModel::Shot *> &shots = builder.session()->shots();
        view.setShot(shots.at(1));
        QCOMPARE(view.shotTitle(), QStringLiteral("Выстрел 2"));
        // Its last second is the first shot's sample, 2 mm to its left.
        QCOMPARE(describe(view.shotLines()),
                 QStringLiteral("Радиус удержания 0.0 мм; Уход при выстреле 2.0 мм; "
                                "Время в десятке 100.0 %; Скорость за 0,25 с 8.0 мм/с"));
        // Nothing before the first shot; no breach for the miss.
        view.setShot(shots.at(0));
        QCOMPARE(describe(view.shotLines()),
                 QStringLiteral("Радиус удержания —; Уход при выстреле —; Время в десятке —; "
                                "Скорость за 0,25 с —"));
        QCOMPARE(view.shotAiming(shots.at(4)).value(QStringLiteral("aimShift")).toDouble(),
                 qQNaN());

        SessionBuilder other;
        view.setShot(other.shot(1, 1).session()->shots().at(0));
        QVERIFY(view.shotTitle().isEmpty() && view.shotAiming(view.shot()).isEmpty());
    }

    // Values follow shots added to the shown session; a deleted session
    // leaves the view empty.
    void followsTheSession()
    {
        SessionBuilder builder;
        SessionAnalysisView view;
        view.setSession(builder.session());
        QCOMPARE(view.n(), 0);
        builder.shot(3, -4);
        QCOMPARE(view.n(), 1);
        QVERIFY(view.extremeSpread() == 0.0 && qIsNaN(view.sdX()));

        std::unique_ptr<LibModel::Session> session = builder.take();
        view.setShot(session->shots().at(0));
        session.reset();
        QCOMPARE(view.session(), nullptr);
        QCOMPARE(view.n(), 0);
        QCOMPARE(view.shotTitle(), QString());
    }
};

KAVRO_TEST_MAIN(TestSessionAnalysisView, QGuiApplication)
#include "tst_sessionanalysisview.moc"
