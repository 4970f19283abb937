#include "progressprintout.h"
#include "sessionprintout.h"

#include <session.h>
#include <sessionanalysis.h>
#include <sessioninfo.h>
#include <sessioninfomodel.h>
#include <targetdescriptor.h>
#include <targetmanager.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QFontMetricsF>
#include <QHash>
#include <QPainter>
#include <QPrinter>

#include <cmath>

namespace {

const QString ResultRealKey = QStringLiteral("resultReal");

// The table's columns: header (translated when printed) and share of the
// page width.
struct Column
{
    const char *header;
    double width;
};

const QList<Column> &columns()
{
    static const QList<Column> list = {
            //: Column heading: date and time of the session
            {QT_TRANSLATE_NOOP("ProgressPrintout", "Дата"), 0.2},
            //: Column heading: the target face
            {QT_TRANSLATE_NOOP("ProgressPrintout", "Мишень"), 0.12},
            //: Column heading: the number of shots
            {QT_TRANSLATE_NOOP("ProgressPrintout", "Выстрелов"), 0.13},
            //: Column heading: the session's score
            {QT_TRANSLATE_NOOP("ProgressPrintout", "Результат"), 0.14},
            //: Column heading: the mean score per shot
            {QT_TRANSLATE_NOOP("ProgressPrintout", "Средний балл"), 0.17},
            //: Column heading: the mean radius of the group, in millimetres
            {QT_TRANSLATE_NOOP("ProgressPrintout", "Средний радиус, мм"), 0.24},
    };
    return list;
}

// The real-valued result when the session has one, else the whole one.
QString resultText(const LibModel::SessionInfo &info)
{
    const auto real = info.properties.constFind(ResultRealKey);
    if (real != info.properties.constEnd() && std::isfinite(real->toDouble()))
        return QString::number(real->toDouble(), 'f', 1);
    return QString::number(info.result);
}

QFont scaled(const QFont &font, double factor, bool bold)
{
    QFont result = font;
    result.setPointSizeF(font.pointSizeF() * factor);
    result.setBold(bold);
    return result;
}

} // namespace

void ProgressPrintout::setSessions(const QList<LibModel::SessionAnalysis> &analyses,
                                   const QList<LibModel::SessionInfo> &infos,
                                   const LibModel::TargetManager *targets)
{
    m_charts = ProgressChart::perTarget(analyses, targets);
    m_rows.clear();
    QHash<qint64, const LibModel::SessionInfo *> byId;
    for (const LibModel::SessionInfo &info : infos)
        byId.insert(info.id, &info);
    for (const LibModel::SessionAnalysis &analysis : analyses) {
        const LibModel::TargetDescriptor *descriptor
                = targets ? targets->findByUuid(analysis.targetUuid) : nullptr;
        const QString target = descriptor ? descriptor->name() : analysis.targetUuid;
        const LibModel::ShotGroup &group = analysis.group;
        const LibModel::SessionInfo *info = byId.value(analysis.sessionId);
        m_rows.append(Row {analysis.timer, target, info ? info->shotCount : group.n,
                           info ? resultText(*info) : QStringLiteral("—"), group.meanScore,
                           group.meanRadius});
    }
}

int ProgressPrintout::print(QPrinter *printer) const
{
    if (!printer)
        return 0;
    QPainter painter;
    if (!painter.begin(printer))
        return 0;
    const QRectF pageRect = printer->pageRect(QPrinter::DevicePixel);
    const double width = pageRect.width();
    const double height = pageRect.height();
    const QFont font(QFont(QStringLiteral("Arial"), 10), printer);
    painter.setFont(font);
    const double line = QFontMetricsF(font, printer).height();
    const double rowHeight = 1.5 * line;
    const double chartHeight = 0.34 * height;

    int pages = 1;
    double y = paintHeading(&painter, width, pages);
    const auto newPage = [&] {
        printer->newPage();
        ++pages;
        y = paintHeading(&painter, width, pages);
    };

    for (const ProgressChart &chart : m_charts) {
        if (y + chartHeight > height)
            newPage();
        chart.paint(&painter, QRectF(0.0, y, width, chartHeight));
        y += chartHeight + 1.5 * line;
    }

    if (y + 2.0 * rowHeight > height)
        newPage();
    y += paintTableHeader(&painter, y, width, rowHeight);
    for (const Row &row : m_rows) {
        if (y + rowHeight > height) {
            newPage();
            y += paintTableHeader(&painter, y, width, rowHeight);
        }
        paintRow(&painter, row, y, width, rowHeight);
        y += rowHeight;
    }
    painter.end();
    return pages;
}

double ProgressPrintout::paintHeading(QPainter *painter, double width, int page) const
{
    painter->save();
    const QFont font = scaled(painter->font(), page == 1 ? 1.4 : 1.0, true);
    const QFontMetricsF metrics(font, painter->device());
    painter->setFont(font);
    painter->setPen(Qt::black);
    const QString text = page == 1
            //: Heading of the first page: %1 is the shooter's name
            ? QCoreApplication::translate("ProgressPrintout", "Прогресс стрелка: %1").arg(m_name)
            //: Heading of further pages: %1 the shooter's name, %2 the page (sheet) number
            : QCoreApplication::translate("ProgressPrintout", "%1, лист %2").arg(m_name).arg(page);
    painter->drawText(QRectF(0.0, 0.0, width, metrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                      metrics.elidedText(text, Qt::ElideRight, width));
    painter->restore();
    return 1.8 * metrics.height();
}

double ProgressPrintout::paintTableHeader(QPainter *painter, double top, double width,
                                          double height)
{
    painter->save();
    const QFont font = scaled(painter->font(), 1.0, true);
    const QFontMetricsF metrics(font, painter->device());
    painter->setFont(font);
    double left = 0.0;
    for (const Column &column : columns()) {
        const QRectF cell(left, top, column.width * width, height);
        painter->drawText(
                cell.adjusted(0.2 * height, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                metrics.elidedText(QCoreApplication::translate("ProgressPrintout", column.header),
                                   Qt::ElideRight, cell.width() - 0.2 * height));
        left = cell.right();
    }
    painter->setPen(QPen(Qt::black, 0.05 * height));
    painter->drawLine(QPointF(0.0, top + height), QPointF(width, top + height));
    painter->restore();
    return height;
}

void ProgressPrintout::paintRow(QPainter *painter, const Row &row, double top, double width,
                                double height)
{
    const QStringList texts
            = {QDateTime::fromMSecsSinceEpoch(row.timer).toString(
                       //: A session's date and time, as QDateTime::toString takes it
                       QCoreApplication::translate("ProgressPrintout", "dd.MM.yyyy hh:mm")),
               row.target,
               QString::number(row.shots),
               row.result,
               SessionPrintout::oneDecimal(row.meanScore),
               SessionPrintout::oneDecimal(row.meanRadius)};
    const QFontMetricsF metrics(painter->font(), painter->device());
    painter->save();
    double left = 0.0;
    for (int i = 0; i < texts.size(); ++i) {
        const QRectF cell(left, top, columns().at(i).width * width, height);
        painter->drawText(
                cell.adjusted(0.2 * height, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                metrics.elidedText(texts.at(i), Qt::ElideRight, cell.width() - 0.2 * height));
        left = cell.right();
    }
    painter->setPen(QPen(QColor(170, 170, 170), 0.03 * height));
    painter->drawLine(QPointF(0.0, top + height), QPointF(width, top + height));
    painter->restore();
}
