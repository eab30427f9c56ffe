import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import LarchNotes.Ui
import LarchNotes.Workspace

// The search bar of the article being edited: every change of the text searches, Return and
// "chevron.down" go to the next match, "chevron.up" to the previous one, "xmark" (or Escape)
// closes the bar and clears the highlights.
Rectangle {
    id: bar
    objectName: "contentSearchBar"

    property alias text: field.text
    readonly property bool fieldFocused: field.activeFocus

    signal searchChanged(string text)
    signal next()
    signal previous()
    signal closeRequested()

    function focusField() {
        field.forceActiveFocus();
        field.selectAll();
    }

    implicitHeight: 40
    color: Theme.windowColor

    RowLayout {
        anchors.fill: parent
        anchors.leftMargin: 14
        anchors.rightMargin: 10
        spacing: 4

        TextField {
            id: field
            objectName: "contentSearchField"
            placeholderText: "在当前笔记中搜索"
            leftPadding: 28
            font.family: Theme.fontFamily
            font.pixelSize: Theme.bodySize
            selectByMouse: true
            Accessible.role: Accessible.EditableText
            Accessible.name: "在当前笔记中搜索"
            Layout.fillWidth: true
            Layout.maximumWidth: 420
            onTextChanged: bar.searchChanged(text)
            onAccepted: bar.next()
            Keys.onEscapePressed: bar.closeRequested()

            SymbolIcon {
                anchors.left: parent.left
                anchors.leftMargin: 8
                anchors.verticalCenter: parent.verticalCenter
                width: 14
                height: 14
                name: "magnifyingglass"
                color: Theme.secondaryText
            }
        }
        SymbolButton {
            objectName: "contentSearchPrevious"
            symbol: "chevron.up"
            help: "上一个"
            onClicked: bar.previous()
        }
        SymbolButton {
            objectName: "contentSearchNext"
            symbol: "chevron.down"
            help: "下一个"
            onClicked: bar.next()
        }
        Item { Layout.fillWidth: true }
        SymbolButton {
            objectName: "contentSearchClose"
            symbol: "xmark"
            help: "关闭搜索"
            onClicked: bar.closeRequested()
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
