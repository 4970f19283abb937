#pragma once

#include <QPointF>
#include <QQuickItem>
#include <QRectF>

namespace LibModel {
class TargetDescriptor;
}

class TargetBackgroundItem;

Q_MOC_INCLUDE("targetdescriptor.h")

// Shows one target face to scale and defines the mapping between target
// millimetres and item pixels: px = (x + targetTx) * targetScaleX,
// py = (y + targetTy) * targetScaleY. Zoom and pan act around `center`, the
// target point shown in the middle of the item. Everything drawn over the
// face (traces, shot marks) is placed through this mapping; the face itself
// is painted by a TargetBackgroundItem child.
class TargetItem : public QQuickItem
{
    Q_OBJECT
    Q_PROPERTY(LibModel::TargetDescriptor *descriptor READ descriptor WRITE setDescriptor NOTIFY
                       descriptorChanged)
    Q_PROPERTY(QPointF center READ center WRITE setCenter NOTIFY centerChanged)
    Q_PROPERTY(QPoint centerPx READ centerPx NOTIFY centerPxChanged)
    Q_PROPERTY(double zoom READ zoom WRITE setZoom NOTIFY zoomChanged)
    Q_PROPERTY(double targetScaleX READ targetScaleX NOTIFY targetScaleXChanged)
    Q_PROPERTY(double targetScaleY READ targetScaleY NOTIFY targetScaleYChanged)
    Q_PROPERTY(double targetTx READ targetTx NOTIFY targetTxChanged)
    Q_PROPERTY(double targetTy READ targetTy NOTIFY targetTyChanged)
    Q_PROPERTY(double xPosition READ xPosition NOTIFY xPositionChanged)
    Q_PROPERTY(double widthRatio READ widthRatio NOTIFY widthRatioChanged)
    Q_PROPERTY(double yPosition READ yPosition NOTIFY yPositionChanged)
    Q_PROPERTY(double heightRatio READ heightRatio NOTIFY heightRatioChanged)

public:
    // Starts on the first face of the catalogue: a TargetManager must exist.
    explicit TargetItem(QQuickItem *parent = nullptr);
    ~TargetItem() override;

    LibModel::TargetDescriptor *descriptor() const { return m_descriptor; }
    QPointF center() const { return m_center; }
    // The pixel position of the target origin (0, 0).
    QPoint centerPx() const;
    double zoom() const { return m_zoom; }
    double targetScaleX() const { return m_targetScaleX; }
    double targetScaleY() const { return m_targetScaleY; }
    double targetTx() const { return m_targetTx; }
    double targetTy() const { return m_targetTy; }
    // The visible window as fractions of the world, for scroll bars.
    double xPosition() const;
    double widthRatio() const;
    double yPosition() const;
    double heightRatio() const;
    TargetBackgroundItem *background() const { return m_background; }

    // Moves the centre by a distance given in pixels.
    Q_INVOKABLE void pan(int dx, int dy);
    Q_INVOKABLE double xPxToMm(int px) const;
    Q_INVOKABLE double yPxToMm(int py) const;

public slots:
    void setDescriptor(LibModel::TargetDescriptor *descriptor);
    void setCenter(const QPointF &center);
    void setZoom(double zoom);

signals:
    void descriptorChanged();
    void centerChanged();
    void centerPxChanged();
    void zoomChanged();
    void targetScaleXChanged();
    void targetScaleYChanged();
    void targetTxChanged();
    void targetTyChanged();
    void xPositionChanged();
    void widthRatioChanged();
    void yPositionChanged();
    void heightRatioChanged();

protected:
    void componentComplete() override;
    void geometryChange(const QRectF &newGeometry, const QRectF &oldGeometry) override;
    // The layout: scale and translation from the size, world, zoom and centre.
    void updatePolish() override;

private:
    LibModel::TargetDescriptor *m_descriptor = nullptr;
    QRectF m_world;
    QPointF m_center;
    double m_zoom = 1.0;
    double m_targetScaleX = 1.0;
    double m_targetScaleY = 1.0;
    double m_targetTx = 0.0;
    double m_targetTy = 0.0;
    TargetBackgroundItem *m_background = nullptr;
};
