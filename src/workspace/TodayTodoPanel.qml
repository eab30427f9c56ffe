pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import LarchNotes.Ui
import LarchNotes.Workspace

// Today's todo list above the timeline: "今日待办" with the count of finished items, one row per
// item with its tick, its text (struck through when done), the day it was made when that was
// not today, and a button that removes it.
Rectangle {
    id: panel
    objectName: "todayTodoPanel"

    required property var library
    readonly property var todos: library.todayTodos

    implicitHeight: column.implicitHeight + 28
    radius: 12
    color: Theme.material
    border.width: 1
    border.color: Theme.hairline

    ColumnLayout {
        id: column
        anchors.fill: parent
        anchors.margins: 14
        spacing: 6

        Label {
            objectName: "todoPanelHeader"
            text: "今日待办  " + panel.todos.completedCount + "/" + panel.todos.count
            font.family: Theme.fontFamily
            font.pixelSize: Theme.headlineSize
            font.weight: Font.DemiBold
            color: Theme.primaryText
            Layout.bottomMargin: 2
        }

        Repeater {
            model: panel.todos

            RowLayout {
                id: item
                required property int todoId
                required property string text
                required property bool isCompleted
                required property date createdAt
                readonly property bool madeToday: WorkspaceText.day(createdAt)
                                                  === WorkspaceText.day(new Date())
                objectName: "todo:" + todoId
                spacing: 8
                Layout.fillWidth: true

                ToolButton {
                    objectName: "todoToggle:" + item.todoId
                    flat: true
                    padding: 2
                    Accessible.name: item.isCompleted ? "标为未完成" : "标为完成"
                    Layout.alignment: Qt.AlignTop
                    onClicked: panel.library.toggleTodo(item.todoId)
                    contentItem: SymbolIcon {
                        name: item.isCompleted ? "checkmark.circle.fill" : "circle"
                        color: item.isCompleted ? Theme.accent : Theme.secondaryText
                        implicitWidth: 18
                        implicitHeight: 18
                    }
                }
                ColumnLayout {
                    spacing: 1
                    Layout.fillWidth: true
                    Layout.alignment: Qt.AlignVCenter
                    Label {
                        text: item.text
                        font.family: Theme.fontFamily
                        font.pixelSize: 14
                        font.strikeout: item.isCompleted
                        color: item.isCompleted ? Theme.secondaryText : Theme.primaryText
                        wrapMode: Text.Wrap
                        textFormat: Text.PlainText
                        Layout.fillWidth: true
                    }
                    Label {
                        visible: !item.madeToday
                        text: WorkspaceText.day(item.createdAt) + " 创建"
                        font.family: Theme.fontFamily
                        font.pixelSize: Theme.captionSize
                        color: Theme.tertiaryText
                    }
                }
                ToolButton {
                    objectName: "todoDelete:" + item.todoId
                    flat: true
                    padding: 4
                    Accessible.name: "删除待办"
                    Layout.alignment: Qt.AlignTop
                    onClicked: panel.library.deleteTodo(item.todoId)
                    contentItem: SymbolIcon {
                        name: "xmark"
                        color: Theme.tertiaryText
                        implicitWidth: 14
                        implicitHeight: 14
                    }
                }
            }
        }
    }
}
