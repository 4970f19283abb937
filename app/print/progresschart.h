#pragma once

#include <QList>
#include <QPointF>
#include <QString>

class QColor;
class QPainter;
class QRectF;

namespace LibModel {
class SessionAnalysis;
class TargetManager;
} // namespace LibModel

// A shooter's progress on one target face, painted with any painter (a
// printer, an image, an on-screen item): the mean score per session above,
// the mean radius per session below, against the sessions' dates, each with
// the least-squares trend of the last sessions as a dashed line. Sizes
// follow the painter's font, so the chart reads alike on paper and screen.
class ProgressChart
{
public:
    struct Point
    {
        qint64 timer = 0; // the session's start, milliseconds since the epoch
        double meanScore = 0.0; // NaN: the session has no group
        double meanRadius = 0.0; // mm, NaN likewise
    };

    // y = slope * x + intercept over the x range [from, to].
    struct Line
    {
        double slope = 0.0;
        double intercept = 0.0;
        double from = 0.0;
        double to = 0.0;
        bool isValid = false;
    };

    // The sessions the trend is drawn through.
    static constexpr int TrendLength = 10;

    void setTitle(const QString &title) { m_title = title; }
    QString title() const { return m_title; }
    // Oldest first.
    void setPoints(const QList<Point> &points) { m_points = points; }
    const QList<Point> &points() const { return m_points; }

    // One chart per target face, in the order the faces were first used,
    // titled with the face's name and the number of its sessions.
    static QList<ProgressChart> perTarget(const QList<LibModel::SessionAnalysis> &sessions,
                                          const LibModel::TargetManager *targets);

    // The least-squares line through the last TrendLength points with a
    // finite y; invalid unless they span more than one x.
    static Line trend(const QList<QPointF> &points);

    void paint(QPainter *painter, const QRectF &area) const;

private:
    // Ticks from min to max; the panel shows low to high.
    struct Axis
    {
        double min = 0.0;
        double max = 1.0;
        double low = 0.0;
        double high = 1.0;
        double step = 1.0;
        int decimals = 0;
    };
    // Days since the epoch: the range shown, the ticks and their format.
    struct DateAxis
    {
        double min = 0.0;
        double max = 1.0;
        QList<double> ticks;
        QString format;
    };
    static Axis valueAxis(const QList<QPointF> &values, const Line &line);
    DateAxis dateAxis(double width, double labelWidth) const;

    // One panel: the frame, the value ticks, the date grid, the points and
    // the trend; the dates below it when `withDates`.
    static void paintPanel(QPainter *painter, const QRectF &frame, const QList<QPointF> &values,
                           const QColor &color, const DateAxis &dates, bool withDates);

    QString m_title;
    QList<Point> m_points;
};
