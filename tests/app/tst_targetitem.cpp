#include <targetbackgrounditem.h>
#include <targetitem.h>
#include <traceitem.h>

#include <testenvironment.h>

#include <session.h>
#include <targetdescriptor.h>
#include <targetelement.h>
#include <targetmanager.h>
#include <trace.h>

#include <QGuiApplication>
#include <QQuickWindow>
#include <QSGFlatColorMaterial>
#include <QSGGeometryNode>
#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <memory>

using LibModel::TargetManager;

namespace {

// The window's own colour: whatever the face leaves unpainted shows it.
const QColor Backdrop(0, 128, 255);

bool isBlack(QRgb p)
{
    return qRed(p) < 40 && qGreen(p) < 40 && qBlue(p) < 40;
}

bool isWhite(QRgb p)
{
    return qRed(p) > 215 && qGreen(p) > 215 && qBlue(p) > 215;
}

bool isBackdrop(QRgb p)
{
    return QColor(p) == Backdrop;
}

// A raw sample coordinate (stored as float) in pixels.
float pixel(float mm, double translation, double scale)
{
    return float((double(mm) + translation) * scale);
}

// Records what each scene-graph update made.
class ProbeTrace : public TraceItem
{
public:
    using TraceItem::TraceItem;

    QSGGeometryNode *node = nullptr;
    int vertexCount = 0;
    unsigned int drawingMode = 0;
    float lineWidth = 0.0f;
    QColor color;
    QVector<QPointF> vertices; // the first six
    bool marked = false; // the node is the one markNode() marked

    void markNode() { node->appendChildNode(new QSGNode); }

protected:
    QSGNode *updatePaintNode(QSGNode *oldNode, UpdatePaintNodeData *data) override
    {
        node = static_cast<QSGGeometryNode *>(TraceItem::updatePaintNode(oldNode, data));
        if (!node)
            return nullptr;
        const QSGGeometry *geometry = node->geometry();
        vertexCount = geometry->vertexCount();
        drawingMode = geometry->drawingMode();
        lineWidth = geometry->lineWidth();
        color = static_cast<QSGFlatColorMaterial *>(node->material())->color();
        vertices.clear();
        for (int i = 0; i < qMin(6, vertexCount); ++i)
            vertices.append(QPointF(geometry->vertexDataAsPoint2D()[i].x,
                                    geometry->vertexDataAsPoint2D()[i].y));
        marked = node->childCount() > 0;
        return node;
    }
};

} // namespace

class TestTargetItem : public QObject
{
    Q_OBJECT

private:
    TargetManager targets;

    LibModel::TargetDescriptor *face(const char *uuid)
    {
        return targets.findByUuid(QLatin1String(uuid));
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
        for (int i = 0; i < samples; ++i) {
            raw[i].x = float(i / 100.0);
            raw[i].y = float(-i / 50.0);
        }
        result->appendTrace(1)->setSamples(raw);
        return result;
    }

private slots:
    void initTestCase()
    {
        // The software renderer draws each frame in the GUI thread.
        QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    }

