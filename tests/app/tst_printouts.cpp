#include <protocoltable.h>
#include <session.h>
#include <sessioninfomodel.h>
#include <sessionprintout.h>
#include <storage.h>
#include <targetmanager.h>
#include <targetprintout.h>
#include <testenvironment.h>
#include <trace.h>

#include <QApplication>
#include <QDialog>
#include <QFontMetricsF>
#include <QImage>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <numeric>

using namespace LibModel;

namespace {

constexpr int PrinterDpi = 300;
constexpr double MmPerInch = 25.4;
constexpr qint64 Start = 1700000000000;

// A PDF printer as the tool sets it up: A4 portrait, 300 dpi, the page
// rectangle being the printable area.
std::unique_ptr<QPrinter> pdfPrinter(const QString &file)
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

QByteArray run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        qWarning() << program << arguments << process.readAllStandardError();
        return QByteArray();
    }
    return process.readAllStandardOutput();
}

int pdfPages(const QString &pdf)
{
    static const QRegularExpression pages(QStringLiteral("Pages:\\s+(\\d+)"));
    const QRegularExpressionMatch match
            = pages.match(QString::fromUtf8(run(QStringLiteral("pdfinfo"), {pdf})));
    return match.hasMatch() ? match.captured(1).toInt() : -1;
}

QString pdfText(const QString &pdf, int page)
{
    return QString::fromUtf8(run(QStringLiteral("pdftotext"),
                                 {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"),
                                  QString::number(page), pdf, QStringLiteral("-")}));
}

// One page of a PDF as an image of `dpi` pixels per inch.
QImage rasterise(const QString &pdf, int dpi, int page = 1)
{
    const QString prefix = pdf + QStringLiteral("-page%1").arg(page);
    run(QStringLiteral("pdftoppm"),
        {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-f"), QString::number(page),
         QStringLiteral("-l"), QString::number(page), QStringLiteral("-singlefile"),
         QStringLiteral("-png"), pdf, prefix});
    return QImage(prefix + QStringLiteral(".png")).convertToFormat(QImage::Format_RGB32);
}

int grey(const QImage &image, int x, int y)
{
    return qGray(image.pixel(x, y));
}

// The page rectangle of the printer (its printable area) in image pixels.
QRectF pageInImage(const QPrinter &printer, int dpi)
{
    const QRectF page = printer.pageRect(QPrinter::DevicePixel);
    const double k = double(dpi) / PrinterDpi;
    return QRectF(page.x() * k, page.y() * k, page.width() * k, page.height() * k);
}

// The smallest rectangle holding every pixel of `area` (default: all)
// darker than `threshold`.
QRect boxOfPixels(const QImage &image, int threshold, QRect area = QRect())
{
    area = area.isNull() ? image.rect() : area & image.rect();
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (grey(image, x, y) < threshold)
                box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

double toMm(double pixels, int dpi)
{
    return pixels * MmPerInch / dpi;
}

// Runs `action`, which opens a modal dialog, and hands the first dialog
// that shows up to `handle`, which must close it. Returns whether a dialog
// showed up.
bool withDialog(const std::function<void()> &action, const std::function<void(QDialog *)> &handle)
{
    bool seen = false;
    QTimer poll;
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget());
        if (!dialog || seen)
            return;
        seen = true;
        handle(dialog);
    });
    poll.start();
    action();
    poll.stop();
    return seen;
}

SessionInfo protocolRow(const QString &name, const QString &organization, int result)
{
    SessionInfo info;
    info.person.name = name;
    info.person.organization = organization;
    info.person.group = QStringLiteral("G");
    info.result = result;
    return info;
}

} // namespace

// The session page, the competition protocol and the paper target, printed
// to PDF and inspected through poppler's text and raster output.
class TestPrintouts : public QObject
{
    Q_OBJECT

private:
    TargetManager targets; // sessions find their faces here
    QTemporaryDir folder;
    int files = 0;

    QString newPdf() { return folder.filePath(QStringLiteral("out%1.pdf").arg(++files)); }

