import QtQml
import QtQuick
import QtQuick.Controls
import QtQuick.Dialogs
import LarchNotes.Ui
import LarchNotes.App
import LarchNotes.Workspace

// The one main window: the File menu, the screen the library's state calls for, the folder
// picker, the alert and the notice toast.
ApplicationWindow {
    id: window

    required property AppShell shell
    readonly property var library: shell.library

    title: "Larch Notes"
    width: 1180
    height: 780
    minimumWidth: 720
    minimumHeight: 480
    color: Theme.windowColor
    font.family: Theme.fontFamily
    font.pixelSize: Theme.bodySize
    // The controls follow the desktop palette, light or dark.
    palette.window: Theme.systemPalette.window
    palette.windowText: Theme.systemPalette.windowText
    palette.base: Theme.systemPalette.base
    palette.alternateBase: Theme.systemPalette.alternateBase
    palette.text: Theme.systemPalette.text
    palette.placeholderText: Theme.systemPalette.placeholderText
    palette.button: Theme.systemPalette.button
    palette.buttonText: Theme.systemPalette.buttonText
    palette.brightText: Theme.systemPalette.brightText
    palette.highlight: Theme.systemPalette.highlight
    palette.highlightedText: Theme.systemPalette.highlightedText
    palette.light: Theme.systemPalette.light
    palette.midlight: Theme.systemPalette.midlight
    palette.mid: Theme.systemPalette.mid
    palette.dark: Theme.systemPalette.dark
    palette.shadow: Theme.systemPalette.shadow
    palette.link: Theme.systemPalette.link
    palette.toolTipBase: Theme.systemPalette.toolTipBase
    palette.toolTipText: Theme.systemPalette.toolTipText

    Action {
        id: newArticleAction
        text: "新建文章"
        shortcut: "Ctrl+N"
        enabled: window.shell.canCreateArticle
        onTriggered: window.shell.newArticle()
    }
    Action {
        id: openVaultAction
        text: "打开仓库…"
        shortcut: "Shift+Ctrl+O"
        onTriggered: window.shell.requestVaultPicker()
    }
    Action {
        id: revealVaultAction
        text: "在文件管理器中显示当前仓库"
        enabled: window.shell.canRevealVault
        onTriggered: window.shell.revealVault()
    }

    menuBar: MenuBar {
        Menu {
            objectName: "fileMenu"
            title: "文件"
            ShortcutMenuItem { objectName: "newArticleItem"; action: newArticleAction }
            MenuSeparator {}
            ShortcutMenuItem { objectName: "openVaultItem"; action: openVaultAction }
            ShortcutMenuItem { objectName: "revealVaultItem"; action: revealVaultAction }
        }
    }

    Loader {
        id: screenLoader
        objectName: "screenLoader"
        anchors.fill: parent
        sourceComponent: {
            switch (window.shell.screen) {
            case AppShell.VaultSetup: return setupScreen;
            case AppShell.Restoring: return restoringScreen;
            case AppShell.LoadFailure: return failureScreen;
            default: return workspaceScreen;
            }
        }
    }

    Component {
        id: setupScreen
        VaultSetupView { onChooseFolder: window.shell.requestVaultPicker() }
    }
    Component {
        id: restoringScreen
        ProductRestoringView {}
    }
    Component {
        id: failureScreen
        ProductLoadFailureView {
            message: window.library.loadFailureMessage
            onRetry: window.shell.retryLoad()
        }
    }
    Component {
        id: workspaceScreen
        RootView { library: window.library }
    }

    FolderDialog {
        id: folderPicker
        objectName: "folderPicker"
        title: "打开仓库"
        onAccepted: window.shell.openPickedFolder(selectedFolder)
    }
    Connections {
        target: window.library
        // Every request opens the picker, also one that repeats while it is open.
        function onVaultPickerRequestChanged() {
            folderPicker.currentFolder = window.shell.pickerStartFolder();
            folderPicker.open();
        }
    }

    Dialog {
        id: alertDialog
        objectName: "alertDialog"

        // The library's alert first; the shell's own failures after it.
        readonly property bool fromLibrary: window.library.alertMessage !== ""
        readonly property string message: fromLibrary ? window.library.alertMessage
                                                      : window.shell.alertMessage
        // Whose alert is on screen, so that closing dismisses that one.
        property bool showingLibraryAlert: false

        onMessageChanged: {
            if (message === "") {
                close();
            } else if (!opened) {
                showingLibraryAlert = fromLibrary;
                open();
            }
        }

        parent: Overlay.overlay
        anchors.centerIn: parent
        width: Math.min(420, window.width - 80)
        modal: true
        closePolicy: Popup.CloseOnEscape
        padding: 20

        Label {
            objectName: "alertText"
            width: parent.width
            text: alertDialog.message
            wrapMode: Text.Wrap
            textFormat: Text.PlainText
            font.family: Theme.fontFamily
            font.pixelSize: Theme.bodySize
            color: Theme.primaryText
        }

        footer: DialogButtonBox {
            Button {
                objectName: "alertOkButton"
                text: "好"
                DialogButtonBox.buttonRole: DialogButtonBox.AcceptRole
            }
        }

        onClosed: {
            if (showingLibraryAlert)
                window.library.dismissAlert();
            else
                window.shell.dismissAlert();
            // An alert that arrived meanwhile is shown next.
            if (message !== "") {
                showingLibraryAlert = fromLibrary;
                open();
            }
        }
    }

    NoticeToast {
        text: window.library.noticeMessage
        anchors.horizontalCenter: parent.horizontalCenter
        anchors.bottom: parent.bottom
        anchors.bottomMargin: 32
        z: 10
    }
}
