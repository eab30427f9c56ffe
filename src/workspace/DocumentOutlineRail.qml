pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import LarchNotes.Ui
import LarchNotes.Workspace

// The document's headings as a column of small bars beside the text: longer bars for higher
// levels, the active heading in the accent colour. The bar under the pointer and its neighbours
// swell, a tooltip names the heading, and a click jumps to it.
Item {
    id: rail
    objectName: "outlineRail"

    // MarkdownEditorOutlineItem values: {position, level, title}.
    property var items: []
    // The active heading's position, or null.
    property var activePosition: null
    property real maximumTooltipWidth: 240
    property int hoveredIndex: -1
    readonly property real itemHeight: 12
    readonly property real itemSpacing: 6

    signal navigate(int position)

    implicitWidth: 40
    implicitHeight: list.contentHeight
    visible: items.length > 0

    ListView {
        id: list
        objectName: "outlineList"
        anchors.fill: parent
        clip: true
        spacing: rail.itemSpacing
        interactive: contentHeight > height
        boundsBehavior: Flickable.StopAtBounds
        model: rail.items
        Accessible.role: Accessible.List
        Accessible.name: "文章大纲"

        delegate: Item {
            id: entry
            required property var modelData
            required property int index
            readonly property bool active: rail.activePosition !== null
                                           && rail.activePosition !== undefined
                                           && rail.activePosition === modelData.position
            readonly property real scale: EditorRules.outlineScale(index, rail.hoveredIndex)

            objectName: "outlineItem:" + index
            width: ListView.view.width
            height: rail.itemHeight
            Accessible.role: Accessible.Button
            Accessible.name: modelData.title

            Rectangle {
                anchors.verticalCenter: parent.verticalCenter
                x: 2
                width: EditorRules.outlineBarWidth(entry.modelData.level) * entry.scale
                height: EditorRules.outlineBarHeight(entry.active) * entry.scale
                radius: height / 2
                color: entry.active ? Theme.accent
                     : rail.hoveredIndex === entry.index ? Theme.secondaryText : Theme.tertiaryText
                Behavior on width { NumberAnimation { duration: Theme.duration(120); easing.type: Easing.OutCubic } }
                Behavior on height { NumberAnimation { duration: Theme.duration(120); easing.type: Easing.OutCubic } }
            }
            MouseArea {
                anchors.fill: parent
                hoverEnabled: true
                cursorShape: Qt.PointingHandCursor
                onEntered: rail.hoveredIndex = entry.index
                onExited: if (rail.hoveredIndex === entry.index) rail.hoveredIndex = -1
                onClicked: rail.navigate(entry.modelData.position)
            }
        }
    }

    // The hovered heading's title, beside its bar.
    Rectangle {
        id: tooltip
        objectName: "outlineTooltip"
        readonly property var item: rail.hoveredIndex >= 0 && rail.hoveredIndex < rail.items.length
                                    ? rail.items[rail.hoveredIndex] : null
        readonly property bool shown: item !== null
        visible: opacity > 0
        opacity: shown ? 1 : 0
        scale: shown ? 1 : 0.98
        transformOrigin: Item.Left
        x: rail.width + 6
        y: rail.hoveredIndex * (rail.itemHeight + rail.itemSpacing) - list.contentY
           + rail.itemHeight / 2 - height / 2
        z: 2
        width: item ? EditorRules.outlineTooltipWidth(item.title, rail.maximumTooltipWidth) : 0
        height: tooltipText.implicitHeight + 14
        radius: 8
        color: Theme.windowColor
        border.width: 1
        border.color: Theme.hairline
        Behavior on opacity { NumberAnimation { duration: Theme.duration(120) } }
        Behavior on scale { NumberAnimation { duration: Theme.duration(120) } }

        Text {
            id: tooltipText
            anchors.fill: parent
            anchors.leftMargin: 10
            anchors.rightMargin: 10
            verticalAlignment: Text.AlignVCenter
            text: tooltip.item ? tooltip.item.title : ""
            font.family: Theme.fontFamily
            font.pixelSize: 12
            font.weight: Font.Medium
            color: Theme.primaryText
            elide: Text.ElideRight
            textFormat: Text.PlainText
        }
    }
}
