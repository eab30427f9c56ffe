import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import LarchNotes.Ui
import LarchNotes.Workspace

// The sidebar in search mode: the sections "记录" and "文章", or "没有搜索结果". Up and Down move
// through the results, Return opens one.
FocusScope {
    id: view

    required property SidebarSearch search
    required property WorkspaceNavigation navigation

    ListView {
        id: list
        objectName: "searchResultsList"
        anchors.fill: parent
        focus: true
        visible: count > 0
        clip: true
        model: view.search.results
        keyNavigationEnabled: true
        activeFocusOnTab: true
        currentIndex: -1
        boundsBehavior: Flickable.StopAtBounds
        ScrollBar.vertical: ScrollBar {}
        Accessible.role: Accessible.List
        Accessible.name: "搜索结果"

        section.property: "section"
        section.delegate: Label {
            required property string section
            width: list.width
            height: 28
            leftPadding: 18
            verticalAlignment: Text.AlignBottom
            bottomPadding: 4
            text: section
            font.family: Theme.fontFamily
            font.pixelSize: Theme.captionSize
            font.weight: Font.DemiBold
            color: Theme.secondaryText
        }

        delegate: ItemDelegate {
            id: result
            // Memo rows carry the memo roles, article rows the article roles.
            required property var model
            readonly property bool isMemo: model.section === "记录"
            readonly property string memoId: isMemo ? model.memoId : ""
            readonly property string path: isMemo ? "" : model.path
            readonly property string heading: isMemo ? model.plainText : model.title
            readonly property string detail: isMemo ? WorkspaceText.day(model.createdAt) + "  "
                                                      + WorkspaceText.time(model.createdAt)
                                                    : model.preview
            readonly property bool isCurrent: ListView.isCurrentItem && ListView.view.activeFocus

            objectName: isMemo ? "memoResult:" + memoId : "articleResult:" + path
            width: ListView.view.width
            leftPadding: 18
            rightPadding: 12
            topPadding: 6
            bottomPadding: 6
            focusPolicy: Qt.NoFocus
            Accessible.role: Accessible.ListItem
            Accessible.name: heading
            onClicked: open()

            function open() {
                if (isMemo)
                    view.navigation.openMemoResult(memoId);
                else
                    view.navigation.openArticleResult(path);
            }

            contentItem: ColumnLayout {
                spacing: 2
                Label {
                    text: result.heading
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.bodySize
                    font.weight: result.isMemo ? Font.Normal : Font.Medium
                    color: result.isCurrent ? "white" : Theme.primaryText
                    wrapMode: Text.Wrap
                    maximumLineCount: 2
                    elide: Text.ElideRight
                    textFormat: Text.PlainText
                    Layout.fillWidth: true
                }
                Label {
                    visible: text !== ""
                    text: result.detail
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.captionSize
                    color: result.isCurrent ? "white" : Theme.secondaryText
                    elide: Text.ElideRight
                    maximumLineCount: 1
                    textFormat: Text.PlainText
                    Layout.fillWidth: true
                }
            }
            background: Rectangle {
                anchors.fill: parent
                anchors.leftMargin: 8
                anchors.rightMargin: 8
                radius: 6
                color: result.isCurrent ? Theme.selectionFill
                                        : result.down ? Theme.separator
                                                      : result.hovered ? Theme.placeholderFill
                                                                       : "transparent"
            }
        }

        Keys.onReturnPressed: if (currentItem) currentItem.open()
        Keys.onEnterPressed: if (currentItem) currentItem.open()
        onActiveFocusChanged: if (activeFocus && currentIndex < 0 && count > 0) currentIndex = 0
    }

    ContentUnavailableView {
        objectName: "noSearchResults"
        visible: list.count === 0
        anchors.fill: parent
        symbol: "magnifyingglass"
        title: "没有搜索结果"
    }
}
