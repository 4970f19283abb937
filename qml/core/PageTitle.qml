import QtQuick
import QtQuick.Controls

// The title line of a page.
Label {
    objectName: "pageTitle"
    font.pointSize: 16
    font.bold: true
    color: "#303030"
    elide: Text.ElideRight
}
