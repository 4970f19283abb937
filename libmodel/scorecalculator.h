#pragma once

#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QVector>

namespace LibModel {

class TargetDescriptor;

Q_MOC_INCLUDE("targetdescriptor.h")

// Turns a bullet hole (target millimetres) and a caliber (mm) into points,
// scored as a judge scores paper: a ring counts when the hole touches it,
// and one decimal tells how deep inside the ring the hole sits. The
// calculator belongs to its descriptor, which must be its QObject parent:
// the descriptor gives the scoring gate (`world`) and the elements.
//
// `rings` holds ten diameters, from the outer edge of the 1-point zone
// (index 0) to the outer edge of the 10-point zone (index 9), around `center`.
class ScoreCalculator : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QPointF center READ center WRITE set_center RESET reset_center NOTIFY centerChanged)
    Q_PROPERTY(
            QVector<qreal> rings READ rings WRITE set_rings RESET reset_rings NOTIFY ringsChanged)

public:
    static constexpr int RingCount = 10;
    static constexpr double MaxRingScore = 10.9;

    explicit ScoreCalculator(QObject *parent = nullptr);

    TargetDescriptor *owner() const;
    QPointF center() const { return m_center; }
    QVector<qreal> rings() const { return m_rings; }

    Q_INVOKABLE virtual double calc(const QPointF &point, double caliber) const = 0;

public slots:
    void set_center(const QPointF &value);
    void reset_center();
    void set_rings(const QVector<qreal> &value);
    void reset_rings();

signals:
    void centerChanged(const QPointF &center);
    void ringsChanged(const QVector<qreal> &rings);

protected:
    // Whether the hole lies inside the owner's world grown by the bullet
    // radius (edges included). False without an owner.
    bool passesWorldGate(const QPointF &point, double caliber) const;
    // The ring score 0.0..10.9 in steps of 0.1, or NaN when a ring entry is
    // NaN or no ring is touched. Needs exactly ten rings.
    double ringScore(const QPointF &point, double caliber) const;

private:
    QPointer<TargetDescriptor> m_owner;
    QPointF m_center;
    QVector<qreal> m_rings;
};

} // namespace LibModel
