pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import LarchNotes.Ui
import LarchNotes.Workspace

// "参考资料": searches past memos and other articles as the user types, and inserts a Markdown
// link to one of them with its "引用" button. The panel stays open so that several references
// can be inserted in a row.
Rectangle {
    id: panel
    objectName: "referencePanel"

    required property var library
    // The file the references go into; links are made relative to it.
    property string sourcePath

    // `text` is the Markdown to insert at the editor's caret.
    signal insert(string text)
    signal closeRequested()

    implicitWidth: 320
    color: Theme.material

    ReferenceSearch {
        id: search
        objectName: "referenceSearch"
        library: panel.library
        sourcePath: panel.sourcePath
        query: queryField.text
    }

    // The caret lands in the search field once the panel is on screen.
    Component.onCompleted: Qt.callLater(() => queryField.forceActiveFocus())

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        RowLayout {
            Layout.fillWidth: true
            Layout.leftMargin: 16
            Layout.rightMargin: 8
            Layout.topMargin: 10
            Label {
                text: "参考资料"
                font.family: Theme.fontFamily
                font.pixelSize: Theme.headlineSize + 1
                font.weight: Font.DemiBold
                color: Theme.primaryText
                Layout.fillWidth: true
            }
            SymbolButton {
                objectName: "closeReferencePanel"
                symbol: "xmark"
                help: "关闭参考资料"
                onClicked: panel.closeRequested()
            }
        }

        TextField {
            id: queryField
            objectName: "referenceQueryField"
            placeholderText: "搜索 Memo 和文章"
            leftPadding: 28
            rightPadding: text !== "" ? 26 : 8
            font.family: Theme.fontFamily
            font.pixelSize: Theme.bodySize
            selectByMouse: true
            Accessible.role: Accessible.EditableText
            Accessible.name: "搜索 Memo 和文章"
            Layout.fillWidth: true
            Layout.margins: 12
            Layout.topMargin: 8

            SymbolIcon {
                anchors.left: parent.left
                anchors.leftMargin: 8
                anchors.verticalCenter: parent.verticalCenter
                width: 14
                height: 14
                name: "magnifyingglass"
                color: Theme.secondaryText
            }
            ToolButton {
                objectName: "clearReferenceQuery"
                visible: queryField.text !== ""
                anchors.right: parent.right
                anchors.verticalCenter: parent.verticalCenter
                width: 24
                height: 24
                focusPolicy: Qt.NoFocus
                Accessible.name: "清除搜索"
                contentItem: SymbolIcon {
                    name: "xmark.circle.fill"
                    color: Theme.tertiaryText
                }
                background: null
                onClicked: queryField.text = ""
            }
            SearchFieldFocus {
                field: queryField
            }
        }

        Rectangle {
            color: Theme.separator
            Layout.fillWidth: true
            Layout.preferredHeight: 1
        }

        ContentUnavailableView {
            objectName: search.state === ReferenceSearch.Prompt ? "referencePrompt" : "referenceNoResults"
            visible: search.state !== ReferenceSearch.Results
            symbol: search.state === ReferenceSearch.Prompt ? "text.magnifyingglass" : "magnifyingglass"
            title: search.state === ReferenceSearch.Prompt ? "搜索过去的记录" : "没有搜索结果"
            description: search.state === ReferenceSearch.Prompt ? "输入正文、标签或文章标题" : ""
            Layout.fillWidth: true
            Layout.fillHeight: true
        }

        ListView {
            id: results
            objectName: "referenceResults"
            visible: search.state === ReferenceSearch.Results
            clip: true
            model: search
            boundsBehavior: Flickable.StopAtBounds
            Layout.fillWidth: true
            Layout.fillHeight: true
            ScrollBar.vertical: ScrollBar {}
            Accessible.role: Accessible.List
            Accessible.name: "参考资料"

            delegate: Item {
                id: row
                required property int index
                required property string kind
                required property string key
                required property string text
                required property string caption

                objectName: kind === "header" ? "referenceHeader:" + text : "reference:" + key
                width: ListView.view.width
                height: kind === "header" ? 30 : content.implicitHeight + 16

                Label {
                    visible: row.kind === "header"
                    anchors.left: parent.left
                    anchors.leftMargin: 16
                    anchors.bottom: parent.bottom
                    anchors.bottomMargin: 4
                    text: row.text
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.captionSize
                    font.weight: Font.DemiBold
                    color: Theme.secondaryText
                }

                RowLayout {
                    id: content
                    visible: row.kind !== "header"
                    anchors.left: parent.left
                    anchors.right: parent.right
                    anchors.verticalCenter: parent.verticalCenter
                    anchors.leftMargin: 16
                    anchors.rightMargin: 10
                    spacing: 8
                    ColumnLayout {
                        spacing: 3
                        Layout.fillWidth: true
                        Label {
                            text: row.text
                            font.family: Theme.fontFamily
                            font.pixelSize: Theme.bodySize
                            color: Theme.primaryText
                            wrapMode: Text.Wrap
                            maximumLineCount: 4
                            elide: Text.ElideRight
                            textFormat: Text.PlainText
                            Layout.fillWidth: true
                        }
                        Label {
                            visible: text !== ""
                            text: row.caption
                            font.family: Theme.fontFamily
                            font.pixelSize: Theme.captionSize
                            color: Theme.secondaryText
                            elide: Text.ElideRight
                            maximumLineCount: 1
                            textFormat: Text.PlainText
                            Layout.fillWidth: true
                        }
                    }
                    Button {
                        objectName: "insertReference:" + row.key
                        text: "引用"
                        flat: true
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.calloutSize
                        focusPolicy: Qt.TabFocus
                        Accessible.name: "引用 " + row.text
                        Layout.alignment: Qt.AlignVCenter
                        onClicked: panel.insert(search.referenceAt(row.index))
                    }
                }
                Rectangle {
                    visible: row.kind !== "header"
                    anchors.left: parent.left
                    anchors.right: parent.right
                    anchors.leftMargin: 16
                    anchors.bottom: parent.bottom
                    height: 1
                    color: Theme.separator
                    opacity: 0.6
                }
            }
        }
    }
}
