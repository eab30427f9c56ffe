import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import LarchNotes.Ui
import LarchNotes.Workspace

// The timeline destination. For now the memos as plain rows, newest first; the memo timeline
// replaces this file and keeps its inputs and signals:
// - focusDate: the day shown (QDateTime at its start), invalid for all days; "查看全部" clears it
//   with `navigation.timelineDate = new Date(NaN)`.
// - expandedMemoId: the memo open in the full memo editor ("" for none); set it with
//   `navigation.expandedMemoId = id`.
// - folderPath: the folder new articles and memos go to.
// - openArticle(path): open an article in the editor; createArticle(): the creation sheet.
Item {
    id: view
    objectName: "memoTimelineView"

    required property var library
    required property var navigation
    property date focusDate
    property string expandedMemoId
    property string folderPath

    signal openArticle(string path)
    signal createArticle()

    ListView {
        id: list
        objectName: "timelineList"
        anchors.fill: parent
        anchors.margins: 24
        clip: true
        spacing: 10
        model: view.library.memos
        // The stream is oldest first; the newest memo sits at the top.
        verticalLayoutDirection: ListView.BottomToTop
        ScrollBar.vertical: ScrollBar {}

        delegate: ColumnLayout {
            id: row
            required property string memoId
            required property date createdAt
            required property string plainText
            required property bool isArticleReference
            width: ListView.view.width
            spacing: 2
            Label {
                text: WorkspaceText.day(row.createdAt) + "  " + WorkspaceText.time(row.createdAt)
                font.family: Theme.fontFamily
                font.pixelSize: Theme.captionSize
                color: Theme.secondaryText
            }
            Loader {
                active: row.isArticleReference
                visible: active
                Layout.fillWidth: true
                Layout.maximumWidth: 720
                sourceComponent: MemoArticleReference {
                    library: view.library
                    memoId: row.memoId
                    onOpen: {
                        const path = view.library.articlePathOf(row.memoId);
                        if (path !== "")
                            view.openArticle(path);
                    }
                }
            }
            Label {
                visible: !row.isArticleReference
                text: row.plainText
                font.family: Theme.fontFamily
                font.pixelSize: 15
                color: Theme.primaryText
                wrapMode: Text.Wrap
                maximumLineCount: 6
                elide: Text.ElideRight
                textFormat: Text.PlainText
                Layout.fillWidth: true
            }
        }
    }
}
