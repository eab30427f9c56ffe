import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import LarchNotes.Ui
import LarchNotes.Workspace

// The user's text beside the version on disk, line by line: lines only in mine are marked "−"
// on red, lines only in the outside version "+" on green. The same choices as the conflict bar
// end it.
Dialog {
    id: dialog
    objectName: "differenceView"

    property string mine
    property string outside
    property bool busy: false

    signal keepMineRequested()
    signal useOutsideRequested()
    signal saveCopyRequested()

    title: "查看差异"
    parent: Overlay.overlay
    anchors.centerIn: parent
    width: parent ? Math.min(820, parent.width - 80) : 820
    height: parent ? Math.min(640, parent.height - 80) : 640
    modal: true
    focus: true
    closePolicy: Popup.CloseOnEscape
    padding: 0
    font.family: Theme.fontFamily

    TextDifferenceModel {
        id: difference
        mine: dialog.mine
        outside: dialog.outside
    }

    contentItem: ColumnLayout {
        spacing: 0
        RowLayout {
            Layout.fillWidth: true
            Layout.margins: 12
            spacing: 16
            Label {
                objectName: "differenceRemovedCount"
                text: "− 我的版本（" + difference.removedCount + " 行）"
                color: "#c4372c"
                font.family: Theme.fontFamily
                font.pixelSize: Theme.captionSize
            }
            Label {
                objectName: "differenceAddedCount"
                text: "+ 外部版本（" + difference.addedCount + " 行）"
                color: "#2e8b3e"
                font.family: Theme.fontFamily
                font.pixelSize: Theme.captionSize
            }
            Item { Layout.fillWidth: true }
            Label {
                visible: difference.removedCount + difference.addedCount === 0
                text: "两个版本相同"
                color: Theme.secondaryText
                font.family: Theme.fontFamily
                font.pixelSize: Theme.captionSize
            }
        }
        Rectangle {
            Layout.fillWidth: true
            Layout.preferredHeight: 1
            color: Theme.separator
        }
        ListView {
            id: lines
            objectName: "differenceLines"
            Layout.fillWidth: true
            Layout.fillHeight: true
            clip: true
            model: difference
            boundsBehavior: Flickable.StopAtBounds
            ScrollBar.vertical: ScrollBar {}
            delegate: Rectangle {
                required property string kind
                required property string text
                width: ListView.view.width
                height: lineText.implicitHeight + 4
                color: kind === "removed" ? Qt.rgba(0.86, 0.2, 0.16, Theme.dark ? 0.28 : 0.12)
                     : kind === "added" ? Qt.rgba(0.18, 0.6, 0.25, Theme.dark ? 0.28 : 0.12)
                     : "transparent"
                Text {
                    width: 22
                    anchors.left: parent.left
                    anchors.verticalCenter: parent.verticalCenter
                    horizontalAlignment: Text.AlignHCenter
                    text: parent.kind === "removed" ? "−" : parent.kind === "added" ? "+" : ""
                    color: Theme.secondaryText
                    font.family: Theme.monoFontFamily
                    font.pixelSize: Theme.captionSize
                }
                Text {
                    id: lineText
                    anchors.left: parent.left
                    anchors.leftMargin: 24
                    anchors.right: parent.right
                    anchors.rightMargin: 12
                    anchors.verticalCenter: parent.verticalCenter
                    text: parent.text
                    textFormat: Text.PlainText
                    wrapMode: Text.Wrap
                    color: Theme.primaryText
                    font.family: Theme.monoFontFamily
                    font.pixelSize: Theme.captionSize
                }
            }
        }
    }

    footer: DialogButtonBox {
        Button {
            text: "关闭"
            DialogButtonBox.buttonRole: DialogButtonBox.RejectRole
        }
        Button {
            objectName: "differenceSaveCopy"
            enabled: !dialog.busy
            text: "另存为副本"
            onClicked: { dialog.close(); dialog.saveCopyRequested() }
        }
        Button {
            objectName: "differenceUseOutside"
            enabled: !dialog.busy
            text: "使用外部版本"
            onClicked: { dialog.close(); dialog.useOutsideRequested() }
        }
        ProminentButton {
            objectName: "differenceKeepMine"
            enabled: !dialog.busy
            text: "保留我的版本"
            onClicked: { dialog.close(); dialog.keepMineRequested() }
        }
    }
}
