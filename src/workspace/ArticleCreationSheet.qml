pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import LarchNotes.Ui
import LarchNotes.Workspace

// The sheet that names a new article and picks its folder: for "新建文章" and for turning a memo
// into an article ("独立成篇"). `created` gets the title as it will be used (trimmed,
// "未命名笔记" when blank) and the folder ("" for the vault root).
//
//     sheet.openWith("独立成篇", proposedTitle, library.creationFolderPath)
Dialog {
    id: sheet
    objectName: "articleCreationSheet"

    // The folders to offer after the vault root (the library's visibleFolders).
    property var folders: []
    property string screenTitle: "新建文章"
    readonly property string folderPath: folderBox.currentIndex > 0
                                         ? String(folders[folderBox.currentIndex - 1]) : ""

    signal created(string title, string folderPath)

    function openWith(screenTitle: string, articleTitle: string, folderPath: string) {
        sheet.screenTitle = screenTitle;
        titleField.text = articleTitle;
        const index = folders.indexOf(folderPath);
        folderBox.currentIndex = index >= 0 ? index + 1 : 0;
        open();
        titleField.forceActiveFocus();
        titleField.selectAll();
    }

    parent: Overlay.overlay
    anchors.centerIn: parent
    width: Math.min(440, parent ? parent.width - 80 : 440)
    modal: true
    focus: true
    closePolicy: Popup.CloseOnEscape
    padding: 22
    topPadding: 18

    onAccepted: created(WorkspaceText.articleTitle(titleField.text), folderPath)

    header: Label {
        text: sheet.screenTitle
        topPadding: 20
        leftPadding: 22
        font.family: Theme.fontFamily
        font.pixelSize: 17
        font.weight: Font.Bold
        color: Theme.primaryText
    }

    contentItem: ColumnLayout {
        spacing: 8
        Label {
            text: "文章标题"
            font.family: Theme.fontFamily
            font.pixelSize: Theme.captionSize
            color: Theme.secondaryText
        }
        TextField {
            id: titleField
            objectName: "articleTitleField"
            placeholderText: "未命名笔记"
            font.family: Theme.fontFamily
            font.pixelSize: Theme.bodySize
            selectByMouse: true
            Accessible.name: "文章标题"
            Layout.fillWidth: true
            onAccepted: sheet.accept()
        }
        Label {
            text: "保存位置"
            font.family: Theme.fontFamily
            font.pixelSize: Theme.captionSize
            color: Theme.secondaryText
            Layout.topMargin: 6
        }
        ComboBox {
            id: folderBox
            objectName: "articleFolderBox"
            model: ["资料库根目录"].concat(sheet.folders)
            font.family: Theme.fontFamily
            font.pixelSize: Theme.bodySize
            Accessible.name: "保存位置"
            Layout.fillWidth: true
        }
        Label {
            objectName: "articleDestinationLabel"
            text: "将保存到：" + WorkspaceText.placeName(sheet.folderPath)
            font.family: Theme.fontFamily
            font.pixelSize: Theme.captionSize
            color: Theme.tertiaryText
            elide: Text.ElideMiddle
            textFormat: Text.PlainText
            Layout.fillWidth: true
        }
    }

    footer: DialogButtonBox {
        Button {
            objectName: "cancelArticleButton"
            text: "取消"
            DialogButtonBox.buttonRole: DialogButtonBox.RejectRole
        }
        ProminentButton {
            objectName: "createArticleButton"
            text: "创建"
            DialogButtonBox.buttonRole: DialogButtonBox.AcceptRole
        }
    }
}
