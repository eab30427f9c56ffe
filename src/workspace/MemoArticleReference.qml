import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import LarchNotes.Ui
import LarchNotes.Workspace

// What a timeline row shows for a memo that stands for an article: the article's title,
// preview, path and first picture, or the link's text and "文件已移动或不存在" when the file is
// gone. A click calls `open` (the row opens the article, or the full memo editor).
AbstractButton {
    id: card
    objectName: "memoArticleReference"

    required property var library
    required property string memoId

    signal open()

    // The article as {path, title, preview, modifiedAt}; empty when it does not exist.
    property var article: ({})
    property url picture
    property string linkText

    function refresh() {
        article = library.referencedArticleOf(memoId);
        const pictures = library.referencedArticleImagesOf(memoId, 1);
        picture = pictures.length > 0 ? pictures[0] : "";
        linkText = library.memoById(memoId).textWithoutMedia || "";
    }
    Component.onCompleted: refresh()
    onMemoIdChanged: refresh()
    Connections {
        target: card.library
        function onSnapshotChanged() { card.refresh(); }
        function onMemosChanged() { card.refresh(); }
    }

    readonly property bool hasArticle: article.path !== undefined
    readonly property string title: hasArticle ? article.title : linkText
    implicitHeight: Math.max(content.implicitHeight, image.visible ? 82 : 0) + topPadding + bottomPadding
    padding: 12
    focusPolicy: Qt.StrongFocus
    Accessible.role: Accessible.Button
    Accessible.name: titleLabel.text
    onClicked: open()

    contentItem: RowLayout {
        spacing: 10
        SymbolIcon {
            name: "doc"
            color: Theme.accent
            Layout.preferredWidth: 22
            Layout.preferredHeight: 22
            Layout.alignment: Qt.AlignTop
        }
        ColumnLayout {
            id: content
            spacing: 3
            Layout.fillWidth: true
            Layout.alignment: Qt.AlignTop
            Label {
                id: titleLabel
                text: card.title
                font.family: Theme.fontFamily
                font.pixelSize: 14
                font.weight: Font.DemiBold
                color: Theme.primaryText
                elide: Text.ElideRight
                textFormat: Text.PlainText
                Layout.fillWidth: true
            }
            Label {
                visible: card.hasArticle && card.article.preview !== ""
                text: card.hasArticle ? card.article.preview : ""
                font.family: Theme.fontFamily
                font.pixelSize: 12
                color: Theme.secondaryText
                wrapMode: Text.Wrap
                maximumLineCount: 2
                elide: Text.ElideRight
                textFormat: Text.PlainText
                Layout.fillWidth: true
            }
            Label {
                text: card.hasArticle ? card.article.path : "文件已移动或不存在"
                font.family: Theme.fontFamily
                font.pixelSize: Theme.smallCaptionSize
                color: Theme.tertiaryText
                elide: Text.ElideMiddle
                textFormat: Text.PlainText
                Layout.fillWidth: true
            }
        }
        RoundedImage {
            id: image
            visible: loaded
            source: card.picture
            radius: 9
            Layout.preferredWidth: 116
            Layout.preferredHeight: 82
            Layout.alignment: Qt.AlignTop
        }
        SymbolIcon {
            name: "arrow.up.right"
            color: Theme.secondaryText
            strokeWidth: 2.6
            Layout.preferredWidth: 12
            Layout.preferredHeight: 12
            Layout.alignment: Qt.AlignTop
        }
    }

    background: Rectangle {
        radius: 10
        color: card.down ? Theme.placeholderFill : Theme.material
        border.width: card.visualFocus ? 2 : 1
        border.color: card.visualFocus ? Theme.accent : Theme.hairline
    }
}