    TargetDescriptor *face(const char *uuid) const
    {
        return targets.findByUuid(QLatin1String(uuid));
    }

    // A 10 m air rifle session with one shot at each breach, all in the
    // first series.
    std::unique_ptr<Session> sessionWithShots(const QList<QPointF> &breaches)
    {
        auto session = std::make_unique<Session>(nullptr);
        session->setTargetDescriptor(face(TargetManager::AirRifleUuid));
        session->setCaliber(4.5);
        session->setDistance(10.0);
        session->setSampleRate(100);
        Trace *trace = session->appendTrace(Start);
        for (int i = 0; i < breaches.size(); ++i) {
            TraceSample sample;
            sample.x = float(breaches.at(i).x());
            sample.y = float(breaches.at(i).y());
            sample.z = 0.0f;
            trace->appendSample(Start + 10 * i, sample);
            trace->appendShot(0, i, false, 0.0);
        }
        return session;
    }

    // Prints a protocol table and returns the PDF's file name.
    QString printProtocol(SessionInfoModel *model, bool isGto, const QVector<double> &widths,
                          std::unique_ptr<QPrinter> *printerOut = nullptr)
    {
        const QString pdf = newPdf();
        auto printer = pdfPrinter(pdf);
        SessionPrintout printout;
        printout.setModel(model);
        printout.setIsGto(isGto);
        printout.setHeader(QStringLiteral("Cup"));
        for (const double width : widths)
            printout.appendWidth(width);
        printout.printTable(printer.get());
        if (printerOut)
            *printerOut = std::move(printer);
        return pdf;
    }

    // Expected column edges in device pixels: the fraction of the page
    // width where given, else the widest header line in the table font.
    static QVector<double> expectedEdges(QPrinter *printer, bool isGto,
                                         const QVector<double> &widths)
    {
        const QFont font(QFont(QStringLiteral("Arial"), 10), printer);
        const QFontMetricsF metrics(font, printer);
        const double pageWidth = printer->pageRect(QPrinter::DevicePixel).width();
        QVector<double> edges {0.0};
        const QVector<ProtocolTable::Column> columns = ProtocolTable::columns(isGto);
        for (int k = 0; k < columns.size(); ++k) {
            double width = 0.0;
            if (k < widths.size()) {
                width = widths.at(k) * pageWidth;
            } else {
                for (const QString &line : columns.at(k).header)
                    width = qMax(width, metrics.horizontalAdvance(line));
            }
            edges.append(edges.constLast() + width);
        }
        return edges;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(folder.isValid());
        QVERIFY(!QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty());
    }

    // --- the paper target ---

    void targetPropertiesNotifyOnChangeOnly()
    {
        TargetPrintout printout;
        QVERIFY(!printout.valid());
        QStringList signals_;
        connect(&printout, &TargetPrintout::targetDescriptorChanged,
                [&] { signals_ << QStringLiteral("descriptor"); });
        connect(&printout, &TargetPrintout::validChanged,
                [&] { signals_ << QStringLiteral("valid"); });
        QSignalSpy distance(&printout, &TargetPrintout::distanceChanged);
        QSignalSpy simplified(&printout, &TargetPrintout::simplifiedChanged);

        printout.setTargetDescriptor(face(TargetManager::AirRifleUuid));
        printout.setTargetDescriptor(face(TargetManager::AirRifleUuid));
        // Another face: validity stays true, yet both signals come again.
        printout.setTargetDescriptor(face(TargetManager::AirPistolUuid));
        QCOMPARE(signals_,
                 QStringList({QStringLiteral("descriptor"), QStringLiteral("valid"),
                              QStringLiteral("descriptor"), QStringLiteral("valid")}));
        QVERIFY(printout.valid());

        printout.setDistance(10.0);
        printout.setDistance(50.0);
        printout.setSimplified(false);
        printout.setSimplified(true);
        printout.setSimplified(true);
        QCOMPARE(distance.count(), 1);
        QCOMPARE(simplified.count(), 1);
    }

