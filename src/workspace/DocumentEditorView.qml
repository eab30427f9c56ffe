import QtQuick
import LarchNotes.Ui
import LarchNotes.Editor
import LarchNotes.Workspace

// A document in the web editor with its outline rail over the text's leading side: an article
// of the editor screen or the memo of the full memo editor. The page's edits come out through
// `edited`; `markdown` goes into the page only when it changed elsewhere.
Item {
    id: view

    property string markdown
    property string documentID
    property url vaultRootURL
    // The command for this editor (MarkdownEditor.command(...)), kept until `commandConsumed`.
    property var command: null
    property bool autofocus: false
    // function(data, mimeType, done): stores a pasted image, see MarkdownEditorWebView.
    property var pasteImageHandler: null

    // The page's last reports.
    property var outlineItems: []
    property var activeOutlinePosition: null
    property var formatState: null

    readonly property alias editor: editor
    readonly property bool editorHasFocus: editor.webEngineView.activeFocus

    signal edited(string markdown)
    signal commandConsumed()
    // A heading of the outline rail was clicked.
    signal headingChosen(int position)
    signal imagePickerRequested()
    signal pageTextRestored()

    // Takes in every edit the page has made, then calls `done`.
    function synchronize(done) { editor.synchronize(done) }

    MarkdownEditorWebView {
        id: editor
        objectName: "markdownEditor:" + view.documentID
        anchors.fill: parent
        markdown: view.markdown
        documentID: view.documentID
        vaultRootURL: view.vaultRootURL
        command: view.command
        autofocus: view.autofocus
        pasteImageHandler: view.pasteImageHandler
        darkAppearance: Theme.dark

        onMarkdownEdited: (text) => view.edited(text)
        // Only when the command held is the one delivered: a newer one set meanwhile must stay.
        onCommandConsumed: {
            if (view.command && view.command.id === editor.coordinator.lastCommandId)
                view.commandConsumed();
        }
        onOutlineChanged: (items, activePosition) => {
            view.outlineItems = items;
            view.activeOutlinePosition = activePosition;
        }
        onFormatStateChanged: (state) => view.formatState = state
        onImagePickerRequested: view.imagePickerRequested()
        onPageTextRestored: view.pageTextRestored()
    }

    DocumentOutlineRail {
        anchors.left: parent.left
        anchors.leftMargin: 16
        anchors.verticalCenter: parent.verticalCenter
        height: Math.min(implicitHeight, parent.height - 32)
        items: view.outlineItems
        activePosition: view.activeOutlinePosition
        maximumTooltipWidth: view.width / 2
        onNavigate: (position) => view.headingChosen(position)
    }
}
