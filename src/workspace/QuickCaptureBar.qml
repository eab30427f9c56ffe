import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import LarchNotes.Ui
import LarchNotes.Workspace

// A one-line memo capture above the article: Return or "arrow.up" records the trimmed text as a
// memo; a blank text is not recorded and the bar stays. Escape hides it.
Rectangle {
    id: bar
    objectName: "quickCaptureBar"

    property alias text: field.text

    // `text` is trimmed and not blank.
    signal submitted(string text)
    signal closeRequested()

    function focusField() {
        field.forceActiveFocus();
    }
    function submit() {
        const trimmed = field.text.trim();
        if (trimmed !== "")
            submitted(trimmed);
    }

    implicitHeight: 44
    color: Theme.windowColor

    RowLayout {
        anchors.fill: parent
        anchors.leftMargin: 14
        anchors.rightMargin: 10
        spacing: 6

        SymbolIcon {
            name: "bolt.fill"
            color: Theme.accent
            Layout.preferredWidth: 14
            Layout.preferredHeight: 14
        }
        TextField {
            id: field
            objectName: "quickCaptureField"
            placeholderText: "快速记录…"
            font.family: Theme.fontFamily
            font.pixelSize: Theme.bodySize
            selectByMouse: true
            Accessible.role: Accessible.EditableText
            Accessible.name: "快速记录"
            Layout.fillWidth: true
            onAccepted: bar.submit()
            Keys.onEscapePressed: bar.closeRequested()
        }
        RoundButton {
            id: send
            objectName: "quickCaptureSend"
            implicitWidth: 26
            implicitHeight: 26
            padding: 0
            enabled: field.text.trim() !== ""
            focusPolicy: Qt.TabFocus
            Accessible.name: "记录"
            ToolTip.text: "记录"
            ToolTip.visible: hovered
            ToolTip.delay: 600
            contentItem: Item {
                SymbolIcon {
                    anchors.centerIn: parent
                    width: 13
                    height: 13
                    name: "arrow.up"
                    strokeWidth: 2.6
                    color: "white"
                }
            }
            background: Rectangle {
                radius: width / 2
                color: Theme.accent
                opacity: send.enabled ? 1 : 0.4
            }
            onClicked: bar.submit()
        }
    }
    Rectangle {
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        height: 1
        color: Theme.separator
    }
}
