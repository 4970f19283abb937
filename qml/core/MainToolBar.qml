import QtQuick
import QtQuick.Controls

// The tool bar of the main window: logo, page buttons, quit, the count of
// sessions not stored yet, full screen.
ToolBar {
    id: toolBar

    property string currentPage: "settings"
    property bool fullScreen: false
    property Action quitAction
    property int pendingSessions: 0
    property string pendingReason: ""

    signal pageSelected(string name)
    signal fullScreenToggled()

    height: 60
    padding: 0
    background: Rectangle {
        color: "#F4F4F6"
        Image {
            anchors.left: parent.left
            anchors.right: parent.right
            anchors.bottom: parent.bottom
            height: 4
            source: "qrc:/images/horizontal_border.png"
            fillMode: Image.Stretch
        }
    }

    ButtonGroup { id: pageButtons }

    Row {
        anchors.left: parent.left
        anchors.leftMargin: 10
        anchors.verticalCenter: parent.verticalCenter
        spacing: 6

        Image {
            anchors.verticalCenter: parent.verticalCenter
            height: 50
            fillMode: Image.PreserveAspectFit
            source: "qrc:/images/toolbar_logo.png"
            mipmap: true
        }

        Item { width: 14; height: 1 }

        Repeater {
            model: [
                { name: "settings", icon: "qrc:/images/toolbar_settings.png", tip: qsTr("Настройки") },
                //: Tool-bar button: the page of the lanes, where the shooting happens
                { name: "shooting", icon: "qrc:/images/toolbar_shooting.png", tip: qsTr("Стрельба") },
                { name: "catalog", icon: "qrc:/images/toolbar_catalog.png", tip: qsTr("Архив стрельб") },
                { name: "archive", icon: "qrc:/images/toolbar_archive.png", tip: qsTr("Архив соревнований") },
                { name: "printer", icon: "qrc:/images/toolbar_printer.png", tip: qsTr("Печать мишеней") }
            ]
            delegate: ToolBarButton {
                objectName: "pageButton_" + modelData.name
                iconSource: modelData.icon
                toolTip: modelData.tip
                checkable: true
                checked: toolBar.currentPage === modelData.name
                ButtonGroup.group: pageButtons
                onClicked: toolBar.pageSelected(modelData.name)
            }
        }

        ToolBarButton {
            objectName: "quitButton"
            iconSource: "qrc:/images/toolbar_quit.png"
            toolTip: toolBar.quitAction ? toolBar.quitAction.text : ""
            onClicked: if (toolBar.quitAction) toolBar.quitAction.trigger()
        }
    }

    Label {
        id: pendingIndicator
        objectName: "pendingIndicator"
        anchors.right: fullScreenButton.left
        anchors.rightMargin: 12
        anchors.verticalCenter: parent.verticalCenter
        visible: toolBar.pendingSessions > 0
        //: Number of finished sessions not yet stored in the database
        text: qsTr("Не сохранено: %1").arg(toolBar.pendingSessions)
        color: "#B03020"
        font.bold: true
        padding: 6
        background: Rectangle {
            radius: 4
            color: "#FBE3DF"
            border.color: "#D08070"
        }
        HoverHandler { id: pendingHover }
        ToolTip.text: toolBar.pendingReason
        ToolTip.visible: pendingHover.hovered && toolBar.pendingReason.length > 0
        ToolTip.delay: 300
    }

    ToolBarButton {
        id: fullScreenButton
        objectName: "fullScreenButton"
        anchors.right: parent.right
        anchors.rightMargin: 10
        anchors.verticalCenter: parent.verticalCenter
        iconSource: toolBar.fullScreen ? "qrc:/images/toolbar_restore.png"
                                       : "qrc:/images/toolbar_fullscreen.png"
        toolTip: qsTr("Полноэкранный режим")
        onClicked: toolBar.fullScreenToggled()
    }
}
