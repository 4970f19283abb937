#include "targetprintout.h"
#include "targetfit.h"
#include "targetpainter.h"

#include <targetdescriptor.h>

#include <QFontMetrics>
#include <QPainter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include <cmath>

namespace {

constexpr double MillimetresPerInch = 25.4;
// The face sits this fraction of the page height below the vertically
// centred position, leaving room for the title above it.
constexpr double FaceDrop = 0.146;

// The left or top edge of the face: truncated, and 0 when not positive so
// that a face larger than the page starts at the page edge.
int faceEdge(double value)
{
    const int edge = int(value);
    return edge > 0 ? edge : 0;
}

} // namespace

TargetPrintout::TargetPrintout(QObject *parent)
    : QObject(parent)
{ }

void TargetPrintout::setTargetDescriptor(LibModel::TargetDescriptor *descriptor)
{
    if (m_targetDescriptor == descriptor)
        return;
    m_targetDescriptor = descriptor;
    emit targetDescriptorChanged();
    emit validChanged();
}

void TargetPrintout::setTitle(const QString &title)
{
    if (m_title == title)
        return;
    m_title = title;
    emit titleChanged();
}

void TargetPrintout::setDistance(double distance)
{
    if (m_distance == distance)
        return;
    m_distance = distance;
    emit distanceChanged();
}

void TargetPrintout::setDistanceToPrintout(double distance)
{
    if (m_distanceToPrintout == distance)
        return;
    m_distanceToPrintout = distance;
    emit distanceToPrintoutChanged();
}

void TargetPrintout::setSimplified(bool simplified)
{
    if (m_simplified == simplified)
        return;
    m_simplified = simplified;
    emit simplifiedChanged();
}

void TargetPrintout::print()
{
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer);
    if (dialog.exec() == QDialog::Accepted)
        printDocument(&printer);
}

void TargetPrintout::preview()
{
    QPrinter printer(QPrinter::ScreenResolution);
    QPrintPreviewDialog dialog(&printer);
    connect(&dialog, &QPrintPreviewDialog::paintRequested, this, &TargetPrintout::printDocument);
    dialog.exec();
}

void TargetPrintout::printDocument(QPrinter *printer)
{
    const LibModel::TargetDescriptor *descriptor = m_targetDescriptor;
    if (!printer || !descriptor)
        return;
    QPainter painter;
    if (!painter.begin(printer))
        return;
    painter.save();

    const QRect page = printer->pageRect(QPrinter::DevicePixel).toRect();
    const int pageWidth = page.width();
    const int pageHeight = page.height();
    const double pixelsPerMmX = printer->logicalDpiX() / MillimetresPerInch;
    const double pixelsPerMmY = printer->logicalDpiY() / MillimetresPerInch;
    painter.setClipRect(QRect(QPoint(0, 0), QPoint(pageWidth - 1, pageHeight - 1)));

    // The face at the scale of the two distances, centred across the page
    // and lowered below the middle.
    const QRectF world = descriptor->world();
    const double k = m_distanceToPrintout / m_distance;
    const double faceWidth = pixelsPerMmX * world.width() * k;
    const double faceHeight = pixelsPerMmY * world.height() * k;
    if (std::isfinite(faceWidth) && std::isfinite(faceHeight)) {
        const QRectF face(faceEdge((pageWidth - faceWidth) / 2.0),
                          faceEdge((pageHeight - faceHeight) / 2.0 + FaceDrop * pageHeight),
                          faceWidth, faceHeight);
        const TargetFit fit(face.size(), world, 1.0, world.center());
        if (fit.isValid()) {
            painter.save();
            painter.translate(face.topLeft());
            painter.setBrush(Qt::NoBrush);
            TargetPainter::paint(&painter, descriptor, fit.scaleX(), fit.scaleY(), fit.tx(),
                                 fit.ty(), m_simplified);
            painter.restore();
        }
    }

    // The title last, so that a face reaching the top of the page cannot
    // hide it.
    const QFont font(QFont(QStringLiteral("Arial"), 14), printer);
    painter.setFont(font);
    const int baseline = QFontMetrics(font, printer).boundingRect(m_title).height();
    painter.drawText(QPoint(0, baseline), m_title);

    painter.restore();
    painter.end();
}
