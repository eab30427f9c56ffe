import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import QtQuick.Window
import LarchNotes.Ui

// A sheet showing a memo's pictures one at a time: the file's name, "n / N", the picture on
// black, previous and next buttons (and the arrow keys), and a close button (and Escape).
//
//     viewer.show(urls, index)
Popup {
    id: viewer
    objectName: "memoImageViewer"

    property var urls: []
    property int selection: 0

    readonly property bool hasSelection: selection >= 0 && selection < urls.length
    readonly property url selectedUrl: hasSelection ? urls[selection] : ""

    function show(pictures, index) {
        urls = pictures;
        selection = index;
        open();
    }
    function step(delta) {
        const next = selection + delta;
        if (next >= 0 && next < urls.length)
            selection = next;
    }
    function fileName(url) {
        const text = decodeURIComponent(String(url));
        return text.substring(text.lastIndexOf("/") + 1);
    }

    parent: Overlay.overlay
    anchors.centerIn: parent
    width: parent ? Math.min(parent.width - 24, Math.max(760, parent.width * 0.8)) : 760
    height: parent ? Math.min(parent.height - 24, Math.max(580, parent.height * 0.85)) : 580
    modal: true
    focus: true
    padding: 0
    closePolicy: Popup.CloseOnEscape

    background: Rectangle {
        color: Theme.windowColor
        radius: 12
        border.width: 1
        border.color: Theme.hairline
    }

    contentItem: ColumnLayout {
        spacing: 0
        focus: true
        Keys.onLeftPressed: viewer.step(-1)
        Keys.onRightPressed: viewer.step(1)

        RowLayout {
            spacing: 10
            Layout.fillWidth: true
            Layout.margins: 14
            Label {
                objectName: "viewerTitle"
                text: viewer.hasSelection ? viewer.fileName(viewer.selectedUrl) : "图片"
                font.family: Theme.fontFamily
                font.pixelSize: Theme.headlineSize
                font.weight: Font.DemiBold
                color: Theme.primaryText
                elide: Text.ElideMiddle
                textFormat: Text.PlainText
                Layout.maximumWidth: implicitWidth
                Layout.fillWidth: true
            }
            Label {
                objectName: "viewerCounter"
                visible: viewer.urls.length >= 2
                text: (viewer.selection + 1) + " / " + viewer.urls.length
                font.family: Theme.fontFamily
                font.pixelSize: Theme.captionSize
                color: Theme.secondaryText
            }
            Item { Layout.fillWidth: true }
            ToolButton {
                objectName: "viewerClose"
                flat: true
                Accessible.name: "关闭"
                focusPolicy: Qt.StrongFocus
                onClicked: viewer.close()
                contentItem: SymbolIcon {
                    name: "xmark.circle.fill"
                    color: Theme.secondaryText
                    implicitWidth: 20
                    implicitHeight: 20
                }
            }
        }

        Rectangle {
            // Rounded at the bottom, with the sheet; square at the top, under the header.
            color: "black"
            radius: 12
            Layout.fillWidth: true
            Layout.fillHeight: true
            Rectangle {
                width: parent.width
                height: parent.radius
                color: "black"
            }

            Image {
                id: picture
                objectName: "viewerPicture"
                anchors.fill: parent
                anchors.margins: 18
                source: viewer.opened ? viewer.selectedUrl : ""
                asynchronous: true
                fillMode: Image.PreserveAspectFit
                // Never decoded larger than the screen shows it.
                sourceSize: Qt.size(Math.ceil(width * Screen.devicePixelRatio),
                                    Math.ceil(height * Screen.devicePixelRatio))
            }

            Repeater {
                model: viewer.urls.length >= 2 ? [-1, 1] : []
                AbstractButton {
                    id: chevron
                    required property int modelData
                    readonly property bool usable: modelData < 0
                                                   ? viewer.selection >= 1
                                                   : viewer.selection < viewer.urls.length - 1
                    objectName: modelData < 0 ? "viewerPrevious" : "viewerNext"
                    anchors.verticalCenter: parent.verticalCenter
                    anchors.left: modelData < 0 ? parent.left : undefined
                    anchors.right: modelData > 0 ? parent.right : undefined
                    anchors.margins: 16
                    width: 42
                    height: 42
                    enabled: usable
                    opacity: usable ? 1 : 0
                    focusPolicy: Qt.NoFocus
                    Accessible.role: Accessible.Button
                    Accessible.name: modelData < 0 ? "上一张" : "下一张"
                    onClicked: viewer.step(modelData)
                    background: Rectangle {
                        radius: 21
                        color: Qt.rgba(0, 0, 0, 0.55)
                    }
                    contentItem: Item {
                        SymbolIcon {
                            anchors.centerIn: parent
                            width: 16
                            height: 16
                            name: chevron.modelData < 0 ? "chevron.left" : "chevron.right"
                            color: "white"
                            strokeWidth: 3
                        }
                    }
                }
            }
        }
    }
}