    // The black disc measures its size scaled by the ratio of the two
    // distances, and the face sits centred across the page, lowered by
    // 14.6 % of the page height.
    void targetPrintsToScale_data()
    {
        QTest::addColumn<QByteArray>("uuid");
        QTest::addColumn<double>("distance");
        QTest::addColumn<double>("real");
        QTest::addColumn<double>("black");
        QTest::newRow("air rifle at 10 m")
                << QByteArray(TargetManager::AirRifleUuid) << 10.0 << 10.0 << 30.5;
        QTest::newRow("50 m pistol at 10 m")
                << QByteArray(TargetManager::SmallBorePistolUuid) << 50.0 << 10.0 << 40.0;
        QTest::newRow("air pistol at 5 m")
                << QByteArray(TargetManager::AirPistolUuid) << 10.0 << 5.0 << 59.5 / 2.0;
    }

    void targetPrintsToScale()
    {
        QFETCH(QByteArray, uuid);
        QFETCH(double, distance);
        QFETCH(double, real);
        QFETCH(double, black);

        const QString pdf = newPdf();
        auto printer = pdfPrinter(pdf);
        TargetPrintout printout;
        printout.setTargetDescriptor(targets.findByUuid(QString::fromLatin1(uuid)));
        printout.setDistance(distance);
        printout.setDistanceToPrintout(real);
        printout.setSimplified(true); // only the black disc is dark
        printout.printDocument(printer.get());
        QCOMPARE(pdfPages(pdf), 1);

        constexpr int Dpi = 100;
        const QImage image = rasterise(pdf, Dpi);
        const QRect disc = boxOfPixels(image, 128);
        QVERIFY(!disc.isEmpty());
        QVERIFY2(qAbs(toMm(disc.width(), Dpi) - black) < 0.6,
                 qPrintable(QString::number(toMm(disc.width(), Dpi))));
        QVERIFY2(qAbs(toMm(disc.height(), Dpi) - black) < 0.6,
                 qPrintable(QString::number(toMm(disc.height(), Dpi))));

        const QRectF page = pageInImage(*printer, Dpi);
        const QPointF centre = QRectF(disc).center();
        QVERIFY(qAbs(centre.x() - page.center().x()) < 1.5);
        QVERIFY(qAbs(centre.y() - (page.center().y() + 0.146 * page.height())) < 1.5);
    }

    // Simplified: ring lines, ring numbers and the inner ten are left out,
    // the black disc stays. In full, the outermost ring (45.5 mm) bounds
    // the print and white rings cross the disc.
    void simplifiedLeavesOutOptionalElements_data()
    {
        QTest::addColumn<bool>("simplified");
        QTest::addColumn<double>("extent");
        QTest::addColumn<bool>("lightInsideDisc");
        QTest::newRow("full") << false << 45.5 << true;
        QTest::newRow("simplified") << true << 30.5 << false;
    }

    void simplifiedLeavesOutOptionalElements()
    {
        QFETCH(bool, simplified);
        QFETCH(double, extent);
        QFETCH(bool, lightInsideDisc);

        const QString pdf = newPdf();
        auto printer = pdfPrinter(pdf);
        TargetPrintout printout;
        printout.setTargetDescriptor(face(TargetManager::AirRifleUuid));
        printout.setSimplified(simplified);
        printout.printDocument(printer.get());

        constexpr int Dpi = 300;
        const QImage image = rasterise(pdf, Dpi);
        const QRect printed = boxOfPixels(image, 250);
        QVERIFY2(qAbs(toMm(printed.width(), Dpi) - extent) < 0.3,
                 qPrintable(QString::number(toMm(printed.width(), Dpi))));

        // Across the disc (radius 15.25 mm) from 1 mm to 14 mm off centre.
        const QPoint centre = printed.center();
        bool light = false;
        for (double mm = 1.0; mm < 14.0; mm += 0.02) {
            const int x = centre.x() + qRound(mm / MmPerInch * Dpi);
            light = light || grey(image, x, centre.y()) > 100;
        }
        QCOMPARE(light, lightInsideDisc);
    }

