#include "sessionprintout.h"
#include "protocoltable.h"
#include "targetfit.h"
#include "targetpainter.h"

#include <session.h>
#include <sessionanalysis.h>
#include <sessioninfomodel.h>
#include <shot.h>
#include <targetdescriptor.h>

#include <QFontMetricsF>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include <algorithm>
#include <cmath>

namespace {

// A shot hole on the printed face.
struct PrintedShot
{
    QPointF breach; // target millimetres
    int number; // within its series, from 1
};

const QColor HoleFill(200, 200, 200);
const QColor HoleOutline(89, 85, 37);
// A number takes at most this part of its hole's height.
constexpr double NumberFill = 0.8;

QList<PrintedShot> printedShots(const LibModel::Session &session)
{
    QList<PrintedShot> shots;
    for (const LibModel::Shot *shot : session.shots()) {
        const QPointF breach = shot->breach();
        if (std::isfinite(breach.x()) && std::isfinite(breach.y()))
            shots.append({breach, shot->indexInSerie() + 1});
    }
    return shots;
}

// Shrinks the font so that a line of it takes at most NumberFill of a hole
// `side` pixels high; false when the hole is too small for any text.
bool fitNumberFont(QFont *font, const QPaintDevice *device, double side)
{
    const double height = QFontMetricsF(*font, device).height();
    const double limit = NumberFill * side;
    if (height <= limit)
        return true;
    if (limit < 1.0)
        return false;
    const double factor = limit / height;
    if (font->pointSizeF() > 0.0)
        font->setPointSizeF(font->pointSizeF() * factor);
    else
        font->setPixelSize(std::max(1, int(font->pixelSize() * factor)));
    return true;
}

// Draws a face with its shot holes into `area`: the outline of the area,
// the face fitted as the target view fits it (centre of the world in the
// middle, `zoom` as magnification), then each hole of the caliber's
// diameter with its number. Everything stays inside the area.
void drawTarget(QPainter *painter, const QRectF &area, const LibModel::TargetDescriptor *descriptor,
                double zoom, double caliber, const QList<PrintedShot> &shots)
{
    painter->save();
    painter->setBrush(Qt::NoBrush);
    const double inset = painter->pen().widthF() / 2.0;
    painter->drawRect(area.adjusted(inset, inset, -inset, -inset));

    const QRectF world = descriptor ? descriptor->world() : QRectF();
    const TargetFit fit(area.size(), world, zoom, world.center());
    if (!fit.isValid()) {
        painter->restore();
        return;
    }
    painter->translate(area.topLeft());
    painter->setClipRect(QRectF(QPointF(), area.size()), Qt::IntersectClip);
    TargetPainter::paint(painter, descriptor, fit.scaleX(), fit.scaleY(), fit.tx(), fit.ty());

    if (caliber > 0.0) {
        QPen outline(HoleOutline, 0.1, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
        outline.setCosmetic(true);
        painter->setPen(outline);
        painter->setBrush(HoleFill);
        const double radius = caliber / 2.0;
        const QPointF corner(radius, radius);
        for (const PrintedShot &shot : shots) {
            painter->save();
            painter->scale(fit.scaleX(), fit.scaleY());
            painter->translate(fit.tx(), fit.ty());
            painter->drawEllipse(shot.breach, radius, radius);
            painter->restore();

            // The number in unscaled pixels, centred in the hole's square.
            const QRectF square(fit.map(shot.breach - corner), fit.map(shot.breach + corner));
            QFont font = painter->font();
            if (fitNumberFont(&font, painter->device(), square.height())) {
                painter->save();
                painter->setFont(font);
                painter->drawText(square, Qt::AlignCenter, QString::number(shot.number));
                painter->restore();
            }
        }
    }
    painter->restore();
}

} // namespace

QString SessionPrintout::oneDecimal(double value)
{
    // No "-0.0" for a value that rounds to zero.
    return std::isfinite(value) ? QString::number(std::round(value * 10.0) / 10.0 + 0.0, 'f', 1)
                                : QStringLiteral("—");
}

QString SessionPrintout::groupText(const LibModel::Session &session)
{
    const LibModel::ShotGroup group = LibModel::SessionAnalysis(session, false, false).group;
    //: Group line of the session sheet: hits, mean point of impact (СТП) x; y,
    //: extreme spread and mean radius in millimetres; keep the runs of spaces
    return tr("Попаданий: %1   СТП: %2; %3 мм   Разброс: %4 мм   Средний радиус: %5 мм")
            .arg(group.n)
            .arg(oneDecimal(group.mpiX), oneDecimal(group.mpiY), oneDecimal(group.extremeSpread),
                 oneDecimal(group.meanRadius));
}

SessionPrintout::SessionPrintout(QObject *parent)
    : QObject(parent)
{ }

void SessionPrintout::setSession(LibModel::Session *session)
{
    m_session = session;
    emit sessionChanged();
}

void SessionPrintout::setModel(LibModel::SessionInfoModel *model)
{
    m_model = model;
    emit modelChanged();
}

void SessionPrintout::setIsGto(bool value)
{
    if (m_isGto == value)
        return;
    m_isGto = value;
    emit isGtoChanged();
}

void SessionPrintout::print(bool tableMode)
{
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (tableMode)
        printTable(&printer);
    else
        printDocument(&printer);
}

void SessionPrintout::printPreview(bool tableMode)
{
    if (!m_session && !m_model)
        return;
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog dialog(&printer);
    disconnect(this, nullptr, &dialog, nullptr);
    if (tableMode)
        connect(&dialog, &QPrintPreviewDialog::paintRequested, this, &SessionPrintout::printTable);
    else
        connect(&dialog, &QPrintPreviewDialog::paintRequested, this,
                &SessionPrintout::printDocument);
    dialog.exec();
}

void SessionPrintout::printDocument(QPrinter *printer)
{
    const LibModel::Session *session = m_session;
    if (!printer || !session)
        return;
    QPainter painter;
    if (!painter.begin(printer))
        return;

    const QRectF page = printer->pageRect(QPrinter::DevicePixel);
    const double width = page.width();
    const QFont font(QFont(QStringLiteral("Arial"), 10), printer);
    painter.setFont(font);
    const QFontMetricsF metrics(font, printer);
    const double line = metrics.height();

    const QString first = tr("Page %1").arg(1) + QLatin1Char(' ') + m_header;
    painter.drawText(QRectF(0.0, 0.0, width, line), Qt::AlignLeft | Qt::AlignVCenter,
                     metrics.elidedText(first, Qt::ElideRight, width));
    painter.drawText(QRectF(0.0, line, width, line), Qt::AlignLeft | Qt::AlignVCenter,
                     metrics.elidedText(m_header2, Qt::ElideRight, width));
    painter.drawText(QRectF(0.0, 2.0 * line, width, line), Qt::AlignLeft | Qt::AlignVCenter,
                     metrics.elidedText(groupText(*session), Qt::ElideRight, width));

    const double top = 3.0 * line;
    drawTarget(&painter, QRectF(0.0, top, width, page.height() - top), session->targetDescriptor(),
               m_zoom, session->caliber(), printedShots(*session));
    painter.end();
}

void SessionPrintout::printTable(QPrinter *printer)
{
    const LibModel::SessionInfoModel *model = m_model;
    if (!printer || !model)
        return;
    QPainter painter;
    if (!painter.begin(printer))
        return;
    const ProtocolTable table(printer, m_isGto, m_widths);
    table.print(&painter, printer, model, m_header);
    painter.end();
}
