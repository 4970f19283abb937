#include <targetbackgrounditem.h>
#include <targetitem.h>
#include <traceitem.h>

#include <session.h>
#include <sessionbuilder.h>
#include <targetdescriptor.h>
#include <targetmanager.h>
#include <testenvironment.h>
#include <trace.h>

#include <QGuiApplication>
#include <QQuickWindow>
#include <QSGFlatColorMaterial>
#include <QSGGeometryNode>
#include <QSignalSpy>
#include <QTest>

using LibModel::TargetManager;

namespace {

// The window's own colour: whatever the face leaves unpainted shows it.
const QColor Backdrop(0, 128, 255);

// 'o' for the backdrop, 'b' for black, '?' for anything else.
char shade(const QImage &image, int x, int y)
{
    const QRgb p = image.pixel(x, y);
    if (QColor(p) == Backdrop)
        return 'o';
    return qMax(qMax(qRed(p), qGreen(p)), qBlue(p)) < 40 ? 'b' : '?';
}

LibModel::TargetDescriptor *face(const char *uuid)
{
    return SessionBuilder::targets().findByUuid(QLatin1String(uuid));
}

// A shown window with a target item of its size.
std::unique_ptr<QQuickWindow> view(int size, TargetItem **target)
{
    auto window = std::make_unique<QQuickWindow>();
    window->setColor(Backdrop);
    window->resize(size, size);
    window->show();
    *target = new TargetItem(window->contentItem());
    (*target)->setSize(QSizeF(size, size));
    return window;
}

// Sensor rate 100, display rate 400; raw sample i at (i / 100, -i / 50).
std::unique_ptr<LibModel::Session> session(int samples, int sampleRate = 100)
{
    auto result = std::make_unique<LibModel::Session>(nullptr);
    result->setSampleRate(ushort(sampleRate));
    result->setResampleRate(400);
    QVector<LibModel::TraceSample> raw(samples);
    for (int i = 0; i < samples; ++i)
        raw[i] = {float(i / 100.0), float(-i / 50.0), 0.0f};
    result->appendTrace(1)->setSamples(raw);
    return result;
}

// Records what each scene-graph update made.
class ProbeTrace : public TraceItem
{
public:
    using TraceItem::TraceItem;

    QSGGeometryNode *node = nullptr;
    int vertexCount = 0;
    unsigned int drawingMode = 0;
    QColor color;
    QVector<QPointF> vertices; // the first six
    bool marked = false; // the node is the one markNode() marked

    void markNode() { node->appendChildNode(new QSGNode); }

    // What a scene graph drawing with geometry (the accelerated one) gets.
    void paint()
    {
        if (QQuickItem *target = targetItem())
            target->ensurePolished();
        ensurePolished();
        node = static_cast<QSGGeometryNode *>(TraceItem::updatePaintNode(node, nullptr));
        if (!node)
            return;
        const QSGGeometry *geometry = node->geometry();
        vertexCount = geometry->vertexCount();
        drawingMode = geometry->drawingMode();
        color = static_cast<QSGFlatColorMaterial *>(node->material())->color();
        vertices.clear();
        for (int i = 0; i < qMin(6, vertexCount); ++i)
            vertices.append(QPointF(geometry->vertexDataAsPoint2D()[i].x,
                                    geometry->vertexDataAsPoint2D()[i].y));
        marked = node->childCount() > 0;
    }
};

// Counts the scene graph's requests for a node.
class CountingTrace : public TraceItem
{
public:
    using TraceItem::TraceItem;
    int paints = 0;

protected:
    QSGNode *updatePaintNode(QSGNode *oldNode, UpdatePaintNodeData *data) override
    {
        ++paints;
        return TraceItem::updatePaintNode(oldNode, data);
    }
};

} // namespace

