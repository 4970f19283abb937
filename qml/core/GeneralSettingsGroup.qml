import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// The switches that apply to the whole program.
GroupBox {
    //: The settings that apply to the whole program
    title: qsTr("Общие:")

    ColumnLayout {
        anchors.fill: parent
        spacing: 2

        SettingCheckBox {
            objectName: "confirmQuitBox"
            key: "window/confirmQuit"
            text: qsTr("Запрашивать подтверждение при закрытии программы")
        }
        SettingCheckBox {
            objectName: "shotAimingSoundBox"
            key: "sound/shotAiming"
            text: qsTr("Звук выстрела во время стрельбы")
        }
        SettingCheckBox {
            objectName: "shotReplaySoundBox"
            key: "sound/shotReplay"
            //: Play the shot sound while a recorded aiming trace is replayed
            text: qsTr("Звук выстрела во время повтора траектории")
        }
    }
}
