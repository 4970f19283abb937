#pragma once

#include <QImage>
#include <QRect>
#include <QString>

#include <memory>

class QPrinter;

// PDF files as the tool writes them, read back through poppler's command
// line programs: the page count, the text and pages as images.
class PdfProbe
{
public:
    PdfProbe() = delete;

    static constexpr int PrinterDpi = 300;

    // A PDF printer as the tool sets one up: A4 portrait at PrinterDpi, the
    // page rectangle being the printable area.
    static std::unique_ptr<QPrinter> printer(const QString &file);

    // 0 when the file cannot be read.
    static int pages(const QString &pdf);
    // The text of one page (0: of all), laid out as on the page.
    static QString text(const QString &pdf, int page = 0);
    // One page as an RGB image of `dpi` pixels per inch.
    static QImage raster(const QString &pdf, int dpi, int page = 1);

    // The printer's page rectangle in pixels of an image of `dpi`.
    static QRectF pageIn(const QPrinter &printer, int dpi);
    // The smallest rectangle holding every pixel of `area` (default: the
    // whole image) darker than `threshold` (grey, 0..255).
    static QRect darkBox(const QImage &image, int threshold, const QRect &area = QRect());
};
