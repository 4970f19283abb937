import QtQuick
import Kavro 1.0

// A layer over a target whose children are placed and sized in target
// millimetres: it follows the target's mapping px = (x + targetTx) * targetScaleX.
// Children are drawn at millimetre size and scaled up, which suits images;
// outlines and rounded shapes look coarse at high zoom, so those are better
// placed in pixels.
Item {
    id: layer

    property Target target

    x: target ? target.targetTx * target.targetScaleX : 0
    y: target ? target.targetTy * target.targetScaleY : 0
    transform: Scale {
        xScale: layer.target ? layer.target.targetScaleX : 1
        yScale: layer.target ? layer.target.targetScaleY : 1
    }
}
