import QtQuick
import QtQuick.Controls
import QtQuick.Layouts

// The switches that apply to the whole program.
GroupBox {
    title: "Общие:"

    ColumnLayout {
        anchors.fill: parent
        spacing: 2

        SettingCheckBox {
            objectName: "confirmQuitBox"
            key: "window/confirmQuit"
            text: "Запрашивать подтверждение при закрытии программы"
        }
        SettingCheckBox {
            objectName: "shotAimingSoundBox"
            key: "sound/shotAiming"
            text: "Звук выстрела во время стрельбы"
        }
        SettingCheckBox {
            objectName: "shotReplaySoundBox"
            key: "sound/shotReplay"
            text: "Звук выстрела во время повтора траектории"
        }
    }
}
