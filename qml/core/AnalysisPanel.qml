import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Kavro 1.0

// The analysis of a session as labelled lines: the group of its shots,
// optionally the means of their aiming in the last second and the aiming
// of the picked shot.
Column {
    id: panel

    property SessionAnalysisView analysis
    property bool showAiming: true
    //: Heading of the analysis of a stored session
    property string title: qsTr("Анализ")

    spacing: 2

    component Heading: Label {
        width: panel.width
        font.bold: true
        topPadding: 4
        elide: Text.ElideRight
    }

    component Lines: Repeater {
        delegate: RowLayout {
            required property var modelData

            width: panel.width
            spacing: 6
            Label {
                Layout.fillWidth: true
                text: modelData.label
                elide: Text.ElideRight
                color: "#404040"
            }
            Label {
                text: modelData.text
                font.bold: true
            }
        }
    }

    Heading {
        objectName: "analysisTitle"
        text: panel.title
        font.pixelSize: 16
    }

    Lines {
        objectName: "groupLines"
        model: panel.analysis ? panel.analysis.groupLines : []
    }

    Heading {
        visible: panel.showAiming
        //: Heading: the means of the aiming over the last second before each shot
        text: qsTr("Последняя секунда, среднее")
    }

    Lines {
        objectName: "aimingLines"
        model: panel.showAiming && panel.analysis ? panel.analysis.aimingLines : []
    }

    Heading {
        visible: panel.showAiming && text.length > 0
        text: panel.analysis ? panel.analysis.shotTitle : ""
    }

    Lines {
        objectName: "shotLines"
        model: panel.showAiming && panel.analysis ? panel.analysis.shotLines : []
    }
}