    void layoutOfWorkedExample()
    {
        TargetItem item;
        QCOMPARE(item.descriptor(), face(TargetManager::AirRifleUuid));
        item.setSize(QSizeF(500, 400));
        item.ensurePolished();
        QCOMPARE(item.targetScaleX(), 8.0);
        QCOMPARE(item.targetScaleY(), 8.0);
        QCOMPARE(item.targetTx(), 31.25);
        QCOMPARE(item.targetTy(), 25.0);
        QCOMPARE(item.centerPx(), QPoint(250, 200));
        QCOMPARE(item.xPxToMm(250), 0.0);
        QCOMPARE(item.yPxToMm(208), 1.0);
        QCOMPARE(item.widthRatio(), 1.25);
        QCOMPARE(item.xPosition(), -0.125);
        QCOMPARE(item.heightRatio(), 1.0);
        QCOMPARE(item.yPosition(), 0.0);
        QCOMPARE(item.background()->size(), QSizeF(500, 400));

        item.setZoom(2);
        item.ensurePolished();
        item.pan(16, 0);
        item.ensurePolished();
        QCOMPARE(item.targetScaleX(), 16.0);
        QCOMPARE(item.center().x(), 1.0);
        QCOMPARE(item.xPxToMm(250), 1.0);
        QCOMPARE(item.centerPx(), QPoint(234, 200));

        // A face relatively wider than the item fills its width (zoom 2 kept).
        LibModel::TargetDescriptor wide;
        wide.set_world(QRectF(-50, -25, 100, 50));
        item.setDescriptor(&wide);
        item.setSize(QSizeF(400, 400));
        item.ensurePolished();
        QCOMPARE(item.targetScaleX(), 8.0);
        QCOMPARE(item.targetTx(), 25.0);
        QCOMPARE(item.targetTy(), 25.0);
        QCOMPARE(item.centerPx(), QPoint(200, 200));
    }

    void settersAndSignals()
    {
        TargetItem item;
        QSignalSpy zoom(&item, &TargetItem::zoomChanged);
        QSignalSpy center(&item, &TargetItem::centerChanged);
        QSignalSpy descriptor(&item, &TargetItem::descriptorChanged);
        QSignalSpy scale(&item, &TargetItem::targetScaleXChanged);
        QSignalSpy tx(&item, &TargetItem::targetTxChanged);
        QSignalSpy ty(&item, &TargetItem::targetTyChanged);
        QSignalSpy centerPx(&item, &TargetItem::centerPxChanged);
        item.ensurePolished(); // zero size: nothing changes
        QCOMPARE(centerPx.count(), 0);
        item.setSize(QSizeF(500, 400));
        item.ensurePolished();
        QCOMPARE(scale.count(), 1);

        item.setZoom(0);
        item.setZoom(-1);
        QCOMPARE(item.zoom(), 1.0);
        item.setZoom(2);
        item.setZoom(2);
        QCOMPARE(zoom.count(), 1);
        item.ensurePolished();
        item.ensurePolished(); // unchanged values are not announced again
        QCOMPARE(scale.count(), 2);
        QCOMPARE(tx.count(), 2);
        QCOMPARE(centerPx.count(), 3);

        item.setCenter(item.center() + QPointF(1e-13, -1e-13));
        QCOMPARE(center.count(), 0);
        item.pan(0, 32);
        QCOMPARE(item.center(), QPointF(0, 2));
        item.ensurePolished();
        QCOMPARE(center.count(), 1);
        QCOMPARE(ty.count(), 3);
        QCOMPARE(tx.count(), 2);

        item.setDescriptor(nullptr);
        item.setDescriptor(item.descriptor());
        QCOMPARE(descriptor.count(), 0);
        item.setDescriptor(face(TargetManager::ChestFigureUuid));
        QCOMPARE(descriptor.count(), 1);
        QCOMPARE(item.center(), QPointF(0, 0));
        QCOMPARE(center.count(), 1);
        QCOMPARE(item.zoom(), 2.0);

        item.setHeight(0);
        item.ensurePolished();
        QCOMPARE(item.targetScaleX(), 16.0);
        QCOMPARE(item.background()->size(), QSizeF(500, 0));
    }

