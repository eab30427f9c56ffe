import QtQuick
import QtQuick.Controls
import LarchNotes.Ui
import LarchNotes.Workspace

// A memo's own words edited in place in its row. The text lives in `edit` (the timeline's
// InlineMemoEdit), which saves it half a second after the last change and whenever editing
// ends; this view only shows it.
ScrollView {
    id: editor
    objectName: "compactMemoEditor"

    required property InlineMemoEdit edit

    implicitHeight: Math.min(220, Math.max(96, area.implicitHeight + topPadding + bottomPadding))
    padding: 8
    clip: true
    ScrollBar.horizontal.policy: ScrollBar.AlwaysOff

    function takeFocus() {
        area.text = edit.text;
        area.forceActiveFocus();
        area.cursorPosition = area.length;
    }

    // A text taken in from elsewhere leaves the caret where it was, or at the end if it was there.
    Connections {
        target: editor.edit
        function onTextChanged() {
            if (area.text === editor.edit.text)
                return;
            const atEnd = area.cursorPosition === area.length;
            const position = area.cursorPosition;
            area.text = editor.edit.text;
            area.cursorPosition = atEnd ? area.length : Math.min(position, area.length);
        }
    }

    TextArea {
        id: area
        objectName: "compactMemoText"
        textFormat: TextEdit.PlainText
        wrapMode: TextEdit.Wrap
        font.family: Theme.fontFamily
        font.pixelSize: 14
        color: Theme.primaryText
        selectByMouse: true
        padding: 0
        background: null
        Accessible.name: "编辑记录"
        // Typing writes through; a text set from outside (another memo, a change made
        // elsewhere) replaces ours only when it differs, so the caret stays put while typing.
        onTextChanged: editor.edit.text = text
        Keys.onEscapePressed: editor.edit.finish()
        Component.onCompleted: {
            if (text !== editor.edit.text)
                text = editor.edit.text;
        }
    }

    background: Rectangle {
        radius: 10
        color: Qt.rgba(Theme.primaryText.r, Theme.primaryText.g, Theme.primaryText.b, 0.035)
        border.width: area.activeFocus ? 1 : 0
        border.color: Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.35)
    }
}
