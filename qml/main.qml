import QtQuick
import QtQuick.Controls
import QtQuick.Window
import "core"

ApplicationWindow {
    id: mainWindow

    // The page buttons in tool-bar order; the loader shows the checked one.
    readonly property var pageNames: ["settings", "shooting", "catalog", "archive", "printer"]
    property string currentPage: "settings"
    property alias pageLoader: pageLoader
    property alias quitDialog: quitDialog

    //: The window title of the demonstration: the program's name, then "demonstration"
    title: application.demo ? qsTr("КАВРО ТИР — демонстрация")
                              //: The program's name in the window title
                            : qsTr("КАВРО ТИР")
    minimumWidth: 640
    minimumHeight: 480
    color: "#E8E8E8"
    x: application.intValue("window/x", 200)
    y: application.intValue("window/y", 200)
    width: application.intValue("window/width", 1000)
    height: application.intValue("window/height", 1000)
    visibility: application.intValue("window/visibility", Window.FullScreen)
    visible: true

    function writeGeometry() {
        application.setValue("window/x", x)
        application.setValue("window/y", y)
        application.setValue("window/width", width)
        application.setValue("window/height", height)
    }

    function requestQuit() {
        if (application.intValue("window/confirmQuit", 1) !== 0)
            quitDialog.open()
        else
            Qt.quit()
    }

    function toggleFullScreen() {
        if (visibility === Window.FullScreen)
            showNormal()
        else
            showFullScreen()
    }

    onXChanged: if (visibility === Window.Windowed) application.setValue("window/x", x)
    onYChanged: if (visibility === Window.Windowed) application.setValue("window/y", y)
    onWidthChanged: if (visibility === Window.Windowed) application.setValue("window/width", width)
    onHeightChanged: if (visibility === Window.Windowed) application.setValue("window/height", height)
    onVisibilityChanged: function (newVisibility) {
        if (newVisibility === Window.Hidden)
            return
        application.setValue("window/visibility", newVisibility)
        if (newVisibility === Window.Windowed)
            writeGeometry()
    }

    onClosing: function (close) {
        if (application.intValue("window/confirmQuit", 1) !== 0) {
            close.accepted = false
            quitDialog.open()
        } else {
            Qt.quit()
        }
    }

    Component.onCompleted: {
        application.preloadSound("qrc:/sounds/shot.wav")
        application.maxSecondsBeforeShot = 5
    }

    Action {
        id: quitAction
        text: qsTr("Выход из программы")
        shortcut: "Ctrl+Q"
        onTriggered: mainWindow.requestQuit()
    }

    header: MainToolBar {
        id: toolBar
        currentPage: mainWindow.currentPage
        fullScreen: mainWindow.visibility === Window.FullScreen
        quitAction: quitAction
        pendingSessions: application.pendingSessions
        pendingReason: application.pendingReason
        onPageSelected: function (name) { mainWindow.currentPage = name }
        onFullScreenToggled: mainWindow.toggleFullScreen()
    }

    Loader {
        id: pageLoader
        anchors.fill: parent
        sourceComponent: {
            switch (mainWindow.currentPage) {
            case "shooting": return shootingPage
            case "catalog": return catalogPage
            case "archive": return archivePage
            case "settings": return settingsPage
            case "printer": return printerPage
            }
            return null
        }
    }

    // A new language: the page shown is made anew (after the change that
    // asked for it has returned), so that every text of it is translated.
    Connections {
        target: application
        function onLanguageChanged() {
            Qt.callLater(function () {
                pageLoader.active = false
                pageLoader.active = true
            })
        }
    }

    Component { id: shootingPage; ShootingPage { } }
    Component { id: catalogPage; CatalogPage { } }
    Component { id: archivePage; ArchivePage { } }
    Component { id: settingsPage; SettingsPage { } }
    Component { id: printerPage; PrinterPage { } }

    QuitDialog {
        id: quitDialog
        pendingSessions: application.pendingSessions
        unfiledSessions: application.unfiledSessions
        onQuitConfirmed: Qt.quit()
    }
}
