import QtQuick
import QtQuick.Controls
import QtQuick.Dialogs
import QtQuick.Layouts
import LarchNotes.Ui
import LarchNotes.Workspace

// The timeline destination: every memo newest first, or those of one day, under today's todos,
// with the composer docked below. The rules live in MemoTimeline; this view lays out and
// forwards.
// - focusDate: the day shown (QDateTime at its start), invalid for all days; "查看全部" clears it
//   with `navigation.timelineDate = new Date(NaN)`.
// - expandedMemoId: the memo open in the full memo editor ("" for none); set it with
//   `navigation.expandedMemoId = id`.
// - folderPath: the folder new articles go to.
// - openArticle(path): open an article in the editor; createArticle(): the creation sheet.
Item {
    id: view
    objectName: "memoTimelineView"

    required property var library
    required property var navigation
    // What the composer holds; it outlives this view.
    required property MemoComposerDraft draft
    property date focusDate
    property string expandedMemoId
    property string folderPath

    signal openArticle(string path)
    signal createArticle()

    readonly property real columnWidth: Math.min(720, width - 80)

    FontMetrics {
        id: bodyMetrics
        font.family: Theme.fontFamily
        font.pixelSize: 15
    }
    readonly property alias timeline: timeline

    MemoTimeline {
        id: timeline
        library: view.library
        focusDate: view.focusDate
        draft: view.draft
    }

    // The full editor, or the article the memo stands for.
    function openFullEditor(memoId) {
        const path = view.library.articlePathOf(memoId);
        if (path !== "")
            view.openArticle(path);
        else
            view.navigation.expandedMemoId = memoId;
    }
    function promote(memoId) {
        promotionSheet.memoId = memoId;
        promotionSheet.openWith("独立成篇", timeline.promotionTitle(memoId),
                                view.library.creationFolderPath);
    }
    function confirmDeletion(memoId) {
        deletionDialog.memoId = memoId;
        deletionDialog.open();
    }
    // `position` is where the share menu opens, in this view's coordinates.
    function share(memoId, position) {
        shareMenu.position = position;
        cardHost.active = false;
        memoShare.memoId = "";
        memoShare.memoId = memoId;
        cardHost.active = true;
    }

    // The application shell of the window, when there is one (not in a bare view).
    readonly property var shell: ApplicationWindow.window && ApplicationWindow.window.shell
                                 ? ApplicationWindow.window.shell : null
    // Quitting writes the memo being edited in place before the process ends.
    Connections {
        target: view.shell
        ignoreUnknownSignals: true
        function onAboutToFlush() { timeline.inlineEdit.saveAndWait(); }
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        RowLayout {
            spacing: 12
            Layout.preferredWidth: view.columnWidth
            Layout.alignment: Qt.AlignHCenter
            Layout.topMargin: 28
            Layout.bottomMargin: 12
            ColumnLayout {
                spacing: 4
                Layout.fillWidth: true
                Label {
                    objectName: "timelineTitle"
                    text: timeline.title
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.titleSize
                    font.weight: Font.Bold
                    color: Theme.primaryText
                }
                Label {
                    objectName: "timelineSubtitle"
                    text: timeline.subtitle
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.bodySize
                    color: Theme.secondaryText
                }
            }
            Button {
                objectName: "showAllButton"
                visible: !isNaN(view.focusDate.getTime())
                text: "查看全部"
                font.family: Theme.fontFamily
                font.pixelSize: Theme.captionSize + 1
                Layout.alignment: Qt.AlignVCenter
                onClicked: view.navigation.timelineDate = new Date(NaN)
            }
        }

        ListView {
            id: list
            objectName: "timelineList"
            model: timeline.memos
            clip: true
            spacing: 12
            // Rows are used again for other memos as they scroll by: far cheaper than making them.
            reuseItems: true
            boundsBehavior: Flickable.StopAtBounds
            activeFocusOnTab: true
            keyNavigationEnabled: true
            // Room for the docked composer below the last memo.
            bottomMargin: composer.height + 40
            topMargin: 16
            Layout.fillWidth: true
            Layout.fillHeight: true
            ScrollBar.vertical: ScrollBar {}
            Accessible.role: Accessible.List
            Accessible.name: timeline.title
            // The context menu key opens the current memo's menu.
            Keys.onMenuPressed: {
                if (currentItem)
                    rowMenu.showFor(currentItem.memoId,
                                    currentItem.mapToItem(view, 24, 40), true);
            }

            header: Item {
                width: list.width
                height: todoPanel.visible ? todoPanel.implicitHeight + 24 : 0
                TodayTodoPanel {
                    id: todoPanel
                    visible: view.library.todayTodos.count > 0
                    library: view.library
                    width: view.columnWidth
                    anchors.horizontalCenter: parent.horizontalCenter
                }
            }

            footer: Item {
                width: list.width
                height: list.count === 0 ? Math.max(240, empty.implicitHeight) : 0
                ContentUnavailableView {
                    id: empty
                    objectName: "timelineEmpty"
                    visible: list.count === 0
                    anchors.fill: parent
                    symbol: "text.bubble"
                    title: timeline.emptyTitle
                    description: "不需要标题，也不用先决定它属于哪里。"
                }
            }

            // A focus scope: the view focuses its current row whenever rows come or go above
            // it, and the row's inline editor must keep the keyboard then.
            delegate: FocusScope {
                id: slot
                required property string memoId
                required property date createdAt
                required property string journalPath
                required property string textWithoutMedia
                required property var images
                required property var followUps
                required property bool isArticleReference
                width: list.width
                height: memoRow.implicitHeight
                ListView.onReused: memoRow.reset()

                MemoTimelineRow {
                    id: memoRow
                    width: view.columnWidth
                    anchors.horizontalCenter: parent.horizontalCenter
                    library: view.library
                    inlineEdit: timeline.inlineEdit
                    memoId: slot.memoId
                    createdAt: slot.createdAt
                    journalPath: slot.journalPath
                    textWithoutMedia: slot.textWithoutMedia
                    images: slot.images
                    followUps: slot.followUps
                    isArticleReference: slot.isArticleReference
                    lineHeight: bodyMetrics.height + 5
                    current: slot.ListView.isCurrentItem && list.activeFocus
                    onContinueRequested: {
                        timeline.continueMemo(slot.memoId);
                        composer.expand();
                    }
                    onShareRequested: (position) => view.share(
                                          slot.memoId, memoRow.mapToItem(view, position))
                    onMoreRequested: (position) => rowMenu.showFor(
                                         slot.memoId, memoRow.mapToItem(view, position), true)
                    onContextMenuRequested: (position) => rowMenu.showFor(
                                                slot.memoId, memoRow.mapToItem(view, position),
                                                false)
                    onOpenFullEditor: view.openFullEditor(slot.memoId)
                    onOpenImages: (urls, index) => viewer.show(urls, index)
                }
            }
        }
    }

    // The stream fades out under the docked composer.
    Rectangle {
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        height: composer.height + 44
        gradient: Gradient {
            GradientStop { position: 0; color: Qt.rgba(Theme.windowColor.r, Theme.windowColor.g, Theme.windowColor.b, 0) }
            GradientStop { position: 24 / (composer.height + 44); color: Theme.windowColor }
            GradientStop { position: 1; color: Theme.windowColor }
        }
    }

    MemoComposer {
        id: composer
        draft: view.draft
        contextLabel: timeline.contextLabel
        width: view.columnWidth
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 20
        onSubmit: (text, imagePaths, isTodo) => timeline.submit(text, imagePaths, isTodo)
        onCancelContext: timeline.cancelContinuation()
        onCreateArticle: view.createArticle()
    }

    // "更多" and the row's context menu.
    Menu {
        id: rowMenu
        objectName: "memoRowMenu"
        property string memoId
        property bool full: true
        function showFor(memoId, position, full) {
            rowMenu.memoId = memoId;
            rowMenu.full = full;
            popup(view, position.x, position.y);
        }
        MenuItem {
            objectName: "openFullEditorItem"
            text: "打开原文"
            visible: rowMenu.full
            height: visible ? implicitHeight : 0
            onTriggered: view.openFullEditor(rowMenu.memoId)
        }
        MenuItem {
            objectName: "promoteItem"
            text: "独立成篇"
            onTriggered: view.promote(rowMenu.memoId)
        }
        MenuItem {
            objectName: "deleteItem"
            text: "删除"
            onTriggered: view.confirmDeletion(rowMenu.memoId)
        }
    }

    Dialog {
        id: deletionDialog
        objectName: "deletionDialog"
        property string memoId
        parent: Overlay.overlay
        anchors.centerIn: parent
        width: Math.min(360, view.width - 80)
        modal: true
        title: "删除这条记录？"
        closePolicy: Popup.CloseOnEscape
        onAccepted: view.library.deleteMemo(memoId)
        onClosed: memoId = ""
        footer: DialogButtonBox {
            Button {
                objectName: "cancelDeletionButton"
                text: "取消"
                DialogButtonBox.buttonRole: DialogButtonBox.RejectRole
            }
            Button {
                objectName: "confirmDeletionButton"
                text: "删除"
                palette.buttonText: "#d70015"
                DialogButtonBox.buttonRole: DialogButtonBox.AcceptRole
            }
        }
    }

    ArticleCreationSheet {
        id: promotionSheet
        objectName: "promotionSheet"
        property string memoId
        folders: view.library.visibleFolders
        onCreated: (title, folderPath) => view.library.convertMemoToArticle(memoId, title,
                                                                           folderPath)
        onClosed: memoId = ""
    }

    MemoImageViewer {
        id: viewer
    }

    // --- Sharing: the card is made off screen, rendered, then the menu offers the picture.
    MemoShare {
        id: memoShare
        library: view.library
        onRendered: {
            cardHost.active = false;
            shareMenu.popup(view, shareMenu.position.x, shareMenu.position.y);
        }
    }
    Loader {
        id: cardHost
        active: false
        // Outside the window: rendered to a picture, never seen here.
        x: -width - 100
        sourceComponent: MemoShareCard {
            id: shareCard
            share: memoShare
            // Once laid out, on the next turn of the event loop.
            Component.onCompleted: Qt.callLater(() => memoShare.render(shareCard))
        }
    }
    Menu {
        id: shareMenu
        objectName: "shareMenu"
        property point position
        MenuItem {
            text: "复制图片"
            onTriggered: memoShare.copyPicture()
        }
        MenuItem {
            text: "在文件管理器中显示"
            onTriggered: memoShare.showInFileManager()
        }
        MenuItem {
            text: "另存为…"
            onTriggered: saveDialog.open()
        }
    }
    FileDialog {
        id: saveDialog
        title: "另存为…"
        fileMode: FileDialog.SaveFile
        nameFilters: ["PNG 图片 (*.png)"]
        defaultSuffix: "png"
        selectedFile: "file:///larch-memo-" + memoShare.memoId + ".png"
        onAccepted: memoShare.saveCopy(selectedFile)
    }
}
