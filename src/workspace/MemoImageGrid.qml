import QtQuick
import QtQuick.Controls
import QtQuick.Window
import LarchNotes.Ui
import LarchNotes.Workspace

// The pictures of a memo: one alone at its own shape, two or three as a mosaic, four or more as
// a two-by-two grid whose last tile counts the rest. Links that lead nowhere or to files that
// are not pictures are left out. Pictures are decoded off the interface thread at the size of
// their tile, and only while their row is on screen.
Item {
    id: grid
    objectName: "memoImageGrid"

    required property var library
    // The memo's images: {altText, markdownPath} maps, paths relative to `sourcePath`.
    required property var images
    required property string sourcePath
    // The width the grid may take.
    property real availableWidth: 560
    // The colour around the grid, for its rounded corners.
    property color surfaceColor: Theme.windowColor

    // A tile was pressed: every picture's URL and the index of the one pressed.
    signal open(var urls, int index)

    readonly property var medias: MemoMedia.medias(library, images, sourcePath)
    readonly property var geometry: ImageGridGeometry.layout(
        medias.length, availableWidth,
        medias.length > 0 ? Qt.size(medias[0].width, medias[0].height) : Qt.size(0, 0))

    visible: medias.length > 0
    implicitWidth: geometry.width
    implicitHeight: geometry.height

    Repeater {
        model: grid.geometry.tiles
        AbstractButton {
            id: tile
            required property int index
            required property rect modelData
            x: modelData.x
            y: modelData.y
            width: modelData.width
            height: modelData.height
            objectName: "imageTile" + index
            focusPolicy: Qt.StrongFocus
            Accessible.role: Accessible.Button
            Accessible.name: "查看图片 " + (index + 1) + "，共 " + grid.medias.length + " 张"
            onClicked: grid.open(grid.medias.map(media => media.url), index)

            background: Rectangle {
                color: Qt.rgba(Theme.primaryText.r, Theme.primaryText.g, Theme.primaryText.b, 0.03)
            }
            contentItem: Image {
                source: grid.medias[tile.index].url
                asynchronous: true
                fillMode: Image.PreserveAspectCrop
                clip: true
                // Decoded at the tile's size on screen, not the picture's own.
                sourceSize: Qt.size(Math.ceil(tile.width * Screen.devicePixelRatio),
                                    Math.ceil(tile.height * Screen.devicePixelRatio))
            }
            // Above the picture, which as the content item comes last among the children.
            Loader {
                anchors.fill: parent
                z: 1
                active: tile.index === 3 && grid.geometry.overflow > 0
                sourceComponent: Rectangle {
                    color: Qt.rgba(0, 0, 0, 0.46)
                    Label {
                        objectName: "overflowLabel"
                        anchors.centerIn: parent
                        text: "+" + grid.geometry.overflow
                        color: "white"
                        font.family: Theme.fontFamily
                        font.pixelSize: 25
                        font.weight: Font.DemiBold
                    }
                }
            }
            Loader {
                anchors.fill: parent
                z: 1
                active: tile.visualFocus
                sourceComponent: Rectangle {
                    color: "transparent"
                    border.width: 2
                    border.color: Theme.accent
                }
            }
        }
    }

    RoundedCorners {
        anchors.fill: parent
        radius: 12
        surfaceColor: grid.surfaceColor
    }
    Rectangle {
        anchors.fill: parent
        radius: 12
        color: "transparent"
        border.width: 0.5
        border.color: Qt.rgba(Theme.primaryText.r, Theme.primaryText.g, Theme.primaryText.b, 0.09)
    }
}
