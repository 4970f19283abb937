#pragma once

class QPainter;

namespace LibModel {
class TargetDescriptor;
}

// Paints a target face from its descriptor's elements, in the order of the
// list, with the clip groups, pens, brushes and texts the descriptor
// describes. The screen's target view and both printouts use it, so a face
// looks the same everywhere.
class TargetPainter
{
public:
    TargetPainter() = delete;

    // Millimetres map to painter coordinates as
    // ((x + tx) * scaleX, (y + ty) * scaleY) on top of the painter's current
    // transform. With `skipOptional` the elements marked optional are left
    // out (the simplified paper target).
    static void paint(QPainter *painter, const LibModel::TargetDescriptor *descriptor,
                      double scaleX, double scaleY, double tx, double ty,
                      bool skipOptional = false);
};