    // 8 px/mm: the black disc of 30.5 mm is 244 px across and centred; at
    // zoom 5 (40 px/mm) the white line of the 5.5 mm ring is in its place.
    void rifleFacePixels()
    {
        TargetItem *item = nullptr;
        auto window = view(400, &item);
        QImage image = window->grabWindow();
        QCOMPARE(item->targetScaleX(), 8.0);
        // Along the diagonals (the labels lie on the axes), out to the first
        // pixel more backdrop than black; white ring lines do not stop it.
        for (const QPoint step : {QPoint(1, 1), QPoint(-1, 1), QPoint(1, -1), QPoint(-1, -1)}) {
            QPoint at(200, 200);
            while (at.x() > 0 && at.x() < 399
                   && !(qBlue(image.pixel(at)) > 127 && qRed(image.pixel(at)) < 64))
                at += step;
            const QPointF offset = QPointF(at) + QPointF(0.5, 0.5) - QPointF(200, 200);
            QVERIFY(qAbs(std::hypot(offset.x(), offset.y()) - 122.0) < 1.5);
        }
        QVERIFY(isBlack(image.pixel(200 + 83, 200 + 83))); // 118 px from the centre
        QVERIFY(isBackdrop(image.pixel(200 + 89, 200 + 89))); // 126 px

        item->setZoom(5); // also shows that a new scale repaints the face
        image = window->grabWindow();
        QVERIFY(isWhite(image.pixel(200, 200))); // inner ten
        QVERIFY(isBlack(image.pixel(200 + 100, 200))); // 2.5 mm
        QVERIFY(isWhite(image.pixel(200 + 108, 200))); // 2.7 mm: on the ring's line
        QVERIFY(isBlack(image.pixel(200 + 115, 200))); // 2.875 mm
        QVERIFY(isWhite(image.pixel(200, 200 - 108)));
    }

    // The chest figure's clip polygon precedes the rings: they show only
    // inside the figure. 1 px/mm, pixel = millimetres + 255; the 500 mm
    // ring's line runs 247..250 mm from the centre.
    void chestFigureClipsRings()
    {
        TargetItem *item = nullptr;
        auto window = view(510, &item);
        item->setDescriptor(face(TargetManager::ChestFigureUuid));
        const QImage image = window->grabWindow();
        QVERIFY(isBackdrop(image.pixel(453, 105))); // (198.5, -149.5): beside the head
        QVERIFY(isBlack(image.pixel(453, 405))); // (198.5, 150.5): in the body
        QVERIFY(isBlack(image.pixel(255, 7))); // (0.5, -247.5): in the head
        QCOMPARE(QColor(image.pixel(255, 480)), // (0.5, 225.5): between rings
                 targets.getColor(LibModel::TargetElementColor::Swamp)->color());
    }

