import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import LarchNotes.Ui

// "Nothing to show here": a symbol, a title, a description and optional action buttons, centred
// in the space the view is given.
Item {
    id: view

    property string symbol: ""
    property string title: ""
    property string description: ""
    // Buttons placed under the description.
    default property alias actions: actionRow.data

    implicitWidth: column.implicitWidth + 32
    implicitHeight: column.implicitHeight + 32

    ColumnLayout {
        id: column
        anchors.centerIn: parent
        width: Math.min(implicitWidth, view.width - 32)
        spacing: 0

        SymbolIcon {
            visible: view.symbol !== ""
            name: view.symbol
            color: Theme.secondaryText
            strokeWidth: 1.6
            Layout.preferredWidth: 44
            Layout.preferredHeight: 44
            Layout.alignment: Qt.AlignHCenter
            Layout.bottomMargin: 14
        }
        Label {
            text: view.title
            font.family: Theme.fontFamily
            font.pixelSize: 20
            font.weight: Font.Bold
            color: Theme.primaryText
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
            Layout.fillWidth: true
            Layout.maximumWidth: 460
            Layout.alignment: Qt.AlignHCenter
        }
        Label {
            visible: text !== ""
            text: view.description
            font.family: Theme.fontFamily
            font.pixelSize: Theme.bodySize
            color: Theme.secondaryText
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
            textFormat: Text.PlainText
            Layout.fillWidth: true
            Layout.maximumWidth: 460
            Layout.alignment: Qt.AlignHCenter
            Layout.topMargin: 8
        }
        Row {
            id: actionRow
            visible: children.length > 0
            spacing: 8
            Layout.alignment: Qt.AlignHCenter
            Layout.topMargin: 16
        }
    }
}
