#include "pdfprobe.h"

#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <QtDebug>

namespace {

QByteArray run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0) {
        qWarning() << program << arguments << process.readAllStandardError();
        return QByteArray();
    }
    return process.readAllStandardOutput();
}

} // namespace

std::unique_ptr<QPrinter> PdfProbe::printer(const QString &file)
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(file);
    printer->setPageSize(QPageSize(QPageSize::A4));
    printer->setPageOrientation(QPageLayout::Portrait);
    printer->setResolution(PrinterDpi);
    printer->setFullPage(false);
    return printer;
}

int PdfProbe::pages(const QString &pdf)
{
    return int(text(pdf).count(QLatin1Char('\f'))); // one after each page
}

QString PdfProbe::text(const QString &pdf, int page)
{
    QStringList arguments {QStringLiteral("-layout")};
    if (page > 0)
        arguments << QStringLiteral("-f") << QString::number(page) << QStringLiteral("-l")
                  << QString::number(page);
    return QString::fromUtf8(
            run(QStringLiteral("pdftotext"), arguments << pdf << QStringLiteral("-")));
}

QImage PdfProbe::raster(const QString &pdf, int dpi, int page)
{
    const QTemporaryDir folder;
    const QString prefix = folder.filePath(QStringLiteral("page"));
    run(QStringLiteral("pdftoppm"),
        {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-f"), QString::number(page),
         QStringLiteral("-l"), QString::number(page), QStringLiteral("-singlefile"),
         QStringLiteral("-png"), pdf, prefix});
    return QImage(prefix + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
}

QRectF PdfProbe::pageIn(const QPrinter &printer, int dpi)
{
    const QRectF page = printer.pageRect(QPrinter::DevicePixel);
    const double k = double(dpi) / PrinterDpi;
    return QRectF(page.topLeft() * k, page.size() * k);
}

QRect PdfProbe::darkBox(const QImage &image, int threshold, const QRect &area)
{
    const QRect within = area.isNull() ? image.rect() : area & image.rect();
    QRect box;
    for (int y = within.top(); y <= within.bottom(); ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = within.left(); x <= within.right(); ++x) {
            if (qGray(line[x]) < threshold)
                box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}
