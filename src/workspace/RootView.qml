import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import LarchNotes.Ui
import LarchNotes.Workspace

// The main window's content once a vault is open: the sidebar beside the workspace area, which
// shows one destination at a time (the memo timeline, an article list or the editor). The rules
// that switch destinations live in WorkspaceNavigation; this view lays out and forwards.
FocusScope {
    id: root
    objectName: "rootView"

    required property var library
    readonly property alias navigation: workspaceNavigation
    // The sidebar column is shown (the editor can ask for it back).
    property bool sidebarShown: true

    // Opens the article creation sheet for a new article in `folderPath` (a string).
    function createArticleIn(folderPath) {
        articleCreator.openWith("新建文章", "", folderPath);
    }

    WorkspaceNavigation {
        id: workspaceNavigation
        library: root.library
    }
    // The memo composer's draft lives as long as the workspace, not the timeline.
    MemoComposerDraft {
        id: composerDraft
        library: root.library
    }
    readonly property bool showsEditor: navigation.kind === WorkspaceNavigation.Editor
    onShowsEditorChanged: if (showsEditor) editorLoader.active = true
    Component.onCompleted: if (showsEditor) editorLoader.active = true

    RowLayout {
        anchors.fill: parent
        spacing: 0

        Sidebar {
            id: sidebar
            visible: root.sidebarShown
            library: root.library
            navigation: root.navigation
            Layout.preferredWidth: 264
            Layout.fillHeight: true
            onNewFolderRequested: (parentPath) => folderCreator.openFor(parentPath)
        }
        Rectangle {
            visible: root.sidebarShown
            color: Theme.separator
            Layout.preferredWidth: 1
            Layout.fillHeight: true
        }
        Loader {
            id: destination
            objectName: "destinationLoader"
            active: !root.showsEditor
            visible: active && !memoEditor.active
            Layout.fillWidth: true
            Layout.fillHeight: true
            sourceComponent: root.navigation.kind === WorkspaceNavigation.Articles
                             ? articlesDestination : timelineDestination
        }
        // The editor stays once it has been shown, hidden while another destination is: its
        // pages hand over the keystrokes still on their way, and coming back reloads nothing.
        Loader {
            id: editorLoader
            objectName: "editorLoader"
            active: false
            visible: root.showsEditor && !memoEditor.active
            Layout.fillWidth: true
            Layout.fillHeight: true
            sourceComponent: editorDestination
        }
        // The full memo editor stands in the destination's place while a memo is expanded.
        Loader {
            id: memoEditor
            objectName: "memoEditorLoader"
            active: root.navigation.expandedMemoId !== ""
            visible: active
            Layout.fillWidth: true
            Layout.fillHeight: true
            sourceComponent: MemoEditorView {
                library: root.library
                memoId: root.navigation.expandedMemoId
                onBack: root.navigation.expandedMemoId = ""
            }
        }
    }

    Component {
        id: timelineDestination
        MemoTimelineView {
            library: root.library
            navigation: root.navigation
            draft: composerDraft
            focusDate: root.navigation.timelineDate
            expandedMemoId: root.navigation.expandedMemoId
            folderPath: root.library.creationFolderPath
            onOpenArticle: (path) => root.navigation.openArticle(path)
            onCreateArticle: root.createArticleIn(root.library.creationFolderPath)
        }
    }
    Component {
        id: articlesDestination
        ArticleBrowserView {
            library: root.library
            folderPath: root.navigation.folderPath
            onOpen: (path) => root.navigation.openArticle(path)
        }
    }
    Component {
        id: editorDestination
        EditorScreen {
            library: root.library
            navigation: root.navigation
            path: root.navigation.editorPath
            onShowSidebar: root.sidebarShown = true
            onCreateNote: root.createArticleIn(root.library.creationFolderPath)
            onOpenArticle: (path) => root.navigation.openArticle(path)
        }
    }

    // Ctrl+F searches from the sidebar, except while an editor has the keyboard (it searches
    // its own text then).
    Shortcut {
        sequence: StandardKey.Find
        enabled: !(editorLoader.visible && editorLoader.item.editorHasFocus)
        onActivated: {
            root.sidebarShown = true;
            sidebar.focusSearch();
        }
    }

    ArticleCreationSheet {
        id: articleCreator
        folders: root.library.visibleFolders
        onCreated: (title, folderPath) => root.navigation.createArticle(title, folderPath)
    }

    FolderCreatorDialog {
        id: folderCreator
        onCreated: (name, parentPath) => root.library.createFolder(name, parentPath)
    }
}
