import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import LarchNotes.Ui

// A bar above an editor whose text and the file on disk went separate ways: says what happened
// and offers the ways out. What each choice does is the owner's; the bar only asks.
Rectangle {
    id: bar
    objectName: "conflictBar"

    // What happened, one sentence.
    property string message
    // The file was deleted or renamed by another program: it can be written again or left.
    property bool fileMissing: false
    // A choice is being carried out.
    property bool busy: false

    signal keepMineRequested()
    signal useOutsideRequested()
    signal saveCopyRequested()
    signal differencesRequested()
    signal saveAgainRequested()
    signal closeRequested()

    implicitHeight: row.implicitHeight + 16
    color: Qt.rgba(1.0, 0.62, 0.04, Theme.dark ? 0.22 : 0.14)
    Accessible.role: Accessible.AlertMessage
    Accessible.name: message

    Rectangle {
        anchors.bottom: parent.bottom
        width: parent.width
        height: 1
        color: Theme.separator
    }

    RowLayout {
        id: row
        anchors.fill: parent
        anchors.leftMargin: 14
        anchors.rightMargin: 10
        spacing: 8

        SymbolIcon {
            name: "exclamationmark.triangle"
            color: "#d98a00"
            Layout.preferredWidth: Theme.bodySize + 2
            Layout.preferredHeight: Theme.bodySize + 2
        }
        Label {
            text: bar.message
            font.family: Theme.fontFamily
            font.pixelSize: Theme.calloutSize
            color: Theme.primaryText
            wrapMode: Text.Wrap
            maximumLineCount: 2
            elide: Text.ElideRight
            textFormat: Text.PlainText
            Layout.fillWidth: true
        }
        Button {
            objectName: "conflictDifferences"
            visible: !bar.fileMissing
            enabled: !bar.busy
            text: "查看差异"
            flat: true
            font.family: Theme.fontFamily
            onClicked: bar.differencesRequested()
        }
        Button {
            objectName: "conflictSaveCopy"
            visible: !bar.fileMissing
            enabled: !bar.busy
            text: "另存为副本"
            font.family: Theme.fontFamily
            onClicked: bar.saveCopyRequested()
        }
        Button {
            objectName: "conflictUseOutside"
            visible: !bar.fileMissing
            enabled: !bar.busy
            text: "使用外部版本"
            font.family: Theme.fontFamily
            onClicked: bar.useOutsideRequested()
        }
        ProminentButton {
            objectName: "conflictKeepMine"
            visible: !bar.fileMissing
            enabled: !bar.busy
            text: "保留我的版本"
            onClicked: bar.keepMineRequested()
        }
        Button {
            objectName: "conflictClose"
            visible: bar.fileMissing
            enabled: !bar.busy
            text: "关闭"
            font.family: Theme.fontFamily
            onClicked: bar.closeRequested()
        }
        ProminentButton {
            objectName: "conflictSaveAgain"
            visible: bar.fileMissing
            enabled: !bar.busy
            text: "重新保存"
            onClicked: bar.saveAgainRequested()
        }
    }
}