    // A face wider than the page starts at the page's left edge and is cut
    // off at its right edge; the title stays readable above it.
    void wideFaceIsClippedAtThePageEdge()
    {
        constexpr int Dpi = 100;
        std::unique_ptr<QPrinter> printer;
        const auto print = [&](bool simplified) {
            const QString pdf = newPdf();
            printer = pdfPrinter(pdf);
            TargetPrintout printout;
            printout.setTargetDescriptor(face(TargetManager::AirRifleUuid));
            printout.setDistanceToPrintout(50.0); // 250 mm wide
            printout.setTitle(QStringLiteral("Title"));
            printout.setSimplified(simplified);
            printout.printDocument(printer.get());
            return pdf;
        };

        // The face's centre lies 125 mm right of the page's left edge: the
        // black disc (152.5 mm) starts 48.75 mm from it. The title lies
        // above the face.
        const QString simplified = print(true);
        const QImage disc = rasterise(simplified, Dpi);
        const QRectF page = pageInImage(*printer, Dpi);
        const QRect belowTitle(0, qRound(page.top() + 0.1 * page.height()), disc.width(),
                               disc.height());
        const QRect black = boxOfPixels(disc, 128, belowTitle);
        QVERIFY2(qAbs(toMm(black.left() - page.left(), Dpi) - 48.75) < 0.6,
                 qPrintable(QString::number(toMm(black.left() - page.left(), Dpi))));
        QVERIFY(pdfText(simplified, 1).contains(QStringLiteral("Title")));

        // The rings reach beyond the right and bottom edges of the page and
        // stop there.
        const QRect printed = boxOfPixels(rasterise(print(false), Dpi), 250);
        QVERIFY(printed.right() <= page.right() + 0.5);
        QVERIFY(printed.right() >= page.right() - 2.0);
        QVERIFY(printed.bottom() <= page.bottom() + 0.5);
        QVERIFY(printed.bottom() >= page.bottom() - 2.0);
    }

    // --- the session page ---

    // The holes lie at their breach points on the face, filled light grey
    // over the black disc as over the white paper, each with its number;
    // zoom magnifies around the face's centre.
    void sessionPageShowsTheShots_data()
    {
        QTest::addColumn<double>("zoom");
        QTest::newRow("zoom 1") << 1.0;
        QTest::newRow("zoom 2") << 2.0;
    }

