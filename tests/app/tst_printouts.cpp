#include <pdfprobe.h>
#include <progresschart.h>
#include <protocoltable.h>
#include <session.h>
#include <sessionbuilder.h>
#include <sessioninfomodel.h>
#include <sessionprintout.h>
#include <targetmanager.h>
#include <targetprintout.h>
#include <testenvironment.h>

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPrinter>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <limits>
#include <numeric>

using namespace LibModel;

namespace {

constexpr double MmPerInch = 25.4;

double toMm(double pixels, int dpi)
{
    return pixels * MmPerInch / dpi;
}

int grey(const QImage &image, int x, int y)
{
    return qGray(image.pixel(x, y));
}

TargetDescriptor *face(const char *uuid)
{
    return SessionBuilder::targets().findByUuid(QLatin1String(uuid));
}

SessionInfo protocolRow(const QString &name, const QVariantHash &properties = {})
{
    SessionInfo info;
    info.person.name = name;
    info.person.organization = QStringLiteral("Central Sports Club");
    info.person.group = QStringLiteral("G");
    info.result = 95;
    info.properties = properties;
    return info;
}

} // namespace

// The paper target, the session page and the competition protocol printed
// to PDF and read back as text and as images.
class TestPrintouts : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir folder;
    int files = 0;

    QString newPdf() { return folder.filePath(QStringLiteral("out%1.pdf").arg(++files)); }

    QString printProtocol(SessionInfoModel *model, const QVector<double> &widths,
                          std::unique_ptr<QPrinter> *printer)
    {
        const QString pdf = newPdf();
        *printer = PdfProbe::printer(pdf);
        SessionPrintout printout;
        printout.setModel(model);
        printout.setHeader(QStringLiteral("Cup"));
        for (const double width : widths)
            printout.appendWidth(width);
        printout.printTable(printer->get());
        return pdf;
    }

