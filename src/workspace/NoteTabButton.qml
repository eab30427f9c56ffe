import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import LarchNotes.Ui
import LarchNotes.Library

// One open article as a tab (a delegate of the library's open sessions): its title, a dot while
// its edits are not yet on disk (a warning sign when saving failed), and a close button.
AbstractButton {
    id: tab

    required property var session
    required property string title
    required property string path
    required property int saveState
    required property bool isSelected
    readonly property bool selected: isSelected
    readonly property string saveFailureMessage: session ? session.saveFailureMessage : ""

    signal closeRequested()

    readonly property string stateText: {
        switch (saveState) {
        case NoteEditorSession.Waiting: return "未保存";
        case NoteEditorSession.Saving: return "正在保存";
        case NoteEditorSession.Failed: return "保存失败";
        default: return "已保存";
        }
    }

    implicitWidth: Math.min(220, row.implicitWidth + 20)
    implicitHeight: 30
    hoverEnabled: true
    focusPolicy: Qt.TabFocus
    Accessible.role: Accessible.PageTab
    Accessible.name: title + "，" + stateText
    ToolTip.text: path + (saveState === NoteEditorSession.Failed ? "\n" + saveFailureMessage : "")
    ToolTip.visible: hovered && !closeButton.hovered
    ToolTip.delay: 800

    background: Rectangle {
        radius: 7
        color: tab.selected ? Theme.material
             : tab.hovered ? Theme.placeholderFill : "transparent"
        border.width: tab.selected ? 1 : (tab.visualFocus ? 2 : 0)
        border.color: tab.visualFocus ? Theme.accent : Theme.hairline
    }

    contentItem: RowLayout {
        id: row
        spacing: 6
        Item {
            // The save state: nothing when saved.
            Layout.preferredWidth: 8
            Layout.preferredHeight: 8
            Layout.leftMargin: 4
            Rectangle {
                anchors.centerIn: parent
                visible: tab.saveState === NoteEditorSession.Waiting
                         || tab.saveState === NoteEditorSession.Saving
                width: 7
                height: 7
                radius: 3.5
                color: tab.saveState === NoteEditorSession.Saving ? Theme.tertiaryText
                                                                  : Theme.accent
            }
            SymbolIcon {
                anchors.centerIn: parent
                visible: tab.saveState === NoteEditorSession.Failed
                width: 11
                height: 11
                name: "exclamationmark.triangle"
                color: "#e0533d"
            }
        }
        Label {
            objectName: tab.selected ? "editorTitle" : ""
            text: tab.title
            font.family: Theme.fontFamily
            font.pixelSize: Theme.calloutSize + 1
            font.weight: tab.selected ? Font.DemiBold : Font.Normal
            color: tab.selected ? Theme.primaryText : Theme.secondaryText
            elide: Text.ElideMiddle
            textFormat: Text.PlainText
            Layout.fillWidth: true
            Layout.maximumWidth: 160
        }
        ToolButton {
            id: closeButton
            objectName: "closeTab:" + tab.path
            implicitWidth: 16
            implicitHeight: 16
            padding: 0
            focusPolicy: Qt.NoFocus
            hoverEnabled: true
            opacity: tab.selected || tab.hovered ? 1 : 0.55
            Accessible.role: Accessible.Button
            Accessible.name: "关闭 " + tab.title
            contentItem: Item {
                SymbolIcon {
                    anchors.centerIn: parent
                    width: 9
                    height: 9
                    name: "xmark"
                    strokeWidth: 2.6
                    color: Theme.secondaryText
                }
            }
            background: Rectangle {
                radius: 4
                color: closeButton.hovered ? Theme.separator : "transparent"
            }
            onClicked: tab.closeRequested()
        }
    }
}