class TestTargetItem : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The software renderer draws each frame in the GUI thread.
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
        SessionBuilder::targets(); // the items start on its first face
    }

    // The worked example: a 50 mm face in a 500 x 400 item is 8 px/mm,
    // centred; zoom and pan act around the centre; a face relatively wider
    // than the item fills its width. Values that do not change are not
    // announced again.
    void layout()
    {
        TargetItem item;
        QSignalSpy scale(&item, &TargetItem::targetScaleXChanged);
        QSignalSpy center(&item, &TargetItem::centerChanged);
        item.setSize(QSizeF(500, 400));
        item.ensurePolished();
        item.ensurePolished();
        QCOMPARE(scale.count(), 1);
        QCOMPARE(QPointF(item.targetTx(), item.targetTy()), QPointF(31.25, 25.0));
        QCOMPARE(item.centerPx(), QPoint(250, 200));
        QCOMPARE(item.yPxToMm(208), 1.0);
        QCOMPARE(item.widthRatio(), 1.25);
        QCOMPARE(item.xPosition(), -0.125);
        QCOMPARE(item.background()->size(), QSizeF(500, 400));

        item.setZoom(0); // ignored, as any zoom not above 0
        item.setZoom(2);
        item.ensurePolished();
        item.pan(16, 0);
        item.setCenter(item.center() + QPointF(1e-13, -1e-13)); // no move
        item.ensurePolished();
        QCOMPARE(center.count(), 1);
        QCOMPARE(item.targetScaleX(), 16.0);
        QCOMPARE(item.xPxToMm(250), 1.0);
        QCOMPARE(item.centerPx(), QPoint(234, 200));

        item.setHeight(0); // the last layout stays
        item.ensurePolished();
        QCOMPARE(item.targetScaleX(), 16.0);

        // Another face starts at its centre, the zoom kept.
        LibModel::TargetDescriptor wide;
        wide.set_world(QRectF(-50, -25, 100, 50));
        item.setDescriptor(nullptr); // ignored
        item.setDescriptor(&wide);
        item.setSize(QSizeF(400, 400));
        item.ensurePolished();
        QCOMPARE(item.center(), QPointF(0, 0));
        QCOMPARE(item.targetScaleX(), 8.0);
        QCOMPARE(QPointF(item.targetTx(), item.targetTy()), QPointF(25.0, 25.0));
    }

    // The chest figure's clip polygon precedes the rings: they show only
    // inside the figure. 1 px/mm, pixel = millimetres + 255.
    void chestFigureClipsRings()
    {
        TargetItem *item = nullptr;
        auto window = view(510, &item);
        item->setDescriptor(face(TargetManager::ChestFigureUuid));
        const QImage image = window->grabWindow();
        QCOMPARE(shade(image, 453, 105), 'o'); // (198.5, -149.5): beside the head
        QCOMPARE(shade(image, 453, 405), 'b'); // (198.5, 150.5): in the body
        QCOMPARE(shade(image, 255, 7), 'b'); // (0.5, -247.5): in the head
        QCOMPARE(QColor(image.pixel(255, 480)), // (0.5, 225.5): between rings
                 SessionBuilder::targets().getColor(LibModel::TargetElementColor::Swamp)->color());
    }

    void tracePointPreparation()
    {
        auto data = session(1000);
        LibModel::Trace *trace = data->segments().first();
        const LibModel::TracePoints &processed = trace->points();
        // Raw indices 10..20 are display points 40..80 at four times the
        // sensor rate.
        TraceItem item;
        item.setTrace(trace);
        item.setFirstIndex(10);
        item.setLastIndex(20);
        item.ensurePolished();
        QCOMPARE(item.pointCount(), 41);
        QCOMPARE(item.point(0), processed.at(40));
        QCOMPARE(item.point(40), processed.at(80));

        item.setResampled(false);
        item.ensurePolished();
        QCOMPARE(item.pointCount(), 11);
        QCOMPARE(item.point(0), QPointF(double(0.1f), double(-0.2f)));

        item.setLastIndex(5000); // clipped to the end
        item.setResampled(true);
        item.ensurePolished();
        QCOMPARE(item.point(item.pointCount() - 1), processed.last());

        item.setFirstIndex(-1);
        item.ensurePolished();
        QCOMPARE(item.pointCount(), 0);

        // Without a sensor rate the trace keeps one display point per raw
        // sample, so the indices are taken as they are.
        auto unrated = session(100, 0);
        item.setTrace(unrated->segments().first());
        item.setFirstIndex(10);
        item.setLastIndex(20);
        item.ensurePolished();
        QCOMPARE(item.pointCount(), 11);
        QCOMPARE(item.point(0), unrated->segments().first()->points().at(10));
    }

    // The software scene graph paints the stretch itself: raw sample i is at
    // (i / 100, -i / 50) mm, pixel ((mm + 25) * 8) on the 400 px face, so the
    // line runs from (200, 200) up to the right; a gap breaks it.
    void paintedTrace()
    {
        auto data = session(1000);
        LibModel::Trace *trace = data->segments().first();
        QVector<LibModel::TraceSample> samples = trace->samples();
        for (int i = 600; i < 650; ++i)
            samples[i] = LibModel::TraceSample();
        trace->setSamples(samples);
        TargetItem *target = nullptr;
        auto window = view(400, &target);
        auto *item = new CountingTrace(target);
        item->setTargetItem(target);
        item->setTrace(trace);
        item->setStyle(TraceItem::Lines);
        item->setPenWidth(2);
        item->setColor(Qt::green);
        item->setFirstIndex(0);
        item->setLastIndex(500);
        const auto green = [&window](const QImage &image, QPoint at) {
            const QColor c = image.pixelColor(at * window->effectiveDevicePixelRatio());
            return c.green() > 200 && c.red() < 100 && c.blue() < 100;
        };
        QImage image = window->grabWindow();
        QVERIFY(green(image, {220, 160})); // sample 250
        QVERIFY(!green(image, {226, 160}));
        QVERIFY(!green(image, {260, 80})); // sample 750: not yet

        item->setLastIndex(999);
        image = window->grabWindow();
        QVERIFY(green(image, {220, 160}));
        QVERIFY(green(image, {260, 80}));
        QVERIFY(!green(image, {250, 100})); // sample 625: the gap

        // New samples beyond the stretch leave it alone; new points in it
        // draw it again.
        const int paints = item->paints;
        trace->appendSample(0, LibModel::TraceSample {1, 1, 0});
        window->grabWindow();
        QCOMPARE(item->paints, paints);
        trace->setFilterCutoff(0.2);
        window->grabWindow();
        QCOMPARE(item->paints, paints + 1);

        item->setStyle(TraceItem::Points);
        item->setResampled(false);
        image = window->grabWindow();
        QVERIFY(green(image, {220, 160}));
        item->setFirstIndex(-1);
        image = window->grabWindow();
        QVERIFY(!green(image, {220, 160}));
    }

    // The geometry node: a zoom or new samples only move the vertices of the
    // same node; colour and style make a new one.
    void traceNode()
    {
        auto data = session(1000);
        LibModel::Trace *trace = data->segments().first();
        auto target = std::make_unique<TargetItem>();
        target->setSize(QSizeF(400, 400));
        auto *item = new ProbeTrace(target.get());
        item->setTargetItem(target.get());
        item->setTrace(trace);
        item->setResampled(false);
        item->setPenWidth(4);
        item->setFirstIndex(10);
        item->setLastIndex(20);
        item->paint();
        QCOMPARE(item->vertexCount, 66);
        QCOMPARE(item->drawingMode, unsigned(QSGGeometry::DrawTriangles));
        // Sample 10 at (0.1, -0.2) mm is pixel (200.8, 198.4) at 8 px/mm.
        const auto pixel = [](float mm, double shift, double scale) {
            return float((double(mm) + shift) * scale);
        };
        const float x = pixel(0.1f, 25.0, 8.0);
        const float y = pixel(-0.2f, 25.0, 8.0);
        QCOMPARE(item->vertices,
                 QVector<QPointF>(
                         {{x - 2, y}, {x, y - 2}, {x + 2, y}, {x - 2, y}, {x, y + 2}, {x + 2, y}}));

        item->markNode();
        target->setZoom(2);
        item->paint();
        QVERIFY(item->marked);
        const QPointF zoomed(pixel(0.1f, 12.5, 16.0), pixel(-0.2f, 12.5, 16.0));
        QCOMPARE(item->vertices.first(), zoomed - QPointF(2, 0));
        item->setLastIndex(1005);
        QVector<LibModel::TraceSample> more = trace->samples();
        more.resize(1010);
        trace->setSamples(more);
        item->paint();
        QVERIFY(item->marked);
        QCOMPARE(item->vertexCount, 6 * 996);

        item->setColor(Qt::blue);
        item->paint();
        QVERIFY(!item->marked);
        QCOMPARE(item->color, QColor(Qt::blue));
        item->markNode();
        item->setStyle(TraceItem::Lines);
        item->setLastIndex(20);
        item->paint();
        QVERIFY(!item->marked);
        QCOMPARE(item->vertexCount, 11);
        QCOMPARE(item->drawingMode, unsigned(QSGGeometry::DrawLineStrip));
        QCOMPARE(item->vertices.first(), zoomed);
        // Display points are drawn from the trace's own, from the stretch's
        // first one (raw sample 10 is display point 40).
        item->setResampled(true);
        item->paint();
        QCOMPARE(item->vertexCount, 41);
        const QPointF first = trace->points().at(40);
        const float x40 = float((first.x() + 12.5) * 16.0);
        const float y40 = float((first.y() + 12.5) * 16.0);
        QVERIFY(float(item->vertices.first().x()) == x40
                && float(item->vertices.first().y()) == y40);

        item->setFirstIndex(-1);
        item->paint();
        QVERIFY(!item->node);
    }
};

KAVRO_TEST_MAIN(TestTargetItem, QGuiApplication)
#include "tst_targetitem.moc"