private slots:
    void initTestCase() { QVERIFY(folder.isValid()); }

    // The face at the scale of the two distances, centred across the page
    // and lowered by 14.6 % of the page height; a face wider than the page
    // starts at its left edge and is cut off at its right and bottom edges
    // (extent 0). Simplified, only the black disc is printed; in full the
    // outer ring bounds the print and white ring lines cross the disc.
    void targetPrintsToScale_data()
    {
        QTest::addColumn<QByteArray>("uuid");
        QTest::addColumn<double>("distance");
        QTest::addColumn<double>("real");
        QTest::addColumn<bool>("simplified");
        QTest::addColumn<double>("extent"); // mm
        QTest::addColumn<double>("disc"); // mm
        QTest::addColumn<double>("left"); // mm from the page's edge to the centre, 0: centred
        const QByteArray rifle(TargetManager::AirRifleUuid);
        QTest::newRow("air rifle") << rifle << 10.0 << 10.0 << false << 45.5 << 30.5 << 0.0;
        QTest::newRow("50 m pistol at 10 m") << QByteArray(TargetManager::SmallBorePistolUuid)
                                             << 50.0 << 10.0 << true << 40.0 << 40.0 << 0.0;
        QTest::newRow("air rifle at 50 m, simplified")
                << rifle << 10.0 << 50.0 << true << 152.5 << 152.5 << 125.0;
        QTest::newRow("air rifle at 50 m")
                << rifle << 10.0 << 50.0 << false << 0.0 << 152.5 << 125.0;
    }

    void targetPrintsToScale()
    {
        QFETCH(QByteArray, uuid);
        QFETCH(double, distance);
        QFETCH(double, real);
        QFETCH(bool, simplified);
        QFETCH(double, extent);
        QFETCH(double, disc);
        QFETCH(double, left);

        const QString pdf = newPdf();
        auto printer = PdfProbe::printer(pdf);
        TargetPrintout printout;
        printout.setTargetDescriptor(face(uuid.constData()));
        printout.setDistance(distance);
        printout.setDistanceToPrintout(real);
        printout.setSimplified(simplified);
        printout.printDocument(printer.get());
        QCOMPARE(PdfProbe::pages(pdf), 1);

        constexpr int Dpi = 200;
        const QImage image = PdfProbe::raster(pdf, Dpi);
        const QRect printed = PdfProbe::darkBox(image, 250);
        const QRectF page = PdfProbe::pageIn(*printer, Dpi);
        const QPointF centre(left > 0 ? page.left() + left / MmPerInch * Dpi : page.center().x(),
                             page.center().y() + 0.146 * page.height());
        if (extent > 0) {
            QVERIFY2(qAbs(toMm(printed.width(), Dpi) - extent) < 0.4,
                     qPrintable(QString::number(toMm(printed.width(), Dpi))));
            QVERIFY(qAbs(toMm(printed.height(), Dpi) - extent) < 0.4);
            QVERIFY(qAbs(QRectF(printed).center().x() - centre.x()) < 3);
            QVERIFY(qAbs(QRectF(printed).center().y() - centre.y()) < 3);
        } else {
            QVERIFY(printed.right() <= page.right() + 1 && printed.right() >= page.right() - 4);
            QVERIFY(printed.bottom() <= page.bottom() + 1 && printed.bottom() >= page.bottom() - 4);
        }

        // Across the disc from 1 mm off centre to 1.25 mm inside its edge.
        bool light = false;
        for (double mm = 1.0; mm < disc / 2 - 1.25; mm += 0.02) {
            const QPointF at = centre + QPointF(mm / MmPerInch * Dpi, 0);
            light = light || grey(image, qRound(at.x()), qRound(at.y())) > 100;
        }
        QCOMPARE(light, !simplified);
    }

    // The holes lie at their breach points, filled light grey over the
    // black disc as over white paper, each with its number; the zoom
    // magnifies around the face's centre. The line above the face gives
    // the group of the hits, the missed shot left out.
    void sessionPageShowsTheShots_data()
    {
        QTest::addColumn<double>("zoom");
        QTest::newRow("zoom 1") << 1.0;
        QTest::newRow("zoom 2") << 2.0;
    }

    void sessionPageShowsTheShots()
    {
        QFETCH(double, zoom);
        const QList<QPointF> breaches = {{5.0, -3.0}, {-12.0, 13.0}}; // in the disc, on white
        const std::unique_ptr<Session> session = SessionBuilder().shots(breaches).missed().take();

        const QString pdf = newPdf();
        auto printer = PdfProbe::printer(pdf);
        SessionPrintout printout;
        printout.setSession(session.get());
        printout.setZoom(zoom);
        printout.printDocument(printer.get());
        QCOMPARE(PdfProbe::pages(pdf), 1);
        const QString text = PdfProbe::text(pdf).simplified();
        QVERIFY2(text.contains(QString::fromUtf8("Попаданий: 2 СТП: -3.5; 5.0 мм Разброс: 23.3 мм "
                                                 "Средний радиус: 11.7 мм")),
                 qPrintable(text));

        // The drawing area's outline lies below the header lines and the
        // group's.
        constexpr int Dpi = 100;
        const double line
                = QFontMetricsF(QFont(QStringLiteral("Arial"), 10), printer.get()).height() * Dpi
                / PdfProbe::PrinterDpi;
        const QImage image = PdfProbe::raster(pdf, Dpi);
        const QRect page = PdfProbe::pageIn(*printer, Dpi).toRect();
        const QRect area = PdfProbe::darkBox(image, 230, page.adjusted(0, int(2.9 * line), 0, 0));
        QVERIFY(qAbs(area.top() - (page.top() + 3.0 * line)) < 2.0);

        // The world (50 mm square) spans the area's width, times the zoom.
        const QPointF centre(area.center().x(), (area.top() + area.bottom()) / 2.0);
        const double scale = page.width() / 50.0 * zoom;
        const int third = qRound(4.5 / 6.0 * scale); // a third of the hole's radius
        for (int i = 0; i < breaches.size(); ++i) {
            const QPoint hole = (centre + breaches.at(i) * scale).toPoint();
            const int fill = grey(image, hole.x(), hole.y() + 2 * third);
            QVERIFY2(qAbs(fill - 200) < 12, qPrintable(QStringLiteral("shot %1").arg(i + 1)));
            int darkest = 255;
            for (int dy = -third; dy <= third; ++dy) {
                for (int dx = -third; dx <= third; ++dx)
                    darkest = qMin(darkest, grey(image, hole.x() + dx, hole.y() + dy));
            }
            QVERIFY2(darkest < 120, qPrintable(QStringLiteral("shot %1 has no number").arg(i + 1)));
        }
        const QPointF inDisc = centre + QPointF(-5.0, 5.0) * scale;
        QVERIFY(grey(image, qRound(inDisc.x()), qRound(inDisc.y())) < 40);
    }

    // The trend is the least-squares line of the last ten points that have
    // a value, over their x range; it needs two distinct x.
    void progressTrend_data()
    {
        QTest::addColumn<QList<QPointF>>("points");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<double>("slope");
        QTest::addColumn<double>("intercept");
        QTest::addColumn<double>("from");
        const double nan = std::numeric_limits<double>::quiet_NaN();
        QList<QPointF> twelve = {{0, 50}, {1, -40}}; // outside the ten
        for (int x = 2; x < 12; ++x)
            twelve.append({double(x), 1.0 + 0.5 * x});
        QTest::newRow("last ten of twelve") << twelve << true << 0.5 << 1.0 << 2.0;
        QTest::newRow("gaps skipped")
                << QList<QPointF> {{1, 2}, {2, nan}, {3, 6}} << true << 2.0 << 0.0 << 1.0;
        QTest::newRow("one point")
                << QList<QPointF> {{1, 2}, {2, nan}} << false << 0.0 << 0.0 << 0.0;
        QTest::newRow("one date") << QList<QPointF> {{1, 2}, {1, 3}} << false << 0.0 << 0.0 << 0.0;
    }

    void progressTrend()
    {
        QFETCH(QList<QPointF>, points);
        QFETCH(bool, valid);
        const ProgressChart::Line line = ProgressChart::trend(points);
        QCOMPARE(line.isValid, valid);
        if (valid) {
            QFETCH(double, slope);
            QFETCH(double, intercept);
            QFETCH(double, from);
            QVERIFY(qAbs(line.slope - slope) < 0.01);
            QVERIFY(qAbs(line.intercept - intercept) < 0.05);
            QCOMPARE(line.from, from);
            QCOMPARE(line.to, points.constLast().x());
        }
    }

    // A full page holds the rows the layout counts, every rule inside the
    // page: one under the title, the header block and each row. One row
    // more starts a second page holding just that row.
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
        const int perPage
                = ProtocolTable(PdfProbe::printer(newPdf()).get(), false, widths).rowsPerPage();
        QVERIFY(perPage > 20);
        const int rows = perPage + extraRows;
        SessionInfoModel model;
        for (int i = 1; i <= rows; ++i)
            model.append(protocolRow(QStringLiteral("Name%1x").arg(i)));
        std::unique_ptr<QPrinter> printer;
        const QString pdf = printProtocol(&model, widths, &printer);
        QCOMPARE(PdfProbe::pages(pdf), pages);

        const QString first = PdfProbe::text(pdf, 1);
        QVERIFY(first.contains(QStringLiteral("Page 1")));
        QVERIFY(first.contains(QStringLiteral("Name%1x").arg(perPage)));
        QVERIFY(!first.contains(QStringLiteral("Name%1x").arg(perPage + 1)));
        if (pages == 2) {
            const QString second = PdfProbe::text(pdf, 2);
            QVERIFY(second.contains(QStringLiteral("Page 2")));
            QCOMPARE(second.count(QRegularExpression(QStringLiteral("Name\\d+x"))), 1);
            QVERIFY(second.contains(QStringLiteral("Name%1x").arg(rows)));
        }

        // The first column is empty below its header: count the rules
        // crossing it.
        constexpr int Dpi = 150;
        const QImage image = PdfProbe::raster(pdf, Dpi);
        const QRectF page = PdfProbe::pageIn(*printer, Dpi);
        const int x = qRound(page.left() + 0.25 * page.width());
        QList<int> rules;
        for (int y = 0; y < image.height(); ++y) {
            if (grey(image, x, y) < 160 && (y == 0 || grey(image, x, y - 1) >= 160))
                rules.append(y);
        }
        QCOMPARE(rules.size(), perPage + 2);
        QVERIFY(rules.constLast() < page.bottom());
    }

    // Fitted widths (the tool's default) give every text its room and fill
    // the page; texts too wide for the page take room from the widest
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
        model.append(protocolRow(name, {{QStringLiteral("resultReal"), 99.94}}));
        auto probe = PdfProbe::printer(newPdf());
        const QVector<double> widths
                = ProtocolTable(probe.get(), false, {}).fittedWidths(&model, probe.get());
        QCOMPARE(widths.size(), 7);
        QVERIFY(qAbs(std::accumulate(widths.cbegin(), widths.cend(), 0.0) - 1.0) < 1e-9);

        // Every header and cell but the name whole.
        std::unique_ptr<QPrinter> printer;
        const QString text = PdfProbe::text(printProtocol(&model, widths, &printer));
        for (const char *expected : {"Central Sports Club", "95", "99.9", "Организация", "Группа",
                                     "(дробные)", "Место по", "результату", "с дробными"})
            QVERIFY2(text.contains(QString::fromUtf8(expected)), expected);
        QCOMPARE(text.contains(name), fits);
        QVERIFY(text.contains(name.left(20)));
    }

    // Without a face, a session or a model nothing is printed; an empty
    // model gives an empty page.
    void nothingToPrint()
    {
        const QString pdf = newPdf();
        TargetPrintout().printDocument(PdfProbe::printer(pdf).get());
        SessionPrintout().printDocument(PdfProbe::printer(pdf).get());
        SessionPrintout().printTable(PdfProbe::printer(pdf).get());
        QVERIFY(!QFile::exists(pdf));
        SessionInfoModel empty;
        std::unique_ptr<QPrinter> printer;
        const QString table = printProtocol(&empty, {}, &printer);
        QCOMPARE(PdfProbe::pages(table), 1);
        QVERIFY(PdfProbe::darkBox(PdfProbe::raster(table, 50), 250).isEmpty());
    }
};

KAVRO_TEST_MAIN(TestPrintouts, QGuiApplication)
#include "tst_printouts.moc"
