import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import LarchNotes.Ui

// "新建文件夹": asks for a name; `created` gets it with the parent folder ("" for the root).
Dialog {
    id: dialog
    objectName: "folderCreator"

    property string parentPath

    signal created(string name, string parentPath)

    function openFor(parentPath: string) {
        dialog.parentPath = parentPath;
        nameField.text = "";
        open();
        nameField.forceActiveFocus();
    }

    title: "新建文件夹"
    parent: Overlay.overlay
    anchors.centerIn: parent
    width: Math.min(380, parent ? parent.width - 80 : 380)
    modal: true
    focus: true
    closePolicy: Popup.CloseOnEscape
    padding: 20
    font.family: Theme.fontFamily

    onAccepted: created(nameField.text, parentPath)

    contentItem: ColumnLayout {
        spacing: 6
        TextField {
            id: nameField
            objectName: "folderNameField"
            placeholderText: "文件夹名称"
            font.family: Theme.fontFamily
            font.pixelSize: Theme.bodySize
            selectByMouse: true
            Accessible.name: "文件夹名称"
            Layout.fillWidth: true
            onAccepted: if (createButton.enabled) dialog.accept()
        }
        Label {
            visible: dialog.parentPath !== ""
            text: "位于 " + dialog.parentPath
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
            text: "取消"
            DialogButtonBox.buttonRole: DialogButtonBox.RejectRole
        }
        ProminentButton {
            id: createButton
            objectName: "createFolderButton"
            text: "创建"
            enabled: nameField.text.trim() !== ""
            DialogButtonBox.buttonRole: DialogButtonBox.AcceptRole
        }
    }
}
