pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Layouts
import LarchNotes.Ui
import LarchNotes.Workspace

// A memo as the picture it is shared as, 720 wide with its natural height: the date and
// "Memo", the text, up to three pictures, the tags, and "Larch Notes". Its pictures load before
// it is laid out, so the card is complete when it is rendered.
Rectangle {
    id: card
    objectName: "memoShareCard"

    required property MemoShare share

    width: 720
    height: column.implicitHeight + 96
    color: Theme.windowColor

    ColumnLayout {
        id: column
        x: 48
        y: 48
        width: card.width - 96
        spacing: 28

        RowLayout {
            spacing: 20
            Layout.fillWidth: true
            Text {
                text: card.share.dateText
                font.family: Theme.fontFamily
                font.pixelSize: 18
                font.weight: Font.Medium
                color: Theme.secondaryText
            }
            Item { Layout.fillWidth: true }
            Text {
                text: "Memo"
                font.family: Theme.fontFamily
                font.pixelSize: 18
                font.weight: Font.Medium
                color: Theme.secondaryText
            }
        }

        Text {
            objectName: "shareCardBody"
            text: card.share.body
            font.family: Theme.fontFamily
            font.pixelSize: 30
            color: Theme.primaryText
            wrapMode: Text.Wrap
            textFormat: Text.PlainText
            lineHeightMode: Text.FixedHeight
            lineHeight: bodyMetrics.height + 11
            Layout.fillWidth: true
            FontMetrics {
                id: bodyMetrics
                font.family: Theme.fontFamily
                font.pixelSize: 30
            }
        }

        Repeater {
            model: card.share.images
            Image {
                id: picture
                required property url modelData
                source: modelData
                // Loaded at once: the card is rendered as soon as it is laid out.
                asynchronous: false
                fillMode: Image.PreserveAspectFit
                sourceSize.width: 2 * column.width
                Layout.fillWidth: true
                Layout.preferredHeight: implicitWidth > 0
                                        ? column.width * implicitHeight / implicitWidth : 0
                RoundedCorners {
                    anchors.fill: parent
                    radius: 16
                    surfaceColor: card.color
                }
            }
        }

        Text {
            objectName: "shareCardTags"
            visible: card.share.tags !== ""
            text: card.share.tags
            font.family: Theme.fontFamily
            font.pixelSize: 18
            font.weight: Font.Medium
            color: Theme.accent
            wrapMode: Text.Wrap
            textFormat: Text.PlainText
            Layout.fillWidth: true
        }

        Text {
            text: "Larch Notes"
            font.family: Theme.fontFamily
            font.pixelSize: 16
            font.weight: Font.DemiBold
            color: Theme.tertiaryText
        }
    }
}
