import QtQuick
import QtQuick.Controls
import LarchNotes.Ui

// A plain toolbar button showing one symbol, with its help text as tooltip and accessible name.
// `active` draws it highlighted (a format at the caret, a panel that is shown).
ToolButton {
    id: control

    property string symbol
    property string help
    property bool active: false
    property real glyphSize: 15
    property color glyphColor: active ? Theme.accent : Theme.secondaryText

    implicitWidth: 28
    implicitHeight: 28
    padding: 0
    focusPolicy: Qt.TabFocus
    hoverEnabled: true
    Accessible.role: Accessible.Button
    Accessible.name: help
    ToolTip.text: help
    ToolTip.visible: hovered && help !== ""
    ToolTip.delay: 600

    contentItem: Item {
        SymbolIcon {
            anchors.centerIn: parent
            width: control.glyphSize
            height: control.glyphSize
            name: control.symbol
            color: control.glyphColor
            opacity: control.enabled ? 1 : 0.4
        }
    }
    background: Rectangle {
        radius: 6
        color: control.active ? Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.14)
             : control.down ? Theme.separator
             : control.hovered ? Theme.placeholderFill : "transparent"
        border.width: control.visualFocus ? 2 : 0
        border.color: Theme.accent
    }
}
