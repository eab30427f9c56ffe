pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import LarchNotes.Ui
import LarchNotes.Workspace

// The article editor's command bar: formatting buttons, the text, code and insert groups with
// their menus, the reference panel and search toggles; on the right the quick capture and the
// article's own actions (rename, trash). Buttons of formats active at the caret are highlighted.
// The bar only reports what the user chose; the screen sends the commands.
Rectangle {
    id: bar
    objectName: "editorCommandBar"

    // The format at the caret: {headingLevel, strong, emphasis, ...}, or null.
    property var formatState: null
    // The open group's menu: "", "text", "code" or "insert".
    property string expandedGroup: ""
    property bool referencePanelShown: false
    property bool quickCaptureShown: false
    property bool hasArticle: true

    // A command for the editor: `kind` as in MarkdownEditor.command, `value` its payload.
    signal command(string kind, var value)
    signal groupToggled(string group)
    signal groupClosed(string group)
    signal imageRequested()
    signal referencePanelToggled()
    signal searchRequested()
    signal quickCaptureToggled()
    signal renameRequested()
    signal trashRequested()

    implicitHeight: 40
    color: Theme.windowColor

    function format(name) {
        return formatState !== null && formatState !== undefined && formatState[name] === true;
    }

    readonly property var groups: ({
        "text": [
            {key: "heading0", title: "正文", symbol: "text.alignleft"},
            {key: "heading1", title: "标题 1", symbol: "1.square"},
            {key: "heading2", title: "标题 2", symbol: "2.square"},
            {key: "heading3", title: "标题 3", symbol: "3.square"}
        ],
        "code": [
            {key: "inlineCode", title: "行内代码", symbol: "chevron.left.forwardslash.chevron.right"},
            {key: "codeBlock", title: "代码块", symbol: "curlybraces.square"}
        ],
        "insert": [
            {key: "link", title: "链接", symbol: "link"},
            {key: "table", title: "表格", symbol: "tablecells"},
            {key: "image", title: "图片", symbol: "photo"},
            {key: "date", title: "日期", symbol: "calendar"},
            {key: "time", title: "时间", symbol: "clock"},
            {key: "dateTime", title: "日期时间", symbol: "calendar.badge.clock"}
        ]
    })

    // What a group entry does.
    function choose(key) {
        const now = new Date();
        if (key.startsWith("heading"))
            command("heading", Number(key.slice(7)));
        else if (key === "image")
            imageRequested();
        else if (key === "date")
            command("insertText", WorkspaceText.day(now));
        else if (key === "time")
            command("insertText", WorkspaceText.time(now));
        else if (key === "dateTime")
            command("insertText", WorkspaceText.day(now) + " " + WorkspaceText.time(now));
        else
            command(key, undefined);
    }

    component GroupButton: SymbolButton {
        id: groupButton
        property string group
        objectName: "commandGroup:" + group
        enabled: bar.hasArticle
        down: bar.expandedGroup === group
        onClicked: bar.groupToggled(group)

        CommandGroupMenu {
            id: groupMenu
            objectName: "commandMenu:" + groupButton.group
            y: groupButton.height + 4
            entries: bar.groups[groupButton.group]
            onChosen: (key) => bar.choose(key)
            onClosed: bar.groupClosed(groupButton.group)
        }
        Connections {
            target: bar
            function onExpandedGroupChanged() {
                if (bar.expandedGroup === groupButton.group)
                    groupMenu.open();
                else
                    groupMenu.close();
            }
        }
    }
    component FormatButton: SymbolButton {
        property string kind
        objectName: "command:" + kind
        enabled: bar.hasArticle
        onClicked: bar.command(kind, undefined)
    }

    RowLayout {
        anchors.fill: parent
        anchors.leftMargin: 10
        anchors.rightMargin: 10
        spacing: 2

        GroupButton { group: "text"; symbol: "textformat.size"; help: "文字样式"; active: (bar.formatState ? bar.formatState.headingLevel : 0) > 0 }
        FormatButton { kind: "strong"; symbol: "bold"; help: "粗体"; active: bar.format("strong") }
        FormatButton { kind: "emphasis"; symbol: "italic"; help: "斜体"; active: bar.format("emphasis") }
        FormatButton { kind: "strike"; symbol: "strikethrough"; help: "删除线"; active: bar.format("strike") }
        FormatButton { kind: "bullet"; symbol: "list.bullet"; help: "无序列表"; active: bar.format("bulletList") }
        FormatButton { kind: "ordered"; symbol: "list.number"; help: "有序列表"; active: bar.format("orderedList") }
        FormatButton { kind: "task"; symbol: "checklist"; help: "任务列表"; active: bar.format("taskList") }
        FormatButton { kind: "quote"; symbol: "text.quote"; help: "引用"; active: bar.format("quote") }
        GroupButton { group: "code"; symbol: "chevron.left.forwardslash.chevron.right"; help: "代码"; active: bar.format("inlineCode") || bar.format("codeBlock") }
        GroupButton { group: "insert"; symbol: "plus"; help: "插入" }
        SymbolButton {
            objectName: "toggleReferencePanel"
            symbol: "text.magnifyingglass"
            help: "引用过去的记录"
            enabled: bar.hasArticle
            active: bar.referencePanelShown
            onClicked: bar.referencePanelToggled()
        }
        SymbolButton {
            objectName: "showContentSearch"
            symbol: "doc.text.magnifyingglass"
            help: "在当前笔记中搜索"
            enabled: bar.hasArticle
            onClicked: bar.searchRequested()
        }

        Item { Layout.fillWidth: true }

        SymbolButton {
            objectName: "toggleQuickCapture"
            symbol: "bolt.fill"
            help: "快速记录"
            active: bar.quickCaptureShown
            onClicked: bar.quickCaptureToggled()
        }
        SymbolButton {
            id: moreButton
            objectName: "articleActions"
            symbol: "ellipsis"
            help: "更多"
            enabled: bar.hasArticle
            onClicked: moreMenu.opened ? moreMenu.close() : moreMenu.open()

            CommandGroupMenu {
                id: moreMenu
                objectName: "articleActionsMenu"
                x: moreButton.width - width
                y: moreButton.height + 4
                entries: [
                    {key: "rename", title: "重命名…", symbol: "pencil"},
                    {key: "trash", title: "移到废纸篓…", symbol: "trash"}
                ]
                onChosen: (key) => {
                    moreMenu.close();
                    if (key === "rename")
                        bar.renameRequested();
                    else
                        bar.trashRequested();
                }
            }
        }
    }
    Rectangle {
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.bottom: parent.bottom
        height: 1
        color: Theme.separator
    }
}
