#pragma once

#include <QObject>
#include <QPointF>
#include <QPointer>

class TraceSelection;

namespace LibModel {
class Shot;
}

Q_MOC_INCLUDE("shot.h")

// The hole of one shot of the selected recording: where it hit, whether it
// is the selected shot and whether the replay cursor has reached it.
class TraceSelectionShotItem : public QObject
{
    Q_OBJECT
    Q_PROPERTY(LibModel::Shot *shot READ shot WRITE setShot NOTIFY shotChanged)
    Q_PROPERTY(bool selected READ selected WRITE setSelected NOTIFY selectedChanged)
    Q_PROPERTY(bool visible READ visible WRITE setVisible NOTIFY visibleChanged)
    Q_PROPERTY(QPointF breach READ breach WRITE setBreach NOTIFY breachChanged)

public:
    explicit TraceSelectionShotItem(TraceSelection *owner);

    TraceSelection *owner() const { return m_owner; }
    LibModel::Shot *shot() const;
    void setShot(LibModel::Shot *shot);
    bool selected() const { return m_selected; }
    void setSelected(bool selected);
    bool visible() const { return m_visible; }
    void setVisible(bool visible);
    QPointF breach() const { return m_breach; }
    void setBreach(const QPointF &breach);

signals:
    void visibleChanged();
    void shotChanged();
    void selectedChanged();
    void breachChanged();

private:
    TraceSelection *m_owner;
    QPointer<LibModel::Shot> m_shot;
    bool m_selected = false;
    bool m_visible = false;
    QPointF m_breach;
};