    void tinyTextIsSkipped()
    {
        for (const double height : {0.1, 5.0}) {
            LibModel::TargetDescriptor descriptor;
            descriptor.set_world(QRectF(-25, -25, 50, 50));
            auto *text = new LibModel::TargetElement;
            text->set_type(LibModel::TargetElement::Text);
            text->set_fontHeight(height);
            text->set_text(QStringLiteral("WWWW"));
            text->set_penColor(targets.getColor(LibModel::TargetElementColor::Black));
            descriptor.elements()->append(text);
            TargetItem *item = nullptr;
            auto window = view(200, &item);
            item->setDescriptor(&descriptor);
            const QImage image = window->grabWindow();
            QCOMPARE(item->targetScaleY(), 4.0);
            int painted = 0;
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x)
                    painted += isBackdrop(image.pixel(x, y)) ? 0 : 1;
            }
            QCOMPARE(painted > 0, height > 1.0); // 0.4 px: skipped; 20 px: drawn
        }
    }

    void tracePointPreparation()
    {
        auto data = session(1000);
        LibModel::Trace *trace = data->segments().first();
        const QVector<QPointF> &processed = trace->points();
        TraceItem item;
        item.setFirstIndex(10);
        item.setLastIndex(20);
        item.ensurePolished();
        QCOMPARE(item.pointCount(), 0); // no trace
        item.setTrace(trace);
        item.ensurePolished();
        QCOMPARE(item.pointCount(), 41);
        QCOMPARE(item.point(0), processed.at(40));
        QCOMPARE(item.point(40), processed.at(80));

        item.setResampled(false);
        item.ensurePolished();
        QCOMPARE(item.pointCount(), 11);
        QCOMPARE(item.point(0), QPointF(double(0.1f), double(-0.2f)));
        QCOMPARE(item.point(10), QPointF(double(0.2f), double(-0.4f)));

        item.setLastIndex(5000); // clipped to the end
        item.ensurePolished();
        QCOMPARE(item.pointCount(), 990);
        item.setResampled(true);
        item.ensurePolished();
        QCOMPARE(item.pointCount(), int(processed.size()) - 40);
        QCOMPARE(item.point(item.pointCount() - 1), processed.last());

        item.setLastIndex(-1);
        item.ensurePolished();
        QCOMPARE(item.pointCount(), 0);
        item.setLastIndex(20);
        item.setFirstIndex(-1);
        item.ensurePolished();
        QCOMPARE(item.pointCount(), 0);

        // Without a sensor rate the trace keeps one display point per raw
        // sample, so the indices are taken as they are.
        auto unrated = session(100, 0);
        item.setTrace(unrated->segments().first());
        item.setFirstIndex(10);
        item.ensurePolished();
        QCOMPARE(item.pointCount(), 11);
        QCOMPARE(item.point(0), unrated->segments().first()->points().at(10));
    }

    // The scene-graph node through real frames of the software renderer.
    void traceNode()
    {
        auto data = session(1000);
        LibModel::Trace *trace = data->segments().first();
        TargetItem *target = nullptr;
        auto window = view(400, &target);
        auto *item = new ProbeTrace(target);
        item->setTargetItem(target);
        item->setTrace(trace);
        item->setResampled(false);
        item->setPenWidth(4);
        item->setFirstIndex(10);
        item->setLastIndex(20);
        window->grabWindow();
        QVERIFY(item->node);
        QCOMPARE(item->vertexCount, 66);
        QCOMPARE(item->drawingMode, unsigned(QSGGeometry::DrawTriangles));
        QCOMPARE(item->color, QColor(Qt::red));
        // Sample 10 at (0.1, -0.2) mm is pixel (200.8, 198.4) at 8 px/mm.
        const float x = pixel(0.1f, 25.0, 8.0);
        const float y = pixel(-0.2f, 25.0, 8.0);
        const QVector<QPointF> diamond
                = {{x - 2, y}, {x, y - 2}, {x + 2, y}, {x - 2, y}, {x, y + 2}, {x + 2, y}};
        QCOMPARE(item->vertices, diamond);

        // A zoom only moves the vertices of the same node; so do new samples.
        item->markNode();
        target->setZoom(2);
        window->grabWindow();
        QVERIFY(item->marked);
        const float x2 = pixel(0.1f, 12.5, 16.0);
        const float y2 = pixel(-0.2f, 12.5, 16.0);
        QCOMPARE(item->vertices.first(), QPointF(x2 - 2, y2));
        item->setLastIndex(1005);
        QVector<LibModel::TraceSample> more = trace->samples();
        more.resize(1010);
        trace->setSamples(more);
        window->grabWindow();
        QVERIFY(item->marked);
        QCOMPARE(item->vertexCount, 6 * 996);

        // Colour and style make a new node.
        item->setColor(Qt::blue);
        window->grabWindow();
        QVERIFY(!item->marked);
        QCOMPARE(item->color, QColor(Qt::blue));
        item->markNode();
        item->setStyle(TraceItem::Lines);
        item->setLastIndex(20);
        window->grabWindow();
        QVERIFY(!item->marked);
        QCOMPARE(item->vertexCount, 11);
        QCOMPARE(item->drawingMode, unsigned(QSGGeometry::DrawLineStrip));
        QCOMPARE(item->lineWidth, 4.0f);
        QCOMPARE(item->vertices.first(), QPointF(x2, y2));

        item->setFirstIndex(-1);
        window->grabWindow();
        QVERIFY(!item->node);
    }
};

KAVRO_TEST_MAIN(TestTargetItem, QGuiApplication)

#include "tst_targetitem.moc"
