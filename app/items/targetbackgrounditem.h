#pragma once

#include <QQuickPaintedItem>

class TargetItem;

// Paints the face of its TargetItem with the item's current scale and
// translation. It always has the target item's size and repaints when the
// target item's descriptor or mapping changes.
class TargetBackgroundItem : public QQuickPaintedItem
{
    Q_OBJECT

public:
    explicit TargetBackgroundItem(TargetItem *targetItem);

    TargetItem *targetItem() const { return m_targetItem; }

    void paint(QPainter *painter) override;

protected:
    void updatePolish() override;

private:
    TargetItem *m_targetItem;
};
