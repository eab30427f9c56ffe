import QtQuick
import QtQuick.Controls
import LarchNotes.Ui

// A filled accent button with an optional leading symbol: the one main action of a screen.
Button {
    id: control

    property string symbol: ""
    property color accentColor: Theme.accent
    property int fontSize: Theme.bodySize
    property int fontWeight: Font.Medium
    property real minimumWidth: 0

    horizontalPadding: 14
    verticalPadding: 7
    implicitWidth: Math.max(minimumWidth, implicitContentWidth + leftPadding + rightPadding)
    implicitHeight: implicitContentHeight + topPadding + bottomPadding
    font.family: Theme.fontFamily
    font.pixelSize: fontSize
    font.weight: fontWeight
    focusPolicy: Qt.StrongFocus

    contentItem: Row {
        spacing: 6
        SymbolIcon {
            visible: control.symbol !== ""
            name: control.symbol
            color: "white"
            width: control.fontSize + 2
            height: width
            anchors.verticalCenter: parent.verticalCenter
        }
        Text {
            text: control.text
            font: control.font
            color: "white"
            anchors.verticalCenter: parent.verticalCenter
        }
    }

    background: Rectangle {
        radius: 7
        color: control.down ? Qt.darker(control.accentColor, 1.15)
                            : control.hovered ? Qt.lighter(control.accentColor, 1.08)
                                              : control.accentColor
        opacity: control.enabled ? 1 : 0.45
        border.width: control.visualFocus ? 2 : 0
        border.color: Qt.lighter(control.accentColor, 1.5)
    }
}