    void sessionPageShowsTheShots()
    {
        QFETCH(double, zoom);
        // One shot inside the black disc, one on the white ring area.
        const QList<QPointF> breaches = {{5.0, -3.0}, {-12.0, 13.0}};
        const std::unique_ptr<Session> session = sessionWithShots(breaches);
        QCOMPARE(session->shots().size(), 2);

        const QString pdf = newPdf();
        auto printer = pdfPrinter(pdf);
        SessionPrintout printout;
        printout.setSession(session.get());
        printout.setHeader(QStringLiteral("First header"));
        printout.setHeader2(QStringLiteral("Second header"));
        printout.setZoom(zoom);
        printout.printDocument(printer.get());
        QCOMPARE(pdfPages(pdf), 1);
        const QString text = pdfText(pdf, 1);
        QVERIFY2(text.contains(QStringLiteral("Page 1 First header")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("Second header")));

        // The drawing area's outline: the rows and columns that are dark
        // nearly all across the page.
        constexpr int Dpi = 100;
        const QImage image = rasterise(pdf, Dpi);
        const QRect page = pageInImage(*printer, Dpi).toRect();
        const auto darkRow = [&](int y) {
            int dark = 0;
            for (int x = page.left(); x <= page.right(); ++x)
                dark += grey(image, x, y) < 230 ? 1 : 0;
            return dark > 0.9 * page.width();
        };
        int top = page.top() + 1;
        while (top < page.bottom() && !darkRow(top))
            ++top;
        int bottom = page.bottom() + 1;
        while (bottom > top && !darkRow(bottom))
            --bottom;
        QVERIFY(top > page.top() + 10 && top < page.top() + 60);
        QVERIFY(bottom > page.bottom() - 3);

        // The world (50 mm square) spans the area's width, times the zoom.
        const QPointF centre(page.center().x(), (top + bottom) / 2.0);
        const double scale = page.width() / 50.0 * zoom;
        const double radius = 4.5 / 2.0 * scale;
        for (int i = 0; i < breaches.size(); ++i) {
            const QPointF hole = centre + breaches.at(i) * scale;
            // The fill, between the number and the rim.
            const int fill = grey(image, qRound(hole.x()), qRound(hole.y() + 0.65 * radius));
            QVERIFY2(qAbs(fill - 200) < 12,
                     qPrintable(QStringLiteral("shot %1: grey %2").arg(i + 1).arg(fill)));
            // The number, dark, near the middle.
            int darkest = 255;
            for (int dy = -qRound(radius / 3); dy <= qRound(radius / 3); ++dy) {
                for (int dx = -qRound(radius / 3); dx <= qRound(radius / 3); ++dx)
                    darkest = qMin(darkest,
                                   grey(image, qRound(hole.x()) + dx, qRound(hole.y()) + dy));
            }
            QVERIFY2(darkest < 120, qPrintable(QStringLiteral("shot %1 has no number").arg(i + 1)));
        }
        // Outside the holes the face is as printed: black inside the disc.
        const QPointF inDisc = centre + QPointF(-5.0, 5.0) * scale;
        QVERIFY(grey(image, qRound(inDisc.x()), qRound(inDisc.y())) < 40);
    }

    // --- the competition protocol ---

    // A full page holds exactly the rows the layout counts, all inside the
    // page: a rule under the title, under the header block and under every
    // row. One row more starts a second page that holds just that row.
    void protocolPagination_data()
    {
        QTest::addColumn<int>("extraRows");
        QTest::addColumn<int>("pages");
        QTest::newRow("one page full") << 0 << 1;
        QTest::newRow("one row more") << 1 << 2;
    }

    void protocolPagination()
    {
        QFETCH(int, extraRows);
        QFETCH(int, pages);

        const QVector<double> widths = {0.3, 0.1, 0.3, 0.1, 0.05, 0.1, 0.05};
        auto probe = pdfPrinter(newPdf());
        const int perPage = ProtocolTable(probe.get(), false, widths).rowsPerPage();
        QVERIFY(perPage > 20);
        const int rows = perPage + extraRows;

        SessionInfoModel model;
        for (int i = 1; i <= rows; ++i)
            model.append(protocolRow(QStringLiteral("Name%1x").arg(i), QString(), i));
        std::unique_ptr<QPrinter> printer;
        const QString pdf = printProtocol(&model, false, widths, &printer);
        QCOMPARE(pdfPages(pdf), pages);

        const QString first = pdfText(pdf, 1);
        QVERIFY(first.contains(QStringLiteral("Page 1")));
        QVERIFY(first.contains(QStringLiteral("Name1x")));
        QVERIFY(first.contains(QStringLiteral("Name%1x").arg(perPage)));
        QVERIFY(!first.contains(QStringLiteral("Name%1x").arg(perPage + 1)));
        if (pages == 2) {
            const QString second = pdfText(pdf, 2);
            QVERIFY(second.contains(QStringLiteral("Page 2")));
            QVERIFY(second.contains(QStringLiteral("Name%1x").arg(rows)));
            QCOMPARE(second.count(QRegularExpression(QStringLiteral("Name\\d+x"))), 1);
        }

        // The first column is empty below its header: count the rules
        // crossing it.
        constexpr int Dpi = 150;
        const QImage image = rasterise(pdf, Dpi);
        const QRectF page = pageInImage(*printer, Dpi);
        const int x = qRound(page.left() + 0.25 * page.width());
        QList<int> rules;
        bool inRule = false;
        for (int y = 0; y < image.height(); ++y) {
            const bool dark = grey(image, x, y) < 160;
            if (dark && !inRule)
                rules.append(y);
            inRule = dark;
        }
        QCOMPARE(rules.size(), perPage + 2);
        QVERIFY(rules.constLast() < page.bottom());
    }

