import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import LarchNotes.Ui

// The editor destination. For now the opened article's title; the article editor screen
// replaces this file and keeps its inputs and signals:
// - path: the article the workspace opened (the library has it open and selected).
// - editorHasFocus: true while its text editor has the keyboard; the sidebar's Ctrl+F is off
//   meanwhile, so the editor's own search can take it.
// - showSidebar(), createNote(): the window's sidebar and the creation sheet;
//   openArticle(path): open another article.
Item {
    id: screen
    objectName: "editorScreen"

    required property var library
    required property var navigation
    property string path
    readonly property bool editorHasFocus: false

    signal showSidebar()
    signal createNote()
    signal openArticle(string path)

    ColumnLayout {
        anchors.centerIn: parent
        width: Math.min(560, screen.width - 80)
        spacing: 8
        Label {
            objectName: "editorTitle"
            text: screen.library.selectedSession ? screen.library.selectedSession.title : ""
            font.family: Theme.fontFamily
            font.pixelSize: Theme.titleSize
            font.weight: Font.Bold
            color: Theme.primaryText
            wrapMode: Text.Wrap
            textFormat: Text.PlainText
            Layout.fillWidth: true
        }
        Label {
            text: screen.path
            font.family: Theme.fontFamily
            font.pixelSize: Theme.captionSize
            color: Theme.tertiaryText
            wrapMode: Text.WrapAnywhere
            textFormat: Text.PlainText
            Layout.fillWidth: true
        }
    }
}
