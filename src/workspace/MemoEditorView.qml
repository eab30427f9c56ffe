import QtQuick
import QtQuick.Controls
import QtQuick.Dialogs
import QtQuick.Layouts
import LarchNotes.Ui
import LarchNotes.Editor
import LarchNotes.Workspace

// The full memo editor: the memo's whole Markdown, follow-ups included, in the web editor with
// a floating command bar, the outline rail and the reference panel. It saves half a second after
// the last change; "返回记录" takes in the page's last edits, saves, waits, and then leaves. When
// the memo changed elsewhere while it had unsaved edits, the conflict bar offers the ways out.
Item {
    id: view
    objectName: "memoEditorView"

    required property var library
    required property string memoId

    // Leave the editor (the root view clears the expanded memo).
    signal back()

    property var command: null
    property bool showsReferencePanel: false
    // The application shell of the window (see EditorScreen).
    readonly property var shell: ApplicationWindow.window ? ApplicationWindow.window.shell : null

    function issue(kind, value) {
        command = MarkdownEditor.command(kind, value);
    }
    // Runs `action` once the page's last edits are in the state.
    function whenSynchronized(action) {
        if (editorLoader.item)
            editorLoader.item.synchronize(action);
        else
            action();
    }
    function goBack() {
        whenSynchronized(() => memo.goBack());
    }

    MemoEditorState {
        id: memo
        objectName: "memoEditorState"
        library: view.library
        memoId: view.memoId
        onFinished: view.back()
    }
    Component.onCompleted: memo.load()

    // Quitting: the page's last edits, then the pending save, before the process ends.
    Connections {
        target: view.shell
        function onAboutToFlush() {
            if (editorLoader.item)
                editorLoader.item.editor.coordinator.synchronizeAndWait(2000);
            memo.saveAndWait();
        }
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        RowLayout {
            spacing: 10
            Layout.fillWidth: true
            Layout.preferredHeight: 52
            Layout.leftMargin: 10
            Layout.rightMargin: 14

            ToolButton {
                id: backButton
                objectName: "memoEditorBack"
                text: "返回记录"
                focusPolicy: Qt.TabFocus
                Accessible.name: "返回记录"
                contentItem: RowLayout {
                    spacing: 4
                    SymbolIcon {
                        name: "chevron.left"
                        color: Theme.accent
                        strokeWidth: 2.4
                        Layout.preferredWidth: 14
                        Layout.preferredHeight: 14
                    }
                    Label {
                        text: backButton.text
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.bodySize
                        color: Theme.accent
                    }
                }
                background: Rectangle {
                    radius: 6
                    color: backButton.hovered ? Theme.placeholderFill : "transparent"
                    border.width: backButton.visualFocus ? 2 : 0
                    border.color: Theme.accent
                }
                onClicked: view.goBack()
            }
            ColumnLayout {
                spacing: 0
                Layout.fillWidth: true
                Label {
                    objectName: "memoEditorTitle"
                    text: memo.title
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.headlineSize + 1
                    font.weight: Font.DemiBold
                    color: Theme.primaryText
                    Layout.fillWidth: true
                }
                Label {
                    text: "Journal"
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.captionSize
                    color: Theme.secondaryText
                }
            }
            ToolButton {
                id: referenceButton
                objectName: "memoEditorReference"
                text: "参考"
                checkable: true
                checked: view.showsReferencePanel
                focusPolicy: Qt.TabFocus
                Accessible.name: "参考"
                contentItem: RowLayout {
                    spacing: 5
                    SymbolIcon {
                        name: "text.magnifyingglass"
                        color: view.showsReferencePanel ? Theme.accent : Theme.secondaryText
                        Layout.preferredWidth: 14
                        Layout.preferredHeight: 14
                    }
                    Label {
                        text: referenceButton.text
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.bodySize
                        color: view.showsReferencePanel ? Theme.accent : Theme.primaryText
                    }
                }
                background: Rectangle {
                    radius: 6
                    color: view.showsReferencePanel
                           ? Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.14)
                           : referenceButton.hovered ? Theme.placeholderFill : "transparent"
                    border.width: referenceButton.visualFocus ? 2 : 0
                    border.color: Theme.accent
                }
                onClicked: view.showsReferencePanel = !view.showsReferencePanel
            }
        }
        Rectangle {
            color: Theme.separator
            Layout.fillWidth: true
            Layout.preferredHeight: 1
        }

        RowLayout {
            spacing: 0
            Layout.fillWidth: true
            Layout.fillHeight: true

            ColumnLayout {
                spacing: 0
                Layout.fillWidth: true
                Layout.fillHeight: true

                ConflictBar {
                    visible: memo.sync.conflicting
                    message: memo.sync.message
                    fileMissing: memo.sync.memoMissing
                    busy: memo.sync.busy
                    Layout.fillWidth: true
                    onKeepMineRequested: view.whenSynchronized(() => memo.sync.keepMine())
                    onUseOutsideRequested: view.whenSynchronized(() => memo.sync.useOutside())
                    onSaveCopyRequested: view.whenSynchronized(() => memo.sync.saveCopy())
                    onDifferencesRequested: view.whenSynchronized(() => differences.open())
                    onSaveAgainRequested: view.whenSynchronized(() => memo.sync.saveAgain())
                    onCloseRequested: view.whenSynchronized(() => memo.sync.close())
                }

                Item {
                    Layout.fillWidth: true
                    Layout.fillHeight: true

                    BusyIndicator {
                        anchors.centerIn: parent
                        running: !memo.loaded
                        visible: running
                    }
                    Loader {
                        id: editorLoader
                        anchors.fill: parent
                        active: memo.loaded
                        sourceComponent: DocumentEditorView {
                            markdown: memo.markdown
                            documentID: "memo:" + view.memoId
                            vaultRootURL: view.library.rootUrl
                            command: view.command
                            autofocus: true
                            pasteImageHandler: function (data, mimeType, done) {
                                view.library.storeImageData(data, mimeType).finished.connect(
                                    (path) => done(path));
                            }
                            onEdited: (text) => memo.markdown = text
                            onCommandConsumed: view.command = null
                            onHeadingChosen: (position) => view.issue("jumpToHeading", position)
                            onImagePickerRequested: imagePicker.open()
                            onPageTextRestored: view.library.showAlert(
                                "编辑器中最近的修改未能同步，已恢复为应用保存的内容。")
                        }
                    }

                    MemoCommandBar {
                        anchors.horizontalCenter: parent.horizontalCenter
                        anchors.bottom: parent.bottom
                        anchors.bottomMargin: 18
                        visible: memo.loaded
                        formatState: editorLoader.item ? editorLoader.item.formatState : null
                        referencePanelShown: view.showsReferencePanel
                        onCommand: (kind, value) => view.issue(kind, value)
                        onImageRequested: imagePicker.open()
                        onReferencePanelToggled: view.showsReferencePanel = !view.showsReferencePanel
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
                active: view.showsReferencePanel && memo.loaded
                visible: active
                Layout.preferredWidth: 320
                Layout.fillHeight: true
                sourceComponent: ReferencePanel {
                    library: view.library
                    sourcePath: memo.journalPath
                    onInsert: (text) => view.issue("insertText", text)
                    onCloseRequested: view.showsReferencePanel = false
                }
            }
        }
    }

    DifferenceView {
        id: differences
        mine: memo.markdown
        outside: memo.sync.outsideText
        busy: memo.sync.busy
        onKeepMineRequested: view.whenSynchronized(() => memo.sync.keepMine())
        onUseOutsideRequested: view.whenSynchronized(() => memo.sync.useOutside())
        onSaveCopyRequested: view.whenSynchronized(() => memo.sync.saveCopy())
    }

    FileDialog {
        id: imagePicker
        title: "插入图片"
        fileMode: FileDialog.OpenFile
        nameFilters: ["图片 (*.png *.jpg *.jpeg *.gif *.webp *.heic *.heif *.bmp *.tif *.tiff)"]
        onAccepted: view.library.storeImageFile(selectedFile, "image/png").finished.connect(
            (path) => { if (path !== "") view.issue("image", path); })
    }
}
