#include "targetbackgrounditem.h"
#include "targetitem.h"
#include "targetpainter.h"

TargetBackgroundItem::TargetBackgroundItem(TargetItem *targetItem)
    : QQuickPaintedItem(targetItem)
    , m_targetItem(targetItem)
{
    setAntialiasing(true);
    // Repaint through a polish, so that a layout that changes several values
    // at once costs one repaint.
    for (auto signal : {&TargetItem::descriptorChanged, &TargetItem::targetScaleXChanged,
                        &TargetItem::targetScaleYChanged, &TargetItem::targetTxChanged,
                        &TargetItem::targetTyChanged})
        connect(targetItem, signal, this, &QQuickItem::polish);
}

void TargetBackgroundItem::paint(QPainter *painter)
{
    if (!m_targetItem || !m_targetItem->descriptor())
        return;
    TargetPainter::paint(painter, m_targetItem->descriptor(), m_targetItem->targetScaleX(),
                         m_targetItem->targetScaleY(), m_targetItem->targetTx(),
                         m_targetItem->targetTy());
}

void TargetBackgroundItem::updatePolish()
{
    update();
}
