import QtQuick
import QtQuick.Controls
import QtQuick.Dialogs
import QtQuick.Layouts
import LarchNotes.Ui
import LarchNotes.Editor
import LarchNotes.Library
import LarchNotes.Workspace

// The editor destination: the open articles as tabs, the command bar, the selected article in
// the web editor with its outline rail, the search bar, a quick memo capture and the reference
// panel. Each article is a session of the library, which saves it; the screen never writes
// files itself. Before a tab closes, the article is renamed or the application quits, the
// page's last edits are taken in, so no keystroke is lost on the way.
//
// Inputs and signals for the root view:
// - path: the article the workspace opened (the library has it open and selected).
// - editorHasFocus: true while the editor or its search field has the keyboard; the sidebar's
//   Ctrl+F is off meanwhile, so the editor's own search takes it.
// - showSidebar(), createNote(): the window's sidebar and the creation sheet;
//   openArticle(path): open another article.
Item {
    id: screen
    objectName: "editorScreen"

    required property var library
    required property var navigation
    property string path
    readonly property bool editorHasFocus: (selectedView !== null && selectedView.editorHasFocus)
                                           || searchBar.fieldFocused

    signal showSidebar()
    signal createNote()
    signal openArticle(string path)

    // The application shell of the window, whose aboutToFlush comes before quitting. (Read here:
    // an attached property read inside a Connections would attach to that, not to this item.)
    readonly property var shell: ApplicationWindow.window ? ApplicationWindow.window.shell : null

    // The command being delivered to the selected editor; cleared when consumed.
    property var command: null
    property bool showsContentSearch: false
    // The command group whose menu is open: "", "text", "code" or "insert".
    property string expandedCommandGroup: ""
    property bool showsWorkspaceQuickCapture: false
    property bool showsReferencePanel: false

    // The editor of each open session, by session id.
    property var views: ({})
    property int viewsRevision: 0
    readonly property var selectedView: {
        viewsRevision;
        return views[library.selectedSessionId] || null;
    }
    readonly property bool hasArticle: library.selectedSession !== null

    // Sends a command to the selected editor; a command not yet delivered is replaced.
    function issue(kind, value) {
        command = MarkdownEditor.command(kind, value);
    }
    // The command bar's way: its open menu closes first.
    function send(kind, value) {
        expandedCommandGroup = "";
        issue(kind, value);
    }

    function openContentSearch() {
        expandedCommandGroup = "";
        showsContentSearch = true;
        Qt.callLater(() => searchBar.focusField());
    }
    function closeContentSearch() {
        // Clearing a non-empty text searches for "" already, which clears the highlights.
        if (searchBar.text !== "")
            searchBar.text = "";
        else
            issue("contentSearch", "");
        showsContentSearch = false;
        screen.forceActiveFocus();
    }

    // Closes a tab once its editor's last edits are in the session.
    function closeTab(sessionId) {
        const view = views[sessionId];
        if (view)
            view.synchronize(() => library.closeSession(sessionId));
        else
            library.closeSession(sessionId);
    }
    function rename(name) {
        const view = selectedView;
        if (view)
            view.synchronize(() => library.renameSelectedNote(name));
        else
            library.renameSelectedNote(name);
    }

    // A choice of the conflict bar for the selected article, once its editor's last edits are in
    // the session (they belong to the text the choice keeps).
    function resolve(choice) {
        const session = library.selectedSession;
        if (!session)
            return;
        const view = views[session.id];
        if (view)
            view.synchronize(() => session[choice]());
        else
            session[choice]();
    }

    // Stores a pasted image; the page inserts the path `done` gets.
    function pasteImage(data, mimeType, done) {
        library.storeImageData(data, mimeType).finished.connect((path) => done(path));
    }

    Connections {
        target: screen.library
        // The new article shows the same search.
        function onSelectedSessionChanged() {
            if (screen.showsContentSearch)
                screen.issue("contentSearch", searchBar.text);
        }
    }
    // Quitting: the pages' last edits go into their sessions before the sessions are written.
    Connections {
        target: screen.shell
        function onAboutToFlush() {
            for (const id in screen.views)
                screen.views[id].editor.coordinator.synchronizeAndWait(2000);
        }
    }

    Shortcut {
        sequence: StandardKey.Find
        enabled: screen.editorHasFocus
        onActivated: screen.openContentSearch()
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        // Tabs.
        Rectangle {
            color: Theme.windowColor
            Layout.fillWidth: true
            Layout.preferredHeight: 40
            ListView {
                id: tabs
                objectName: "noteTabs"
                anchors.fill: parent
                anchors.leftMargin: 10
                anchors.rightMargin: 10
                anchors.topMargin: 5
                anchors.bottomMargin: 5
                orientation: ListView.Horizontal
                spacing: 4
                clip: true
                boundsBehavior: Flickable.StopAtBounds
                model: screen.library.openSessions
                Accessible.role: Accessible.PageTabList
                delegate: NoteTabButton {
                    required property string sessionId
                    objectName: "tab:" + path
                    height: ListView.view.height
                    onClicked: screen.library.selectSession(sessionId)
                    onCloseRequested: screen.closeTab(sessionId)
                }
                onCountChanged: Qt.callLater(() => tabs.positionViewAtIndex(tabs.count - 1, ListView.Contain))
            }
        }

        EditorCommandBar {
            id: commandBar
            hasArticle: screen.hasArticle
            formatState: screen.selectedView ? screen.selectedView.formatState : null
            expandedGroup: screen.expandedCommandGroup
            referencePanelShown: screen.showsReferencePanel
            quickCaptureShown: screen.showsWorkspaceQuickCapture
            Layout.fillWidth: true
            onCommand: (kind, value) => screen.send(kind, value)
            onGroupToggled: (group) => screen.expandedCommandGroup =
                            screen.expandedCommandGroup === group ? "" : group
            onGroupClosed: (group) => {
                if (screen.expandedCommandGroup === group)
                    screen.expandedCommandGroup = "";
            }
            onImageRequested: {
                screen.expandedCommandGroup = "";
                imagePicker.open();
            }
            onReferencePanelToggled: {
                screen.expandedCommandGroup = "";
                screen.showsReferencePanel = !screen.showsReferencePanel;
            }
            onSearchRequested: screen.openContentSearch()
            onQuickCaptureToggled: {
                screen.showsWorkspaceQuickCapture = !screen.showsWorkspaceQuickCapture;
                if (screen.showsWorkspaceQuickCapture)
                    Qt.callLater(() => quickCapture.focusField());
            }
            onRenameRequested: renameDialog.openFor(screen.library.selectedSession.title)
            onTrashRequested: trashDialog.open()
        }

        ContentSearchBar {
            id: searchBar
            visible: screen.showsContentSearch && screen.hasArticle
            Layout.fillWidth: true
            onSearchChanged: (text) => screen.issue("contentSearch", text)
            onNext: screen.issue("contentSearchNext")
            onPrevious: screen.issue("contentSearchPrevious")
            onCloseRequested: screen.closeContentSearch()
        }

        // The selected article's file changed or went away outside, or could not be written.
        ConflictBar {
            id: conflictBar
            readonly property var session: screen.library.selectedSession
            visible: session !== null && session.outsideState !== NoteEditorSession.None
            Layout.fillWidth: true
            message: session ? session.outsideMessage : ""
            fileMissing: session !== null && session.outsideState === NoteEditorSession.Missing
            busy: session !== null && session.resolving
            onKeepMineRequested: screen.resolve("keepMine")
            onUseOutsideRequested: screen.resolve("useOutside")
            onSaveCopyRequested: screen.resolve("saveCopy")
            onDifferencesRequested: differenceView.open()
            onSaveAgainRequested: screen.resolve("saveAgain")
            onCloseRequested: screen.closeTab(session.id)
        }

        QuickCaptureBar {
            id: quickCapture
            clip: true
            visible: Layout.preferredHeight > 0
            Layout.fillWidth: true
            Layout.preferredHeight: screen.showsWorkspaceQuickCapture ? implicitHeight : 0
            Behavior on Layout.preferredHeight {
                NumberAnimation { duration: Theme.duration(200); easing.type: Easing.OutBack; easing.overshoot: 0.6 }
            }
            onSubmitted: (text) => {
                screen.library.captureMemo(text, "", []);
                quickCapture.text = "";
                screen.forceActiveFocus();
                screen.showsWorkspaceQuickCapture = false;
            }
            onCloseRequested: {
                screen.forceActiveFocus();
                screen.showsWorkspaceQuickCapture = false;
            }
        }

        RowLayout {
            spacing: 0
            Layout.fillWidth: true
            Layout.fillHeight: true

            Item {
                id: editorArea
                Layout.fillWidth: true
                Layout.fillHeight: true

                Repeater {
                    model: screen.library.openSessions
                    delegate: DocumentEditorView {
                        id: sessionView
                        required property var session
                        required property string sessionId
                        required property string path
                        required property bool isSelected

                        anchors.fill: parent
                        visible: isSelected
                        markdown: session.markdown
                        documentID: path
                        vaultRootURL: screen.library.rootUrl
                        command: isSelected ? screen.command : null
                        autofocus: screen.library.editorFocusDocumentPath === path
                        pasteImageHandler: screen.pasteImage

                        onEdited: (text) => session.updateMarkdown(text)
                        onCommandConsumed: screen.command = null
                        onHeadingChosen: (position) => screen.issue("jumpToHeading", position)
                        onImagePickerRequested: imagePicker.open()
                        onPageTextRestored: screen.library.showAlert(
                            "编辑器中最近的修改未能同步，已恢复为应用保存的内容。")

                        Component.onCompleted: {
                            screen.views[sessionId] = sessionView;
                            screen.viewsRevision += 1;
                        }
                        Component.onDestruction: {
                            delete screen.views[sessionId];
                            screen.viewsRevision += 1;
                        }
                    }
                }

                ContentUnavailableView {
                    objectName: "noArticleSelected"
                    anchors.fill: parent
                    visible: !screen.hasArticle
                    symbol: "doc.text"
                    title: "选择一篇笔记"
                    ProminentButton {
                        text: "新建文章"
                        symbol: "doc.badge.plus"
                        onClicked: screen.createNote()
                    }
                }
            }

            Rectangle {
                visible: referencePanel.active
                color: Theme.separator
                Layout.preferredWidth: 1
                Layout.fillHeight: true
            }
            Loader {
                id: referencePanel
                objectName: "referencePanelLoader"
                // A new panel each time it opens, so it starts with an empty query.
                active: screen.showsReferencePanel && screen.hasArticle
                visible: active
                Layout.preferredWidth: 320
                Layout.fillHeight: true
                sourceComponent: ReferencePanel {
                    library: screen.library
                    sourcePath: screen.library.selectedSession ? screen.library.selectedSession.path : ""
                    onInsert: (text) => screen.issue("insertText", text)
                    onCloseRequested: screen.showsReferencePanel = false
                }
            }
        }
    }

    DifferenceView {
        id: differenceView
        readonly property var session: screen.library.selectedSession
        mine: session ? session.markdown : ""
        outside: session ? session.outsideMarkdown : ""
        busy: session !== null && session.resolving
        onKeepMineRequested: screen.resolve("keepMine")
        onUseOutsideRequested: screen.resolve("useOutside")
        onSaveCopyRequested: screen.resolve("saveCopy")
    }

    FileDialog {
        id: imagePicker
        objectName: "imagePicker"
        title: "插入图片"
        fileMode: FileDialog.OpenFile
        nameFilters: ["图片 (*.png *.jpg *.jpeg *.gif *.webp *.heic *.heif *.bmp *.tif *.tiff)"]
        onAccepted: screen.library.storeImageFile(selectedFile, "image/png").finished.connect(
            (path) => { if (path !== "") screen.issue("image", path); })
    }

    Dialog {
        id: renameDialog
        objectName: "renameDialog"

        function openFor(name) {
            nameField.text = name;
            open();
            nameField.forceActiveFocus();
            nameField.selectAll();
        }

        title: "重命名笔记"
        parent: Overlay.overlay
        anchors.centerIn: parent
        width: Math.min(380, parent ? parent.width - 80 : 380)
        modal: true
        focus: true
        closePolicy: Popup.CloseOnEscape
        padding: 20
        font.family: Theme.fontFamily
        onAccepted: screen.rename(nameField.text)

        contentItem: TextField {
            id: nameField
            objectName: "renameField"
            placeholderText: "笔记名称"
            font.family: Theme.fontFamily
            font.pixelSize: Theme.bodySize
            selectByMouse: true
            Accessible.name: "笔记名称"
            onAccepted: renameDialog.accept()
        }
        footer: DialogButtonBox {
            Button {
                text: "取消"
                DialogButtonBox.buttonRole: DialogButtonBox.RejectRole
            }
            Button {
                objectName: "renameButton"
                text: "重命名"
                highlighted: true
                DialogButtonBox.buttonRole: DialogButtonBox.AcceptRole
            }
        }
    }

    Dialog {
        id: trashDialog
        objectName: "trashDialog"
        title: "要将这篇笔记移到废纸篓吗？"
        parent: Overlay.overlay
        anchors.centerIn: parent
        width: Math.min(380, parent ? parent.width - 80 : 380)
        modal: true
        closePolicy: Popup.CloseOnEscape
        padding: 20
        font.family: Theme.fontFamily
        onAccepted: screen.library.trashSelectedNote()

        contentItem: Label {
            text: screen.library.selectedSession ? screen.library.selectedSession.title : ""
            font.family: Theme.fontFamily
            font.pixelSize: Theme.bodySize
            color: Theme.secondaryText
            elide: Text.ElideMiddle
            textFormat: Text.PlainText
        }
        footer: DialogButtonBox {
            Button {
                text: "取消"
                DialogButtonBox.buttonRole: DialogButtonBox.RejectRole
            }
            Button {
                id: trashButton
                objectName: "confirmTrashButton"
                text: "移到废纸篓"
                DialogButtonBox.buttonRole: DialogButtonBox.DestructiveRole
                onClicked: trashDialog.accept()
                contentItem: Text {
                    text: trashButton.text
                    font: trashButton.font
                    color: "#e0533d"
                    horizontalAlignment: Text.AlignHCenter
                    verticalAlignment: Text.AlignVCenter
                }
            }
        }
    }
}
