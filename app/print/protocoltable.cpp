#include "protocoltable.h"

#include <fitnessnorm.h>
#include <sessioninfomodel.h>

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

using LibModel::SessionInfoModel;

namespace {

// Rules are a sixth of a millimetre wide, at least one device pixel.
constexpr double RuleDotsPerInch = 150.0;

} // namespace

ProtocolTable::ProtocolTable(QPrinter *printer, bool isGto, const QVector<double> &widths)
    : m_font(QFont(QStringLiteral("Arial"), 10), printer)
    , m_columns(columns(isGto))
{
    const QRectF page = printer->pageRect(QPrinter::DevicePixel);
    m_pageWidth = page.width();
    m_pageHeight = page.height();
    const QFontMetricsF metrics(m_font, printer);
    m_lineHeight = std::ceil(metrics.height());
    m_rowHeight = m_lineHeight + std::ceil(m_lineHeight / 4.0);
    m_padding = metrics.horizontalAdvance(QLatin1Char(' '));
    m_ruleWidth = std::max(1.0, std::round(printer->logicalDpiY() / RuleDotsPerInch));

    double left = 0.0;
    for (int k = 0; k < m_columns.size(); ++k) {
        m_edges.append(left);
        double width = 0.0;
        if (k < widths.size()) {
            width = m_pageWidth * widths.at(k);
        } else {
            // The widest header line: a header of several lines must not
            // reach into the next column.
            for (const QString &line : m_columns.at(k).header)
                width = std::max(width, metrics.horizontalAdvance(line));
        }
        left += std::max(0.0, width);
    }
    m_edges.append(left);
}

QVector<ProtocolTable::Column> ProtocolTable::columns(bool isGto)
{
    // A heading's lines, each with a space either side; the translation
    // chooses where its lines break.
    const auto heading = [](const QString &text) {
        QStringList lines = text.split(QLatin1Char('\n'));
        for (QString &line : lines)
            line = QLatin1Char(' ') + line + QLatin1Char(' ');
        return lines;
    };
    if (isGto) {
        return {
                //: Column heading: full name
                {heading(tr("Ф.И.О.")), SessionInfoModel::ShooterNameRole, false},
                //: Column heading: the fitness-norm participant's identification number
                {heading(tr("УИНН")), SessionInfoModel::GtoUuidRole, false},
                //: Column heading: date of birth; a line break splits it (three lines at most)
                {heading(tr("Дата\nРождения")), SessionInfoModel::BirthDateRole, false},
                //: Column heading: the shooter's sex
                {heading(tr("Пол")), SessionInfoModel::SexRole, false},
                //: Column heading: the shooter's school or place of work; a line break splits it
                //: (three lines at most)
                {heading(tr("Основное место\nучёбы (работы)")),
                 SessionInfoModel::ShooterOrganizationRole, false},
                //: Column heading: the fitness-norm age class
                {heading(tr("Ступень")), SessionInfoModel::StepRole, false},
                //: Column heading: the shooter's score
                {heading(tr("Результат")), SessionInfoModel::ResultRole, false},
                //: Column heading: the fitness-norm grade reached; a line break splits it (three
                //: lines at most)
                {heading(tr("Выполнение\nнорматива")), SessionInfoModel::MedalRole, false},
                //: Column heading: bib number; a line break splits it (three lines at most)
                {heading(tr("Нагрудный\nномер")), SessionInfoModel::PectoralNumberRole, false},
                //: Column heading: sports rank; a line break splits it (three lines at most)
                {heading(tr("Спортивный\nразряд")), SessionInfoModel::AthleticRankRole, false},
        };
    }
    return {
            //: Column heading: the shooter's club or school
            {heading(tr("Организация")), SessionInfoModel::ShooterOrganizationRole, false},
            //: Column heading: the shooter's group or school class (not a group of shots)
            {heading(tr("Группа")), SessionInfoModel::ShooterGroupRole, false},
            //: Column heading: full name
            {heading(tr("Ф.И.О.")), SessionInfoModel::ShooterNameRole, false},
            //: Column heading: the shooter's score
            {heading(tr("Результат")), SessionInfoModel::ResultRole, false},
            //: Column heading: the ranking place (not a location)
            {heading(tr("Место")), SessionInfoModel::PlaceRole, false},
            //: Column heading: the score with decimals; a line break splits it (three lines at
            //: most)
            {heading(tr("Результат\n(дробные)")), SessionInfoModel::ResultRealRole, true},
            //: Column heading: the ranking place by the score with decimals; a line break splits it
            //: (three lines at most)
            {heading(tr("Место по\nрезультату\nс дробными")), SessionInfoModel::PlaceRealRole,
             false},
    };
}

double ProtocolTable::bodyTop() const
{
    const double gap = m_rowHeight - m_lineHeight;
    return m_rowHeight + HeaderLines * m_lineHeight + gap;
}

int ProtocolTable::rowsPerPage() const
{
    const double room = m_pageHeight - bodyTop() - m_ruleWidth;
    return std::max(1, int(std::floor(room / m_rowHeight)));
}

int ProtocolTable::pageCount(int rows) const
{
    const int perPage = rowsPerPage();
    return rows <= 0 ? 0 : (rows + perPage - 1) / perPage;
}

