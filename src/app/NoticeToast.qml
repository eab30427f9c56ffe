import QtQuick
import QtQuick.Controls
import LarchNotes.Ui

// A short confirmation that fades in and out near the bottom of the window. The library clears
// the text after a moment; the toast keeps the last text while it fades away.
Item {
    id: toast
    objectName: "noticeToast"

    property string text: ""
    readonly property bool shown: text !== ""
    property string shownText: ""

    onTextChanged: if (text !== "") shownText = text

    implicitWidth: pill.width
    implicitHeight: pill.height
    opacity: shown ? 1 : 0
    visible: opacity > 0
    Behavior on opacity { NumberAnimation { duration: Theme.duration(180) } }

    Rectangle {
        id: pill
        width: label.implicitWidth + 32
        height: label.implicitHeight + 16
        radius: height / 2
        color: Theme.dark ? Qt.rgba(0.22, 0.22, 0.24, 0.96) : Qt.rgba(0.12, 0.12, 0.13, 0.9)

        Label {
            id: label
            anchors.centerIn: parent
            text: toast.shownText
            font.family: Theme.fontFamily
            font.pixelSize: Theme.bodySize
            font.weight: Font.Medium
            color: "white"
            textFormat: Text.PlainText
        }
    }
}
