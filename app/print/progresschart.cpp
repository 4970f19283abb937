#include "progresschart.h"

#include <sessionanalysis.h>
#include <targetdescriptor.h>
#include <targetmanager.h>

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace {

constexpr double MsPerDay = 86400000.0;
const QColor ScoreColor(25, 70, 160);
const QColor RadiusColor(170, 40, 30);
const QColor GridColor(200, 200, 200);

double days(qint64 timer)
{
    return double(timer) / MsPerDay;
}

QString dateText(double day, const QString &format)
{
    return QDateTime::fromMSecsSinceEpoch(qint64(std::llround(day * MsPerDay))).toString(format);
}

// 1, 2 or 5 times a power of ten, at least `raw`.
double niceStep(double raw)
{
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double factor : {1.0, 2.0, 5.0}) {
        if (factor * power >= raw)
            return factor * power;
    }
    return 10.0 * power;
}

} // namespace

ProgressChart::Line ProgressChart::trend(const QList<QPointF> &points)
{
    QList<QPointF> last;
    for (auto it = points.crbegin(); it != points.crend() && last.size() < TrendLength; ++it) {
        if (std::isfinite(it->x()) && std::isfinite(it->y()))
            last.prepend(*it);
    }
    Line line;
    if (last.size() < 2)
        return line;
    // Centred on the mean x, which keeps the sums small for dates.
    double meanX = 0.0, meanY = 0.0;
    for (const QPointF &point : std::as_const(last)) {
        meanX += point.x();
        meanY += point.y();
    }
    meanX /= last.size();
    meanY /= last.size();
    double sxx = 0.0, sxy = 0.0;
    for (const QPointF &point : std::as_const(last)) {
        sxx += (point.x() - meanX) * (point.x() - meanX);
        sxy += (point.x() - meanX) * (point.y() - meanY);
    }
    if (!(sxx > 0.0))
        return line;
    line.slope = sxy / sxx;
    line.intercept = meanY - line.slope * meanX;
    line.from = last.constFirst().x();
    line.to = last.constLast().x();
    line.isValid = true;
    return line;
}

ProgressChart::Axis ProgressChart::valueAxis(const QList<QPointF> &values, const Line &line)
{
    QList<double> ys;
    for (const QPointF &value : values)
        ys.append(value.y());
    if (line.isValid) {
        ys.append(line.slope * line.from + line.intercept);
        ys.append(line.slope * line.to + line.intercept);
    }
    Axis axis;
    if (ys.isEmpty())
        return axis;
    double low = *std::min_element(ys.cbegin(), ys.cend());
    double high = *std::max_element(ys.cbegin(), ys.cend());
    if (high - low < 1e-6) {
        low -= 0.5;
        high += 0.5;
    }
    axis.step = niceStep((high - low) / 4.0);
    axis.min = std::floor(low / axis.step + 1e-9) * axis.step;
    axis.max = std::ceil(high / axis.step - 1e-9) * axis.step;
    axis.decimals = std::max(0, int(-std::floor(std::log10(axis.step) + 1e-9)));
    // Room for the points' marks at the ends.
    const double margin = 0.06 * (axis.max - axis.min);
    axis.low = axis.min - margin;
    axis.high = axis.max + margin;
    return axis;
}

ProgressChart::DateAxis ProgressChart::dateAxis(double width, double labelWidth) const
{
    DateAxis axis;
    if (m_points.isEmpty())
        return axis;
    double first = days(m_points.constFirst().timer), last = first;
    for (const Point &point : m_points) {
        first = std::min(first, days(point.timer));
        last = std::max(last, days(point.timer));
    }
    const double span = last - first;
    axis.format = span < 2.0
            //: Date and time on the chart's axis, as QDateTime::toString takes it
            ? QCoreApplication::translate("ProgressChart", "dd.MM hh:mm")
            //: Date on the chart's axis, as QDateTime::toString takes it
            : QCoreApplication::translate("ProgressChart", "dd.MM.yyyy");
    const double pad = span > 0.0 ? span * 0.05 : 0.5;
    axis.min = first - pad;
    axis.max = last + pad;
    // As many dates as fit with room between them: local midnights a whole
    // number of days apart, or, within two days, evenly spaced times; a
    // date printed already is not repeated.
    const int intervals = span > 0.0 ? std::clamp(int(width / (1.6 * labelWidth)), 1, 6) : 0;
    QList<double> ticks;
    if (span >= 2.0) {
        const int step = std::max(1, int(std::ceil(span / intervals)));
        const QDate firstDate = QDateTime::fromMSecsSinceEpoch(qint64(first * MsPerDay)).date();
        for (QDate date = firstDate.addDays(1);; date = date.addDays(step)) {
            const double day = days(date.startOfDay().toMSecsSinceEpoch());
            if (day > last)
                break;
            ticks.append(day);
        }
    } else {
        for (int i = 0; i <= intervals; ++i)
            ticks.append(intervals == 0 ? first : first + span * i / intervals);
    }
    QString previous;
    for (const double day : std::as_const(ticks)) {
        const QString text = dateText(day, axis.format);
        if (text != previous)
            axis.ticks.append(day);
        previous = text;
    }
    return axis;
}

