import QtQuick
import QtQuick.Controls
import LarchNotes.Ui

// One line of the sidebar: an entry or a folder of the tree. Reachable with Tab, Up and Down;
// Return or Space activates it, Left and Right close and open a folder, the menu key asks for
// the context menu.
ItemDelegate {
    id: entry

    property string symbol: ""
    property bool selected: false
    property int depth: 0
    // A folder with subfolders shows a disclosure chevron.
    property bool expandable: false
    property bool expanded: false

    signal expandRequested(bool expanded)
    signal contextMenuRequested(point position)

    width: parent ? parent.width : implicitWidth
    height: 30
    leftPadding: 10 + depth * 16
    rightPadding: 10
    focusPolicy: Qt.StrongFocus
    Accessible.role: Accessible.ListItem
    Accessible.name: text
    Accessible.selected: selected

    contentItem: Row {
        spacing: 6
        Item {
            width: 12
            height: parent.height
            visible: entry.depth > 0 || entry.expandable
            SymbolIcon {
                visible: entry.expandable
                anchors.centerIn: parent
                width: 11
                height: 11
                name: entry.expanded ? "chevron.down" : "chevron.right"
                color: entry.selected ? "white" : Theme.tertiaryText
                strokeWidth: 2.6
            }
        }
        SymbolIcon {
            width: 16
            height: 16
            anchors.verticalCenter: parent.verticalCenter
            name: entry.symbol
            color: entry.selected ? "white" : Theme.accent
        }
        Text {
            width: parent.width - x
            anchors.verticalCenter: parent.verticalCenter
            text: entry.text
            font.family: Theme.fontFamily
            font.pixelSize: Theme.bodySize
            color: entry.selected ? "white" : Theme.primaryText
            elide: Text.ElideRight
            textFormat: Text.PlainText
        }
    }

    background: Rectangle {
        radius: 6
        color: entry.selected ? Theme.selectionFill
                              : entry.down ? Theme.separator
                                           : entry.hovered ? Theme.placeholderFill : "transparent"
        border.width: entry.visualFocus ? 2 : 0
        border.color: Qt.lighter(Theme.accent, 1.3)
    }

    Keys.onReturnPressed: clicked()
    Keys.onEnterPressed: clicked()
    Keys.onLeftPressed: (event) => {
        event.accepted = expandable && expanded;
        if (event.accepted)
            expandRequested(false);
    }
    Keys.onRightPressed: (event) => {
        event.accepted = expandable && !expanded;
        if (event.accepted)
            expandRequested(true);
    }
    Keys.onMenuPressed: contextMenuRequested(Qt.point(width / 2, height / 2))
    Keys.onUpPressed: nextItemInFocusChain(false).forceActiveFocus(Qt.BacktabFocusReason)
    Keys.onDownPressed: nextItemInFocusChain(true).forceActiveFocus(Qt.TabFocusReason)

    TapHandler {
        acceptedButtons: Qt.RightButton
        onTapped: (point) => entry.contextMenuRequested(point.position)
    }
}
