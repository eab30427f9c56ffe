import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import LarchNotes.Ui

// Stands in for the workspace until its views exist: which vault is open and how much is in it.
Item {
    id: view
    objectName: "workspacePlaceholder"

    required property var library

    component Count: ColumnLayout {
        property alias name: number.objectName
        property string label
        property int value
        spacing: 2
        Label {
            id: number
            text: String(parent.value)
            font.family: Theme.fontFamily
            font.pixelSize: 28
            font.weight: Font.DemiBold
            color: Theme.primaryText
        }
        Label {
            text: parent.label
            font.family: Theme.fontFamily
            font.pixelSize: Theme.captionSize
            color: Theme.secondaryText
        }
    }

    ColumnLayout {
        anchors.centerIn: parent
        width: Math.min(560, view.width - 80)
        spacing: 10

        Label {
            text: "笔记仓库"
            font.family: Theme.fontFamily
            font.pixelSize: Theme.headlineSize
            font.weight: Font.DemiBold
            color: Theme.secondaryText
        }
        Label {
            objectName: "vaultPathLabel"
            text: view.library.rootPath
            font.family: Theme.fontFamily
            font.pixelSize: 17
            color: Theme.primaryText
            wrapMode: Text.WrapAnywhere
            textFormat: Text.PlainText
            Layout.fillWidth: true
        }
        Rectangle {
            color: Theme.separator
            Layout.fillWidth: true
            Layout.preferredHeight: 1
            Layout.topMargin: 6
            Layout.bottomMargin: 6
        }
        RowLayout {
            spacing: 28
            Count { name: "memoCount"; label: "记录"; value: view.library.memos.count }
            Count { name: "articleCount"; label: "文章"; value: view.library.notes.count }
            Count { name: "todoCount"; label: "今日待办"; value: view.library.todayTodos.count }
        }
    }
}