void ProgressChart::paint(QPainter *painter, const QRectF &area) const
{
    painter->save();
    const QFont font = painter->font();
    const QFontMetricsF metrics(font, painter->device());
    const double line = metrics.height();

    // The title, and the legend of the trend at the right.
    QFont bold = font;
    bold.setBold(true);
    painter->setFont(bold);
    painter->setPen(Qt::black);
    const QRectF titleBox(area.left(), area.top(), area.width(), line);
    //: Legend of the dashed trend line; %1 is a number of sessions (10)
    const QString legend
            = QCoreApplication::translate("ProgressChart", "тренд по последним %1 сессиям")
                      .arg(TrendLength);
    const double legendWidth = metrics.horizontalAdvance(legend) + 2.5 * line;
    painter->drawText(titleBox.adjusted(0, 0, -legendWidth, 0), Qt::AlignLeft | Qt::AlignVCenter,
                      QFontMetricsF(bold, painter->device())
                              .elidedText(m_title, Qt::ElideRight,
                                          std::max(0.0, area.width() - legendWidth)));
    painter->setFont(font);
    painter->drawText(titleBox, Qt::AlignRight | Qt::AlignVCenter, legend);
    const double sampleRight = titleBox.right() - metrics.horizontalAdvance(legend) - 0.4 * line;
    painter->setPen(QPen(Qt::black, 0.08 * line, Qt::DashLine, Qt::FlatCap));
    painter->drawLine(QPointF(sampleRight - 1.8 * line, titleBox.center().y()),
                      QPointF(sampleRight, titleBox.center().y()));

    QList<QPointF> scores, radii;
    for (const Point &point : m_points) {
        if (std::isfinite(point.meanScore))
            scores.append({days(point.timer), point.meanScore});
        if (std::isfinite(point.meanRadius))
            radii.append({days(point.timer), point.meanRadius});
    }

    const double left = area.left() + metrics.horizontalAdvance(QStringLiteral("000.0")) + line;
    const double width = std::max(1.0, area.right() - 0.5 * line - left);
    const double labelWidth = metrics.horizontalAdvance(QStringLiteral("00.00.0000"));
    const DateAxis dates = dateAxis(width, labelWidth);
    // Title, a label above each panel, a gap between them, dates below.
    const double panel = std::max(line, (area.height() - 5.0 * line) / 2.0);
    const QRectF upper(left, area.top() + 2.2 * line, width, panel);
    const QRectF lower(left, upper.bottom() + 1.6 * line, width, panel);

    const auto label = [&](const QRectF &frame, const QString &text, const QColor &color) {
        painter->setPen(color);
        // Over the panel itself, clear of the value labels at its left.
        painter->drawText(QRectF(frame.left(), frame.top() - line * 1.15, frame.width(), line),
                          Qt::AlignLeft | Qt::AlignVCenter, text);
    };
    //: Panel label: the mean score per shot of each session
    label(upper, QCoreApplication::translate("ProgressChart", "Средний балл"), ScoreColor);
    //: Panel label: the mean radius of each session's group, in millimetres
    label(lower, QCoreApplication::translate("ProgressChart", "Средний радиус, мм"), RadiusColor);
    paintPanel(painter, upper, scores, ScoreColor, dates, false);
    paintPanel(painter, lower, radii, RadiusColor, dates, true);
    painter->restore();
}