    // Vertical rules stand at the column edges: fractions of the page width
    // from the width vector, the widest header line for the columns beyond
    // it, and the table's right edge.
    void protocolColumnWidths_data()
    {
        QTest::addColumn<bool>("isGto");
        QTest::addColumn<QVector<double>>("widths");
        QTest::newRow("all given")
                << false << QVector<double> {0.2, 0.1, 0.25, 0.1, 0.1, 0.1, 0.15};
        QTest::newRow("three given") << false << QVector<double> {0.15, 0.1, 0.2};
        QTest::newRow("none given") << false << QVector<double>();
        QTest::newRow("fitness norms, none given") << true << QVector<double>();
    }

    void protocolColumnWidths()
    {
        QFETCH(bool, isGto);
        QFETCH(QVector<double>, widths);

        SessionInfoModel model;
        for (int i = 0; i < 3; ++i)
            model.append(protocolRow(QStringLiteral("N"), QStringLiteral("O"), 90 + i));
        std::unique_ptr<QPrinter> printer;
        const QString pdf = printProtocol(&model, isGto, widths, &printer);

        constexpr int Dpi = 150;
        const QImage image = rasterise(pdf, Dpi);
        const QRectF page = pageInImage(*printer, Dpi);
        // Columns of the image holding a dark run as high as the header
        // block: rules, not text.
        QList<double> found;
        for (int x = 0; x < image.width(); ++x) {
            int run = 0, longest = 0;
            for (int y = 0; y < image.height(); ++y) {
                run = grey(image, x, y) < 160 ? run + 1 : 0;
                longest = qMax(longest, run);
            }
            if (longest > 60) {
                if (!found.isEmpty() && x - found.constLast() <= 1.5)
                    found.last() = (found.constLast() + x) / 2.0;
                else
                    found.append(x);
            }
        }

        const QVector<double> edges = expectedEdges(printer.get(), isGto, widths);
        QCOMPARE(found.size(), edges.size());
        const double k = double(Dpi) / PrinterDpi;
        for (int i = 0; i < edges.size(); ++i) {
            const double expected = page.left() + qMin(edges.at(i) * k, page.width());
            QVERIFY2(qAbs(found.at(i) - expected) <= 1.5,
                     qPrintable(QStringLiteral("edge %1 at %2, expected %3")
                                        .arg(i)
                                        .arg(found.at(i))
                                        .arg(expected)));
        }
    }

