import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import LarchNotes.Ui
import LarchNotes.Workspace

// One memo of the timeline: its date and time, its actions, then its words (folded when long)
// or the inline editor, its pictures, and its follow-ups (the last two, until all are asked
// for). A memo that stands for an article shows the article's card instead.
Control {
    id: row

    required property var library
    required property InlineMemoEdit inlineEdit
    required property string memoId
    required property date createdAt
    required property string journalPath
    required property string textWithoutMedia
    required property var images
    required property var followUps
    required property bool isArticleReference

    // The list's current row while the list has the keyboard: its actions show, as on hover.
    property bool current: false
    // The height of a line of memo text.
    property real lineHeight: 26

    readonly property bool isEditing: inlineEdit.memoId === memoId
    // The actions are made only while they can be used: a row without them is quicker to make
    // while the stream scrolls by.
    readonly property bool showsActions: hovered || current || isEditing
    // Where the memo's article link leads, whether or not the article is there.
    readonly property string articlePath: isArticleReference ? library.articlePathOf(memoId) : ""
    readonly property bool isLong: MemoRules.isLongText(textWithoutMedia)
    readonly property int hiddenFollowUps: MemoRules.hiddenFollowUps(followUps.length,
                                                                     showsAllFollowUps)
    property bool showsAllFollowUps: false
    property bool textExpanded: false

    signal continueRequested()
    // Positions in the row's coordinates, for the menus.
    signal shareRequested(point position)
    signal moreRequested(point position)
    signal contextMenuRequested(point position)
    signal openFullEditor()
    signal openImages(var urls, int index)

    // For rows used again for another memo as the list scrolls.
    function reset() {
        showsAllFollowUps = false;
        textExpanded = false;
    }

    objectName: "memoRow:" + memoId
    padding: 16
    hoverEnabled: true
    Accessible.role: Accessible.ListItem
    Accessible.name: dateLabel.text

    background: Rectangle {
        radius: 12
        color: Theme.material
        border.width: 1
        border.color: row.hovered ? Theme.separator : Theme.hairline
    }

    TapHandler {
        acceptedButtons: Qt.RightButton
        onTapped: (eventPoint) => row.contextMenuRequested(eventPoint.position)
    }

    contentItem: ColumnLayout {
        spacing: 10

        RowLayout {
            spacing: 6
            Layout.fillWidth: true
            Label {
                id: dateLabel
                text: WorkspaceText.day(row.createdAt) + "  " + WorkspaceText.time(row.createdAt)
                font.family: Theme.fontFamily
                font.pixelSize: Theme.captionSize
                color: Theme.secondaryText
            }
            Loader {
                active: row.articlePath !== ""
                sourceComponent: Label {
                    leftPadding: 16
                    text: "文章"
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.captionSize
                    color: Theme.accent
                    SymbolIcon {
                        name: "doc"
                        color: Theme.accent
                        width: 12
                        height: 12
                        anchors.verticalCenter: parent.verticalCenter
                    }
                }
            }
            Item {
                implicitHeight: 26
                Layout.fillWidth: true
            }
            Loader {
                active: row.showsActions
                sourceComponent: Row {
                    spacing: 6
                    RowAction {
                        objectName: "continueButton"
                        symbol: "arrow.turn.up.left"
                        label: "续记"
                        onClicked: row.continueRequested()
                    }
                    RowAction {
                        objectName: "editButton"
                        symbol: "pencil"
                        label: "编辑"
                        checked: row.isEditing
                        onClicked: row.inlineEdit.toggle(row.memoId)
                    }
                    RowAction {
                        id: shareButton
                        objectName: "shareButton"
                        symbol: "square.and.arrow.up"
                        label: "分享"
                        onClicked: row.shareRequested(shareButton.mapToItem(row, 0, shareButton.height))
                    }
                    RowAction {
                        id: moreButton
                        objectName: "moreButton"
                        symbol: "ellipsis"
                        label: "更多"
                        onClicked: row.moreRequested(moreButton.mapToItem(row, 0, moreButton.height))
                    }
                }
            }
        }

        Loader {
            active: row.isEditing
            visible: active
            Layout.fillWidth: true
            sourceComponent: ColumnLayout {
                id: editing
                readonly property MemoEditSync sync: row.inlineEdit.sync
                spacing: 6

                // The text keeps the keyboard after a choice of the bar.
                function choose(choice) {
                    choice();
                    compact.takeFocus();
                }

                ConflictBar {
                    visible: editing.sync.conflicting
                    message: editing.sync.message
                    fileMissing: editing.sync.memoMissing
                    busy: editing.sync.busy
                    radius: 8
                    Layout.fillWidth: true
                    onKeepMineRequested: editing.choose(() => editing.sync.keepMine())
                    onUseOutsideRequested: editing.choose(() => editing.sync.useOutside())
                    onSaveCopyRequested: editing.choose(() => editing.sync.saveCopy())
                    onDifferencesRequested: differences.open()
                    onSaveAgainRequested: editing.choose(() => editing.sync.saveAgain())
                    onCloseRequested: editing.sync.close()
                }
                CompactMemoEditor {
                    id: compact
                    edit: row.inlineEdit
                    Layout.fillWidth: true
                    Component.onCompleted: takeFocus()
                }
                DifferenceView {
                    id: differences
                    mine: row.inlineEdit.text
                    outside: editing.sync.outsideText
                    busy: editing.sync.busy
                    onKeepMineRequested: editing.choose(() => editing.sync.keepMine())
                    onUseOutsideRequested: editing.choose(() => editing.sync.useOutside())
                    onSaveCopyRequested: editing.choose(() => editing.sync.saveCopy())
                }
            }
        }

        Loader {
            active: row.isArticleReference && !row.isEditing
            visible: active
            Layout.fillWidth: true
            sourceComponent: MemoArticleReference {
                library: row.library
                memoId: row.memoId
                onOpen: row.openFullEditor()
            }
        }

        Text {
            objectName: "memoText"
            visible: !row.isArticleReference && !row.isEditing && text !== ""
            text: row.textWithoutMedia
            font.family: Theme.fontFamily
            font.pixelSize: 15
            color: Theme.primaryText
            wrapMode: Text.Wrap
            textFormat: Text.PlainText
            lineHeightMode: Text.FixedHeight
            lineHeight: row.lineHeight
            maximumLineCount: row.isLong && !row.textExpanded ? 10 : 100000
            elide: Text.ElideRight
            Layout.fillWidth: true
        }
        Loader {
            active: row.isLong && !row.isArticleReference && !row.isEditing
            visible: active
            sourceComponent: LinkButton {
                objectName: "foldTextButton"
                text: row.textExpanded ? "收起" : "展开"
                onClicked: row.textExpanded = !row.textExpanded
            }
        }

        Loader {
            active: !row.isArticleReference && row.images.length > 0
            visible: active && item !== null && item.medias.length > 0
            Layout.preferredWidth: item ? item.implicitWidth : 0
            Layout.preferredHeight: item ? item.implicitHeight : 0
            sourceComponent: MemoImageGrid {
                library: row.library
                images: row.images
                sourcePath: row.journalPath
                availableWidth: row.availableWidth
                surfaceColor: Theme.material
                onOpen: (urls, index) => row.openImages(urls, index)
            }
        }

        Loader {
            id: followUpToggle
            readonly property string toggleText: MemoRules.followUpToggleText(
                row.followUps.length, row.showsAllFollowUps)
            active: toggleText !== ""
            visible: active
            sourceComponent: LinkButton {
                objectName: "followUpToggle"
                text: followUpToggle.toggleText
                onClicked: row.showsAllFollowUps = !row.showsAllFollowUps
            }
        }
        Repeater {
            model: row.followUps.slice(row.hiddenFollowUps)
            ColumnLayout {
                id: followUp
                required property var modelData
                objectName: "followUp"
                spacing: 4
                Layout.fillWidth: true
                Rectangle {
                    color: Theme.separator
                    implicitHeight: 1
                    Layout.fillWidth: true
                    Layout.bottomMargin: 4
                }
                Label {
                    text: "续记 · " + followUp.modelData.timestamp
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.captionSize
                    color: Theme.tertiaryText
                    textFormat: Text.PlainText
                }
                Text {
                    visible: text !== ""
                    text: followUp.modelData.markdown
                    font.family: Theme.fontFamily
                    font.pixelSize: 15
                    color: Theme.primaryText
                    wrapMode: Text.Wrap
                    textFormat: Text.PlainText
                    lineHeightMode: Text.FixedHeight
                    lineHeight: row.lineHeight
                    Layout.fillWidth: true
                }
            }
        }
    }

    component RowAction: ToolButton {
        id: action
        property string symbol
        property string label
        flat: true
        padding: 5
        implicitWidth: 28
        implicitHeight: 26
        focusPolicy: Qt.StrongFocus
        Accessible.name: label
        ToolTip.visible: hovered
        ToolTip.text: label
        ToolTip.delay: 600
        contentItem: SymbolIcon {
            name: action.symbol
            color: action.checked ? Theme.accent
                                  : row.hovered || action.visualFocus ? Theme.secondaryText
                                                                      : Theme.tertiaryText
        }
    }

    component LinkButton: AbstractButton {
        id: link
        focusPolicy: Qt.StrongFocus
        Accessible.role: Accessible.Button
        Accessible.name: text
        contentItem: Label {
            text: link.text
            font.family: Theme.fontFamily
            font.pixelSize: Theme.captionSize + 1
            font.underline: link.visualFocus
            color: Theme.accent
        }
    }
}
