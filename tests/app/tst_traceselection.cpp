#include <session.h>
#include <shot.h>
#include <testenvironment.h>
#include <trace.h>
#include <traceselection.h>

#include <QGuiApplication>
#include <QPoint>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <cmath>
#include <memory>

using LibModel::Session;
using LibModel::Trace;

namespace {

constexpr qint64 Start = 1700000000000;

// Raw sample i aims at (i / 10, -i / 10) mm with a cant of i / 1000 rad, so
// that the cursor can be read back from the aiming point and the angle.
void appendSamples(Trace *trace, int count)
{
    for (int i = trace->count(), end = i + count; i < end; ++i)
        trace->appendSample(Start + i * 10, {i / 10.0f, -i / 10.0f, i / 1000.0f});
}

// The pieces as "colour first-last".
QStringList describe(const TraceSelection &selection)
{
    QStringList words;
    for (const TraceSelectionItem *item : selection.traceItems()) {
        QString name = QStringLiteral("?");
        for (const char *candidate : {"green", "yellow", "red"}) {
            if (item->color() == QColor::fromString(QLatin1String(candidate)).lighter(150))
                name = QLatin1String(candidate);
        }
        words << QStringLiteral("%1 %2-%3")
                         .arg(name)
                         .arg(item->firstIndex())
                         .arg(item->lastIndex());
    }
    return words;
}

// Runs the event loop until a zero-interval sentinel timer fires: events
// posted and zero-interval timers started before it have run.
void passEventLoop()
{
    QTimer sentinel;
    sentinel.setSingleShot(true);
    QSignalSpy fired(&sentinel, &QTimer::timeout);
    sentinel.start(0);
    QVERIFY(fired.wait());
}

QStringList greens(int from, const QList<int> &ends)
{
    QStringList words;
    for (int end : ends)
        words << QStringLiteral("green %1-%2").arg(std::exchange(from, end)).arg(end);
    return words;
}

} // namespace

class TestTraceSelection : public QObject
{
    Q_OBJECT

private:
    // 100 samples per second, one trace per length, shots (trace, offset).
    static std::unique_ptr<Session> makeSession(const QList<int> &lengths,
                                                const QList<QPoint> &shots = {})
    {
        auto session = std::make_unique<Session>(nullptr);
        session->setSampleRate(100);
        for (int length : lengths)
            appendSamples(session->appendTrace(Start), length);
        for (const QPoint &shot : shots)
            session->segments().at(shot.x())->appendShot(0, shot.y(), false, std::nan(""));
        return session;
    }

    // The worked example: 1000 samples, a shot at 600.
    std::unique_ptr<Session> makeExample() { return makeSession({1000}, {QPoint(0, 600)}); }

private slots:
    void pieces_data()
    {
        QTest::addColumn<QList<int>>("lengths");
        QTest::addColumn<QList<QPoint>>("shots");
        QTest::addColumn<int>("selectedShot"); // -1: the last trace itself
        QTest::addColumn<bool>("showTrace");
        QTest::addColumn<QStringList>("expected");

        const QStringList before600
                = greens(100, {200, 300, 400, 500}) + QStringList {"yellow 500-600", "red 600-650"};
        const QStringList after650 = greens(650, {750, 850, 950, 999});
        QTest::newRow("shot, trace after it") << QList<int> {1000} << QList<QPoint> {{0, 600}} << 0
                                              << true << before600 + after650;
        QTest::newRow("trace without shots")
                << QList<int> {150} << QList<QPoint> {} << -1 << true
                << QStringList {"green 0-49", "yellow 49-149", "red 149-199"};
        // A trace is shown around its last shot; green starts at the one before.
        QTest::newRow("trace with two shots")
                << QList<int> {1000} << QList<QPoint> {{0, 300}, {0, 600}} << -1 << true
                << greens(300, {400, 500}) + before600.mid(4) + after650;
        // The session's previous shot lies in another recording: its offset
        // does not bound this one.
        QTest::newRow("previous shot in another trace")
                << QList<int> {1000, 1000} << QList<QPoint> {{0, 900}, {1, 600}} << 1 << false
                << before600;
    }