    // Sessions stored in a competition: the cells show the summary values
    // in the model's order (by start, not by result), the real-valued
    // result with one decimal and 0.0 where there is none.
    void protocolCellsOfStoredSessions()
    {
        Storage storage;
        QVERIFY(storage.open(folder.filePath(QStringLiteral("protocol.sqlite")),
                             QStringLiteral("tst_printouts")));
        struct Entry
        {
            const char *name;
            const char *organization;
            QList<QPointF> breaches;
            QVariant resultReal;
        };
        const QList<Entry> entries = {
                {"Petrova", "Dynamo", {{10.0, 10.0}}, QVariant(87.26)},
                {"Ivanov", "Spartak", {{0.1, 0.2}, {0.3, 0.1}}, QVariant()},
        };
        for (int i = 0; i < entries.size(); ++i) {
            Session session(&storage);
            session.setTargetDescriptor(face(TargetManager::AirRifleUuid));
            session.setCaliber(4.5);
            session.setDistance(10.0);
            session.setSampleRate(100);
            session.setCompetitionName(QStringLiteral("Cup"));
            session.setValue(QStringLiteral("competitionName"), QStringLiteral("Cup"));
            if (entries.at(i).resultReal.isValid())
                session.setValue(QStringLiteral("resultReal"), entries.at(i).resultReal);
            Trace *trace = session.appendTrace(Start + i * 60000);
            const QList<QPointF> &breaches = entries.at(i).breaches;
            for (int s = 0; s < breaches.size(); ++s) {
                TraceSample sample;
                sample.x = float(breaches.at(s).x());
                sample.y = float(breaches.at(s).y());
                sample.z = 0.0f;
                trace->appendSample(Start + i * 60000 + 10 * s, sample);
                trace->appendShot(0, s, false, 0.0);
            }
            session.setShooter(QString::fromLatin1(entries.at(i).name),
                               QString::fromLatin1(entries.at(i).organization),
                               QStringLiteral("Juniors"));
            QVERIFY(session.write());
        }
        const std::unique_ptr<SessionInfoModel> model(
                storage.sessionsByCompetitionName(QStringLiteral("Cup"), false));
        QVERIFY(model);
        QCOMPARE(model->rowCount(), 2);

        const QString pdf
                = printProtocol(model.get(), false, {0.16, 0.1, 0.16, 0.14, 0.1, 0.14, 0.2});
        const QString text = pdfText(pdf, 1);
        for (const char *expected : {"Dynamo", "Spartak", "Juniors", "87.3", "0.0", "Результат",
                                     "(дробные)", "с дробными", "Организация"})
            QVERIFY2(text.contains(QString::fromUtf8(expected)), expected);
        QVERIFY(!text.contains(QStringLiteral("87.26")));
        // Petrova started first and scored less: still the first row.
        QVERIFY(text.indexOf(QStringLiteral("Petrova")) >= 0);
        QVERIFY(text.indexOf(QStringLiteral("Petrova")) < text.indexOf(QStringLiteral("Ivanov")));
    }

