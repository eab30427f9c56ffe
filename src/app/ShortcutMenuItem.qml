import QtQuick
import QtQuick.Controls

// A menu entry that also shows its action's keyboard shortcut at the right edge.
MenuItem {
    id: item

    readonly property string shortcutText: action && action.shortcut
                                           ? String(action.shortcut) : ""

    contentItem: Item {
        implicitWidth: title.implicitWidth + (shortcut.text !== "" ? shortcut.implicitWidth + 32 : 0)
        implicitHeight: Math.max(title.implicitHeight, shortcut.implicitHeight)
        Text {
            id: title
            anchors.left: parent.left
            anchors.verticalCenter: parent.verticalCenter
            text: item.text
            font: item.font
            color: item.highlighted ? item.palette.highlightedText : item.palette.windowText
            opacity: item.enabled ? 1 : 0.4
        }
        Text {
            id: shortcut
            anchors.right: parent.right
            anchors.verticalCenter: parent.verticalCenter
            text: item.shortcutText
            font: item.font
            color: item.highlighted ? item.palette.highlightedText : item.palette.windowText
            opacity: item.enabled ? 0.6 : 0.3
        }
    }
}
