import QtQuick
import QtQuick.Controls

// The title line of a lane screen; it leaves room for the lane's "[ ]" button.
Label {
    objectName: "titleText"
    font.pointSize: 15
    font.bold: true
    color: "#303030"
    // A long title in a narrow lane gets smaller before it is cut.
    fontSizeMode: Text.HorizontalFit
    minimumPointSize: 11
    elide: Text.ElideRight
    rightPadding: 44
}
