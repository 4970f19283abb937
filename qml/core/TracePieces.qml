import QtQuick
import Kavro 1.0

// The coloured pieces of a trace selection drawn over a target, one trace
// item per piece. The items are made once per piece count and take their
// piece by index, so a selection rebuilt with every new sample only updates
// bindings instead of making new items.
Item {
    id: pieces

    property TraceSelection selection
    property Target target

    Repeater {
        model: pieces.selection ? pieces.selection.traces.length : 0
        delegate: Trace {
            readonly property var piece: pieces.selection.traces[index]

            targetItem: pieces.target
            trace: piece ? piece.trace : null
            style: piece ? piece.style : Trace.Lines
            penWidth: piece ? piece.penWidth : 0
            color: piece ? piece.color : "transparent"
            firstIndex: piece ? piece.firstIndex : -1
            lastIndex: piece ? piece.lastIndex : -1
        }
    }
}