    void pieces()
    {
        QFETCH(QList<int>, lengths);
        QFETCH(QList<QPoint>, shots);
        QFETCH(int, selectedShot);
        QFETCH(bool, showTrace);
        QFETCH(QStringList, expected);

        std::unique_ptr<Session> session = makeSession(lengths, shots);
        Trace *trace = selectedShot < 0 ? session->segments().last()
                                        : session->shots().at(selectedShot)->trace();
        TraceSelection selection;
        selection.setShowTrace(showTrace);
        selection.setSelection(selectedShot < 0 ? static_cast<QObject *>(trace)
                                                : session->shots().at(selectedShot));
        QCOMPARE(describe(selection), expected);
        for (const TraceSelectionItem *item : selection.traceItems())
            QCOMPARE(item->trace(), trace);
    }

    void rebuildState()
    {
        std::unique_ptr<Session> session = makeSession({1000}, {{0, 300}, {0, 600}});
        TraceSelection selection;
        QSignalSpy angle(&selection, &TraceSelection::angleChanged);
        selection.setSelection(session->shots().at(1));
        QCOMPARE(
                QList<int>({selection.startPosition(), selection.position(), selection.duration()}),
                QList<int>({0, 999, 9990}));
        QCOMPARE(selection.aimingPoint(), QPointF(99.9f, -99.9f));
        QCOMPARE(selection.angle(), double(0.999f));
        QCOMPARE(angle.count(), 1); // from NaN: bindings must hear of it
        const QList<TraceSelectionShotItem *> &holes = selection.shotItems();
        QVERIFY(holes.size() == 2 && !holes[0]->selected() && holes[1]->selected());

        // Neither trace nor shot, or an empty trace: nothing, and no
        // negative duration.
        QObject unrelated;
        selection.setSelection(&unrelated);
        QVERIFY(selection.traceItems().isEmpty() && selection.shotItems().isEmpty());
        QCOMPARE(selection.endPosition(), -1);
        QCOMPARE(selection.angle(), 0.0);
        std::unique_ptr<Session> empty = makeSession({0});
        selection.setSelection(empty->segments().first());
        QCOMPARE(selection.duration(), 0);
        QVERIFY(std::isnan(selection.angle()));

        empty.reset(); // a deleted selection clears everything
        QVERIFY(!selection.selection() && selection.traceItems().isEmpty());
    }

    void replay()
    {
        std::unique_ptr<Session> session = makeExample();
        TraceSelection selection;
        selection.setSelection(session->shots().first());
        QSignalSpy position(&selection, &TraceSelection::positionChanged);

        selection.setPosition(550);
        const QStringList revealed = greens(100, {200, 300, 400, 500})
                + QStringList {"yellow 500-550", "red 600--1",   "green 650--1",
                               "green 750--1",   "green 850--1", "green 950--1"};
        QCOMPARE(describe(selection), revealed);
        QVERIFY(!selection.shotItems().first()->visible());
        QCOMPARE(selection.durationToEnd(), 4490);
        QCOMPARE(selection.aimingPoint(), QPointF(55.0f, -55.0f));
        QCOMPARE(selection.angle(), double(0.55f));

        // The boundary sample belongs to both neighbouring pieces.
        selection.setPosition(600);
        QCOMPARE(describe(selection).mid(4, 2), QStringList({"yellow 500-600", "red 600-600"}));
        QVERIFY(selection.shotItems().first()->visible());

        for (int ignored : {-1, 1000, 600})
            selection.setPosition(ignored);
        QCOMPARE(position.count(), 2);
        QCOMPARE(selection.position(), 600);
    }

    void eraseMark()
    {
        std::unique_ptr<Session> session = makeSession({150, 300});
        Trace *first = session->segments().at(0);
        TraceSelection selection;
        QSignalSpy traces(&selection, &TraceSelection::tracesChanged);
        selection.eraseCurrent(); // nothing shown, nothing to erase
        QCOMPARE(selection.eraseMark(), 0);

        selection.setSelection(first);
        selection.eraseCurrent(); // takes effect with the next rebuild
        QCOMPARE(selection.eraseMark(), 149);
        QCOMPARE(describe(selection).first(), QStringLiteral("green 0-49"));
        appendSamples(first, 50);
        passEventLoop();
        QCOMPARE(traces.count(), 3);
        QCOMPARE(describe(selection),
                 QStringList({"green 149-99", "yellow 149-199", "red 199-249"}));
        selection.setPosition(120);
        QCOMPARE(selection.traceItems().first()->lastIndex(), -1);

        // The mark belongs to the erased recording, not to the next one.
        selection.setSelection(session->segments().at(1));
        QCOMPARE(describe(selection).first(), QStringLiteral("green 0-100"));
    }
};

KAVRO_TEST_MAIN(TestTraceSelection, QGuiApplication)
#include "tst_traceselection.moc"