void ProgressChart::paintPanel(QPainter *painter, const QRectF &frame, const QList<QPointF> &values,
                               const QColor &color, const DateAxis &dates, bool withDates)
{
    const QFontMetricsF metrics(painter->font(), painter->device());
    const double line = metrics.height();
    const Line trendLine = trend(values);
    const Axis axis = valueAxis(values, trendLine);
    const auto mapX = [&](double x) {
        return frame.left() + (x - dates.min) / (dates.max - dates.min) * frame.width();
    };
    const auto mapY = [&](double y) {
        return frame.bottom() - (y - axis.low) / (axis.high - axis.low) * frame.height();
    };
    const double tick = 0.3 * line;

    // The grid and the value labels.
    painter->setBrush(Qt::NoBrush);
    const int steps = int(std::lround((axis.max - axis.min) / axis.step));
    for (int i = 0; i <= steps; ++i) {
        const double value = axis.min + i * axis.step;
        const double y = mapY(value);
        painter->setPen(QPen(GridColor, 0.03 * line));
        painter->drawLine(QPointF(frame.left(), y), QPointF(frame.right(), y));
        painter->setPen(QPen(Qt::black, 0.05 * line));
        painter->drawLine(QPointF(frame.left() - tick, y), QPointF(frame.left(), y));
        painter->drawText(QRectF(frame.left() - tick - 6.0 * line, y - line / 2.0,
                                 6.0 * line - 0.2 * line, line),
                          Qt::AlignRight | Qt::AlignVCenter,
                          QString::number(value, 'f', axis.decimals));
    }
    for (const double day : dates.ticks) {
        const double x = mapX(day);
        painter->setPen(QPen(GridColor, 0.03 * line));
        painter->drawLine(QPointF(x, frame.top()), QPointF(x, frame.bottom()));
        painter->setPen(QPen(Qt::black, 0.05 * line));
        painter->drawLine(QPointF(x, frame.bottom()), QPointF(x, frame.bottom() + tick));
        if (withDates) {
            const QString text = dateText(day, dates.format);
            const double half = metrics.horizontalAdvance(text) / 2.0 + 0.1 * line;
            // Kept under the panel at its ends.
            const double centre
                    = std::clamp(x, frame.left() - tick, frame.right() + 0.5 * line - half);
            painter->drawText(QRectF(centre - half, frame.bottom() + tick, 2.0 * half, line),
                              Qt::AlignCenter, text);
        }
    }
    painter->setPen(QPen(Qt::black, 0.05 * line));
    painter->drawRect(frame);

    painter->save();
    painter->setClipRect(frame.adjusted(-0.3 * line, -0.3 * line, 0.3 * line, 0.3 * line));
    painter->setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    for (const QPointF &value : values) {
        const QPointF at(mapX(value.x()), mapY(value.y()));
        if (path.elementCount() == 0)
            path.moveTo(at);
        else
            path.lineTo(at);
    }
    painter->setPen(QPen(color, 0.06 * line));
    painter->drawPath(path);
    painter->setBrush(color);
    const double radius = 0.16 * line;
    for (const QPointF &value : values)
        painter->drawEllipse(QPointF(mapX(value.x()), mapY(value.y())), radius, radius);
    if (trendLine.isValid) {
        painter->setPen(QPen(Qt::black, 0.08 * line, Qt::DashLine, Qt::FlatCap));
        const auto at = [&](double x) {
            return QPointF(mapX(x), mapY(trendLine.slope * x + trendLine.intercept));
        };
        painter->drawLine(at(trendLine.from), at(trendLine.to));
    }
    painter->restore();
}

QList<ProgressChart> ProgressChart::perTarget(const QList<LibModel::SessionAnalysis> &sessions,
                                              const LibModel::TargetManager *targets)
{
    QList<ProgressChart> charts;
    QHash<QString, int> chartOf; // target uuid -> index in charts
    for (const LibModel::SessionAnalysis &analysis : sessions) {
        int index = chartOf.value(analysis.targetUuid, -1);
        if (index < 0) {
            const LibModel::TargetDescriptor *descriptor
                    = targets ? targets->findByUuid(analysis.targetUuid) : nullptr;
            index = int(charts.size());
            chartOf.insert(analysis.targetUuid, index);
            charts.append(ProgressChart());
            charts.last().setTitle(descriptor ? descriptor->name() : analysis.targetUuid);
        }
        charts[index].m_points.append(
                Point {analysis.timer, analysis.group.meanScore, analysis.group.meanRadius});
    }
    for (ProgressChart &chart : charts)
        //: Chart title: %1 the target face's name, %2 the number of sessions
        chart.setTitle(QCoreApplication::translate("ProgressChart", "Мишень %1, сессий: %2")
                               .arg(chart.title())
                               .arg(chart.points().size()));
    return charts;
}