QVector<double> ProtocolTable::fittedWidths(const SessionInfoModel *model, QPrinter *printer) const
{
    const QFontMetricsF metrics(m_font, printer);
    QVector<double> needed;
    for (const Column &column : m_columns) {
        double width = 0.0;
        for (const QString &line : column.header)
            width = std::max(width, metrics.horizontalAdvance(line));
        for (int row = 0; model && row < model->rowCount(); ++row) {
            const QString text = cellText(column, model->data(model->index(row), column.role));
            // A pixel to spare, so that the text is not shortened by rounding.
            width = std::max(width, metrics.horizontalAdvance(text) + 2.0 * m_padding + 1.0);
        }
        needed.append(width);
    }

    const double total = std::accumulate(needed.cbegin(), needed.cend(), 0.0);
    double cap = std::numeric_limits<double>::infinity();
    if (total > m_pageWidth) {
        // The narrow columns keep their room; the widest ones share what is
        // left equally.
        QVector<double> ascending = needed;
        std::sort(ascending.begin(), ascending.end());
        double left = m_pageWidth;
        for (int i = 0; i < ascending.size(); ++i) {
            const int sharing = int(ascending.size()) - i;
            if (ascending.at(i) * sharing > left) {
                cap = left / sharing;
                break;
            }
            left -= ascending.at(i);
        }
    }
    const double used = total > m_pageWidth ? m_pageWidth : total;
    QVector<double> widths;
    for (const double width : needed) {
        // Spare room is shared out in proportion to the widths.
        widths.append(std::min(width, cap) / used);
    }
    return widths;
}

QString ProtocolTable::cellText(const Column &column, const QVariant &value)
{
    // The grade is stored in the language of the sources.
    if (column.role == SessionInfoModel::MedalRole)
        return LibModel::FitnessNorm::displayWord(value.toString());
    if (column.oneDecimal) {
        // Absent and not-a-number values count as 0, as in the ranking.
        const double number = value.toDouble();
        return QString::number(std::isfinite(number) ? number : 0.0, 'f', 1);
    }
    return value.toString();
}

void ProtocolTable::print(QPainter *painter, QPrinter *printer, const SessionInfoModel *model,
                          const QString &header) const
{
    if (!painter || !printer || !model)
        return;
    const int rows = model->rowCount();
    const int perPage = rowsPerPage();
    for (int page = 0; page < pageCount(rows); ++page) {
        if (page > 0)
            printer->newPage();
        const int first = page * perPage;
        printPage(painter, model, header, page + 1, first, std::min(perPage, rows - first));
    }
}

void ProtocolTable::printPage(QPainter *painter, const SessionInfoModel *model,
                              const QString &header, int page, int firstRow, int rowCount) const
{
    painter->save();
    painter->setFont(m_font);
    painter->setPen(QPen(Qt::black, m_ruleWidth, Qt::SolidLine, Qt::FlatCap));
    painter->setBrush(Qt::NoBrush);
    const QFontMetricsF metrics(m_font, painter->device());
    const double gap = m_rowHeight - m_lineHeight;
    const double half = m_ruleWidth / 2.0;
    // Rules stay inside the page even at its edges.
    const auto ruleX = [&](double x) { return std::clamp(x, half, m_pageWidth - half); };
    const double tableRight = ruleX(m_edges.constLast());

    const QString title = QCoreApplication::translate("SessionPrintout", "Page %1").arg(page)
            + QStringLiteral("     ") + header;
    painter->drawText(QRectF(0.0, 0.0, m_pageWidth, m_rowHeight), Qt::AlignLeft | Qt::AlignVCenter,
                      metrics.elidedText(title, Qt::ElideRight, m_pageWidth));
    painter->drawLine(QPointF(0.0, m_rowHeight), QPointF(m_pageWidth, m_rowHeight));

    // Only the part of a column that lies on the page takes text.
    const auto cell = [&](int k, double top, double height, double padding) {
        const double left = m_edges.at(k) + padding;
        const double right = std::min(m_edges.at(k + 1), m_pageWidth) - padding;
        return QRectF(left, top, std::max(0.0, right - left), height);
    };

    const double headerTop = m_rowHeight + gap / 2.0;
    for (int k = 0; k < m_columns.size(); ++k) {
        const QStringList &lines = m_columns.at(k).header;
        for (int line = 0; line < lines.size() && line < HeaderLines; ++line) {
            const QRectF box = cell(k, headerTop + line * m_lineHeight, m_lineHeight, 0.0);
            // A header that does not fit loses its trailing space first.
            QString text = lines.at(line);
            if (metrics.horizontalAdvance(text) > box.width())
                text = text.trimmed().prepend(QLatin1Char(' '));
            painter->drawText(box, Qt::AlignLeft | Qt::AlignVCenter,
                              metrics.elidedText(text, Qt::ElideRight, box.width()));
        }
    }
    const double top = bodyTop();
    painter->drawLine(QPointF(0.0, top), QPointF(tableRight, top));

    for (int i = 0; i < rowCount; ++i) {
        const QModelIndex index = model->index(firstRow + i);
        const double rowTop = top + i * m_rowHeight;
        for (int k = 0; k < m_columns.size(); ++k) {
            const Column &column = m_columns.at(k);
            const QRectF box = cell(k, rowTop, m_rowHeight, m_padding);
            const QString text = cellText(column, model->data(index, column.role));
            painter->drawText(box, Qt::AlignLeft | Qt::AlignVCenter,
                              metrics.elidedText(text, Qt::ElideRight, box.width()));
        }
        const double rowBottom = rowTop + m_rowHeight;
        painter->drawLine(QPointF(0.0, rowBottom), QPointF(tableRight, rowBottom));
    }

    // A rule left of every column that starts on the page, and one closing
    // the table, at the page edge when the table is wider.
    const double bottom = top + rowCount * m_rowHeight;
    for (int k = 0; k < m_edges.size(); ++k) {
        const bool closing = k == m_edges.size() - 1;
        if (!closing && m_edges.at(k) >= m_pageWidth)
            continue;
        const double x = closing ? tableRight : ruleX(m_edges.at(k));
        painter->drawLine(QPointF(x, m_rowHeight), QPointF(x, bottom));
    }
    painter->restore();
}
