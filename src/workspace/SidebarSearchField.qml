import QtQuick
import QtQuick.Controls
import LarchNotes.Ui
import LarchNotes.Workspace

// The sidebar's search box, bound to the library's search text: typing writes it, a change from
// elsewhere (clearing the search after opening a result) replaces the field's text. Escape
// clears it; a click elsewhere in the window ends editing.
TextField {
    id: field
    objectName: "sidebarSearchField"

    required property var library

    placeholderText: "搜索记录和文章"
    placeholderTextColor: Theme.tertiaryText
    text: library.searchText
    leftPadding: 28
    rightPadding: text !== "" ? 26 : 8
    font.family: Theme.fontFamily
    font.pixelSize: Theme.bodySize
    selectByMouse: true
    Accessible.role: Accessible.EditableText
    Accessible.name: "搜索记录和文章"

    // Only a real change is written back, so typing is never disturbed by its own echo.
    onTextEdited: {
        if (library.searchText !== text)
            library.searchText = text;
    }
    Keys.onEscapePressed: library.searchText = ""

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
        objectName: "clearSearchButton"
        visible: field.text !== ""
        anchors.right: parent.right
        anchors.verticalCenter: parent.verticalCenter
        width: 24
        height: 24
        focusPolicy: Qt.NoFocus
        Accessible.name: "清除搜索"
        icon.width: 0
        contentItem: SymbolIcon {
            name: "xmark.circle.fill"
            color: Theme.tertiaryText
        }
        background: null
        onClicked: field.library.searchText = ""
    }

    SearchFieldFocus {
        field: field
    }
}
