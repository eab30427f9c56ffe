pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import LarchNotes.Ui
import LarchNotes.Workspace

// The full memo editor's floating command bar: formats, lists, a link, a table, an image and the
// reference panel, each button highlighted while its format is active at the caret.
Rectangle {
    id: bar
    objectName: "memoCommandBar"

    property var formatState: null
    property bool referencePanelShown: false

    signal command(string kind, var value)
    signal imageRequested()
    signal referencePanelToggled()

    function format(name) {
        return formatState !== null && formatState !== undefined && formatState[name] === true;
    }
    readonly property int headingLevel: formatState ? formatState.headingLevel : 0

    implicitWidth: row.implicitWidth + 16
    implicitHeight: 44
    radius: 14
    color: Theme.material
    border.width: 1
    border.color: Theme.hairline

    Rectangle {
        // A soft shadow.
        z: -1
        anchors.fill: parent
        anchors.topMargin: 4
        anchors.bottomMargin: -6
        anchors.leftMargin: 2
        anchors.rightMargin: 2
        radius: 16
        color: Qt.rgba(0, 0, 0, Theme.dark ? 0.3 : 0.08)
    }

    component BarButton: SymbolButton {
        property string kind
        objectName: "memoCommand:" + kind
        implicitWidth: 32
        implicitHeight: 32
        onClicked: bar.command(kind, undefined)
    }

    RowLayout {
        id: row
        anchors.centerIn: parent
        spacing: 2
        SymbolButton {
            objectName: "memoCommand:heading"
            implicitWidth: 32
            implicitHeight: 32
            symbol: "textformat.size"
            help: "正文/标题"
            active: bar.headingLevel >= 1
            onClicked: bar.command("heading", EditorRules.headingToggleLevel(bar.headingLevel))
        }
        BarButton { kind: "strong"; symbol: "bold"; help: "粗体"; active: bar.format("strong") }
        BarButton { kind: "emphasis"; symbol: "italic"; help: "斜体"; active: bar.format("emphasis") }
        BarButton { kind: "strike"; symbol: "strikethrough"; help: "删除线"; active: bar.format("strike") }
        BarButton { kind: "bullet"; symbol: "list.bullet"; help: "无序列表"; active: bar.format("bulletList") }
        BarButton { kind: "ordered"; symbol: "list.number"; help: "有序列表"; active: bar.format("orderedList") }
        BarButton { kind: "task"; symbol: "checklist"; help: "待办"; active: bar.format("taskList") }
        BarButton { kind: "quote"; symbol: "text.quote"; help: "引用"; active: bar.format("quote") }
        BarButton { kind: "link"; symbol: "link"; help: "链接" }
        BarButton { kind: "table"; symbol: "tablecells"; help: "表格" }
        SymbolButton {
            objectName: "memoCommand:图片"
            implicitWidth: 32
            implicitHeight: 32
            symbol: "photo"
            help: "图片"
            onClicked: bar.imageRequested()
        }
        SymbolButton {
            objectName: "memoCommand:参考过去的记录"
            implicitWidth: 32
            implicitHeight: 32
            symbol: "text.magnifyingglass"
            help: "参考过去的记录"
            onClicked: bar.referencePanelToggled()
        }
    }
}
