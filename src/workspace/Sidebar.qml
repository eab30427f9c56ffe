pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import LarchNotes.Ui
import LarchNotes.Workspace

// The sidebar: the search field, the month calendar, then either the entries "记录" and
// "全部文章" with the folder tree, or (while searching or filtering by tags) the search results;
// the tag list at the bottom in both modes.
Rectangle {
    id: sidebar
    objectName: "sidebar"

    required property var library
    required property WorkspaceNavigation navigation

    // The folder creator, for a folder inside `parentPath` ("" for the vault root).
    signal newFolderRequested(string parentPath)

    function focusSearch() {
        searchField.forceActiveFocus();
        searchField.selectAll();
    }

    color: Theme.material

    SidebarFolderModel {
        id: folderTree
        objectName: "sidebarFolderTree"
        folders: sidebar.library.visibleFolders
    }
    SidebarSearch {
        id: search
        objectName: "sidebarSearch"
        library: sidebar.library
        selectedTags: sidebar.navigation.selectedTags
    }

    component SectionTitle: RowLayout {
        property alias text: label.text
        default property alias trailing: trailingRow.data
        width: parent ? parent.width : implicitWidth
        height: 28
        Label {
            id: label
            font.family: Theme.fontFamily
            font.pixelSize: Theme.captionSize
            font.weight: Font.DemiBold
            color: Theme.secondaryText
            Layout.leftMargin: 10
            Layout.fillWidth: true
        }
        Row {
            id: trailingRow
            Layout.rightMargin: 4
        }
    }

    ColumnLayout {
        anchors.fill: parent
        anchors.topMargin: 12
        spacing: 8

        SidebarSearchField {
            id: searchField
            library: sidebar.library
            Layout.fillWidth: true
            Layout.leftMargin: 12
            Layout.rightMargin: 12
            KeyNavigation.down: search.active ? results : timelineEntry
        }

        MiniCalendar {
            library: sidebar.library
            Layout.fillWidth: true
            Layout.leftMargin: 8
            Layout.rightMargin: 8
            onDaySelected: (day) => sidebar.navigation.showDay(day)
        }

        Rectangle {
            color: Theme.separator
            Layout.fillWidth: true
            Layout.preferredHeight: 1
        }

        // Entries and folders.
        ScrollView {
            id: browser
            objectName: "sidebarBrowser"
            visible: !search.active
            clip: true
            contentWidth: availableWidth
            Layout.fillWidth: true
            Layout.fillHeight: true

            Column {
                width: browser.availableWidth
                leftPadding: 8
                rightPadding: 8
                spacing: 1

                SidebarEntry {
                    id: timelineEntry
                    objectName: "timelineEntry"
                    width: parent.width - 16
                    text: "记录"
                    symbol: "text.bubble"
                    selected: sidebar.navigation.showsTimeline
                    onClicked: sidebar.navigation.showTimeline()
                }
                SidebarEntry {
                    objectName: "allArticlesEntry"
                    width: parent.width - 16
                    text: "全部文章"
                    symbol: "doc.on.doc"
                    selected: sidebar.navigation.showsAllArticles
                    onClicked: sidebar.navigation.showAllArticles()
                }
                SectionTitle {
                    width: parent.width - 16
                    text: "文件夹"
                    ToolButton {
                        objectName: "newFolderButton"
                        width: 24
                        height: 24
                        padding: 3
                        Accessible.name: "新建文件夹"
                        ToolTip.text: "新建文件夹"
                        ToolTip.visible: hovered
                        ToolTip.delay: 600
                        contentItem: SymbolIcon { name: "folder.badge.plus"; color: Theme.secondaryText }
                        background: null
                        onClicked: sidebar.newFolderRequested("")
                    }
                }
                Repeater {
                    model: folderTree
                    SidebarEntry {
                        id: folderRow
                        required property string title
                        required property string path
                        required property bool hasChildren
                        required depth
                        required expanded
                        objectName: "folder:" + path
                        width: parent.width - 16
                        text: title
                        symbol: selected ? "folder.fill" : "folder"
                        expandable: hasChildren
                        selected: sidebar.navigation.shownFolderPath === path
                        onClicked: {
                            sidebar.navigation.showFolder(path);
                            folderTree.toggle(path);
                        }
                        onExpandRequested: (open) => folderTree.setExpanded(path, open)
                        onContextMenuRequested: (position) => {
                            folderMenu.parentPath = path;
                            folderMenu.popup(folderRow, position);
                        }
                    }
                }
            }
        }

        // Search results.
        SearchResultsList {
            id: results
            objectName: "searchResults"
            visible: search.active
            search: search
            navigation: sidebar.navigation
            Layout.fillWidth: true
            Layout.fillHeight: true
        }

        Rectangle {
            visible: sidebar.library.tags.length > 0
            color: Theme.separator
            Layout.fillWidth: true
            Layout.preferredHeight: 1
        }

        // Tags, in both modes.
        ScrollView {
            id: tagArea
            objectName: "tagList"
            visible: sidebar.library.tags.length > 0
            clip: true
            contentWidth: availableWidth
            Layout.fillWidth: true
            Layout.preferredHeight: Math.min(tagFlow.implicitHeight + 36, sidebar.height * 0.3)
            Layout.bottomMargin: 8

            Column {
                width: tagArea.availableWidth
                SectionTitle { text: "标签" }
                Flow {
                    id: tagFlow
                    width: parent.width
                    leftPadding: 10
                    rightPadding: 10
                    spacing: 5
                    Repeater {
                        model: sidebar.library.tags
                        Button {
                            id: tag
                            required property string modelData
                            readonly property bool chosen: sidebar.navigation.selectedTags.indexOf(modelData) >= 0
                            objectName: "tag:" + modelData
                            text: "#" + modelData
                            checkable: true
                            checked: chosen
                            padding: 3
                            horizontalPadding: 8
                            focusPolicy: Qt.StrongFocus
                            font.family: Theme.fontFamily
                            font.pixelSize: Theme.captionSize
                            Accessible.role: Accessible.CheckBox
                            Accessible.name: text
                            Accessible.checked: chosen
                            onClicked: sidebar.navigation.toggleTag(modelData)
                            Keys.onReturnPressed: clicked()
                            contentItem: Text {
                                text: tag.text
                                font: tag.font
                                color: tag.chosen ? "white" : Theme.accent
                                textFormat: Text.PlainText
                            }
                            background: Rectangle {
                                radius: height / 2
                                color: tag.chosen ? Theme.selectionFill
                                                  : Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b,
                                                            tag.hovered ? 0.18 : 0.1)
                                border.width: tag.visualFocus ? 2 : 0
                                border.color: Qt.lighter(Theme.accent, 1.3)
                            }
                        }
                    }
                }
            }
        }
    }

    Menu {
        id: folderMenu
        property string parentPath
        MenuItem {
            id: newSubfolderItem
            objectName: "newSubfolderItem"
            text: "新建子文件夹"
            onTriggered: sidebar.newFolderRequested(folderMenu.parentPath)
            contentItem: Row {
                spacing: 8
                SymbolIcon {
                    width: 15
                    height: 15
                    anchors.verticalCenter: parent.verticalCenter
                    name: "folder.badge.plus"
                    color: newSubfolderItem.highlighted ? "white" : Theme.primaryText
                }
                Text {
                    anchors.verticalCenter: parent.verticalCenter
                    text: newSubfolderItem.text
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.bodySize
                    color: newSubfolderItem.highlighted ? "white" : Theme.primaryText
                }
            }
        }
    }
}
