import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import LarchNotes.Ui
import LarchNotes.Workspace

// One article of the article list: symbol, title, preview, path and date; a click opens it.
AbstractButton {
    id: card

    property string path
    property string title
    property string preview
    property date modifiedAt
    // Shown as the keyboard's current item of its list.
    property bool current: false

    implicitHeight: content.implicitHeight + topPadding + bottomPadding
    padding: 14
    focusPolicy: Qt.NoFocus
    Accessible.role: Accessible.Button
    Accessible.name: title

    contentItem: RowLayout {
        id: content
        spacing: 10
        SymbolIcon {
            name: "doc"
            color: Theme.accent
            Layout.preferredWidth: 22
            Layout.preferredHeight: 22
            Layout.alignment: Qt.AlignTop
        }
        ColumnLayout {
            spacing: 3
            Layout.fillWidth: true
            Label {
                text: card.title
                font.family: Theme.fontFamily
                font.pixelSize: 15
                font.weight: Font.DemiBold
                color: Theme.primaryText
                elide: Text.ElideRight
                textFormat: Text.PlainText
                Layout.fillWidth: true
            }
            Label {
                visible: text !== ""
                text: card.preview
                font.family: Theme.fontFamily
                font.pixelSize: 13
                color: Theme.secondaryText
                wrapMode: Text.Wrap
                maximumLineCount: 2
                elide: Text.ElideRight
                textFormat: Text.PlainText
                Layout.fillWidth: true
            }
            Label {
                text: card.path
                font.family: Theme.fontFamily
                font.pixelSize: Theme.smallCaptionSize
                color: Theme.tertiaryText
                elide: Text.ElideMiddle
                textFormat: Text.PlainText
                Layout.fillWidth: true
            }
        }
        Label {
            text: WorkspaceText.day(card.modifiedAt)
            font.family: Theme.fontFamily
            font.pixelSize: Theme.captionSize
            color: Theme.secondaryText
            Layout.alignment: Qt.AlignTop
        }
    }

    background: Rectangle {
        radius: 10
        color: card.down ? Theme.placeholderFill : Theme.material
        border.width: card.current ? 2 : 1
        border.color: card.current ? Theme.accent : card.hovered ? Theme.separator : Theme.hairline
    }
}
