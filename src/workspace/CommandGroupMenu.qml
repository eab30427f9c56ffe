pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import LarchNotes.Ui

// The menu of one command group, dropped below its button: one row per entry, each a symbol and
// a title. Choosing an entry reports its key; the owner decides what it does and closes the menu.
Popup {
    id: menu

    // [{key, title, symbol}]
    property var entries: []

    signal chosen(string key)

    padding: 5
    width: 168
    modal: false
    focus: true
    closePolicy: Popup.CloseOnEscape | Popup.CloseOnPressOutsideParent

    background: Rectangle {
        radius: 9
        color: Theme.windowColor
        border.width: 1
        border.color: Theme.hairline
        Rectangle {
            // A soft shadow below the frame.
            z: -1
            anchors.fill: parent
            anchors.topMargin: 3
            anchors.leftMargin: -1
            anchors.rightMargin: -1
            anchors.bottomMargin: -4
            radius: 11
            color: Qt.rgba(0, 0, 0, Theme.dark ? 0.35 : 0.10)
        }
    }

    contentItem: Column {
        spacing: 1
        Repeater {
            model: menu.entries
            delegate: ItemDelegate {
                id: entry
                required property var modelData
                objectName: "menuEntry:" + modelData.key
                width: menu.availableWidth
                height: 30
                focusPolicy: Qt.StrongFocus
                Accessible.role: Accessible.MenuItem
                Accessible.name: modelData.title
                contentItem: RowLayout {
                    spacing: 9
                    SymbolIcon {
                        name: entry.modelData.symbol
                        color: Theme.secondaryText
                        Layout.preferredWidth: 15
                        Layout.preferredHeight: 15
                        Layout.leftMargin: 4
                    }
                    Label {
                        text: entry.modelData.title
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.bodySize
                        color: Theme.primaryText
                        Layout.fillWidth: true
                    }
                }
                background: Rectangle {
                    radius: 6
                    color: entry.hovered || entry.visualFocus ? Theme.placeholderFill : "transparent"
                }
                onClicked: menu.chosen(modelData.key)
            }
        }
    }
}