    // Fitted widths (the tool's default) give every text its room and fill
    // the page. Texts too wide for the page take room from the widest
    // columns only.
    void protocolWithFittedWidths_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("fits");
        QTest::newRow("long name") << QStringLiteral("Konstantinopolsky Alexander") << true;
        QTest::newRow("name wider than the page")
                << QStringLiteral("Sidorov").repeated(40) << false;
    }

    void protocolWithFittedWidths()
    {
        QFETCH(QString, name);
        QFETCH(bool, fits);

        SessionInfoModel model;
        SessionInfo info = protocolRow(name, QStringLiteral("Central Sports Club"), 95);
        info.properties = {{QStringLiteral("resultReal"), 99.94}};
        model.append(info);

        auto probe = pdfPrinter(newPdf());
        const QVector<double> widths
                = ProtocolTable(probe.get(), false, {}).fittedWidths(&model, probe.get());
        QCOMPARE(widths.size(), 7);
        QVERIFY(qAbs(std::accumulate(widths.cbegin(), widths.cend(), 0.0) - 1.0) < 1e-9);
        // Every column but the name's at least as wide as its header.
        const QVector<double> headers = expectedEdges(probe.get(), false, {});
        const double pageWidth = probe->pageRect(QPrinter::DevicePixel).width();
        for (int k = 0; k < widths.size(); ++k) {
            if (k != 2)
                QVERIFY(widths.at(k) * pageWidth >= headers.at(k + 1) - headers.at(k) - 1e-6);
        }

        const QString text = pdfText(printProtocol(&model, false, widths), 1);
        for (const char *expected :
             {"Central Sports Club", "95", "99.9", "Организация", "Результат", "результату"})
            QVERIFY2(text.contains(QString::fromUtf8(expected)), expected);
        QCOMPARE(text.contains(name), fits);
        QVERIFY(text.contains(name.left(20)));
    }

    // Without a face, a session or a model nothing is printed; an empty
    // model gives an empty page.
    void nothingToPrint()
    {
        const QString noFace = newPdf();
        TargetPrintout().printDocument(pdfPrinter(noFace).get());
        const QString noSession = newPdf();
        SessionPrintout().printDocument(pdfPrinter(noSession).get());
        const QString noModel = newPdf();
        SessionPrintout().printTable(pdfPrinter(noModel).get());
        QVERIFY(!QFile::exists(noFace) && !QFile::exists(noSession) && !QFile::exists(noModel));

        SessionInfoModel empty;
        const QString pdf = printProtocol(&empty, false, {});
        QCOMPARE(pdfPages(pdf), 1);
        QVERIFY(boxOfPixels(rasterise(pdf, 50), 250).isEmpty());
    }

    // --- dialogs ---

    void previewNeedsSessionOrModel()
    {
        SessionPrintout printout;
        const bool opened = withDialog([&] { printout.printPreview(true); },
                                       [](QDialog *dialog) { dialog->reject(); });
        QVERIFY(!opened);
    }

    // The preview dialogs render through the printouts: the protocol of one
    // row and the paper target give one page each.
    void previewsRenderPages()
    {
        SessionInfoModel model;
        model.append(protocolRow(QStringLiteral("N"), QStringLiteral("O"), 1));
        SessionPrintout sessionPrintout;
        sessionPrintout.setModel(&model);
        int pages = -1;
        const auto countPages = [&pages](QDialog *dialog) {
            auto *preview = dialog->findChild<QPrintPreviewWidget *>();
            pages = preview ? preview->pageCount() : -1;
            dialog->reject();
        };
        QVERIFY(withDialog([&] { sessionPrintout.printPreview(true); }, countPages));
        QCOMPARE(pages, 1);

        TargetPrintout targetPrintout;
        targetPrintout.setTargetDescriptor(face(TargetManager::AirRifleUuid));
        pages = -1;
        QVERIFY(withDialog([&] { targetPrintout.preview(); }, countPages));
        QCOMPARE(pages, 1);
    }

    // The print dialog, set to print to a file: accepted, the printout is
    // written there; cancelled, nothing is.
    void printDialogPrintsWhenAccepted_data()
    {
        QTest::addColumn<QString>("printout");
        QTest::addColumn<bool>("accept");
        QTest::newRow("session, cancelled") << QStringLiteral("session") << false;
        QTest::newRow("session") << QStringLiteral("session") << true;
        QTest::newRow("protocol") << QStringLiteral("protocol") << true;
        QTest::newRow("target, cancelled") << QStringLiteral("target") << false;
        QTest::newRow("target") << QStringLiteral("target") << true;
    }

    void printDialogPrintsWhenAccepted()
    {
        QFETCH(QString, printout);
        QFETCH(bool, accept);

        const std::unique_ptr<Session> session = sessionWithShots({{1.0, 1.0}});
        SessionInfoModel model;
        model.append(protocolRow(QStringLiteral("N"), QStringLiteral("O"), 1));
        SessionPrintout sessionPrintout;
        sessionPrintout.setSession(session.get());
        sessionPrintout.setModel(&model);
        TargetPrintout targetPrintout;
        targetPrintout.setTargetDescriptor(face(TargetManager::AirRifleUuid));

        const QString pdf = newPdf();
        bool toFile = false;
        const bool opened = withDialog(
                [&] {
                    if (printout == QLatin1String("target"))
                        targetPrintout.print();
                    else
                        sessionPrintout.print(printout == QLatin1String("protocol"));
                },
                [&](QDialog *dialog) {
                    auto *file = dialog->findChild<QLineEdit *>(QStringLiteral("filename"));
                    toFile = file && file->isEnabled();
                    if (file)
                        file->setText(pdf);
                    if (accept)
                        dialog->accept();
                    else
                        dialog->reject();
                });
        QVERIFY(opened);
        if (!toFile)
            QSKIP("the print dialog offers no printing to a file here");
        QCOMPARE(QFile::exists(pdf), accept);
        if (accept)
            QCOMPARE(pdfPages(pdf), 1);
    }
};

KAVRO_TEST_MAIN(TestPrintouts, QApplication)
#include "tst_printouts.moc"
