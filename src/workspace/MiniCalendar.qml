pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import LarchNotes.Ui
import LarchNotes.Workspace

// The sidebar's month calendar: a header with the month, a disclosure chevron, the previous and
// next month and "今天"; when open, the weekday names and the month's days, with a dot on days
// that have memos. Collapsed, only the header shows.
Item {
    id: calendar
    objectName: "miniCalendar"

    required property var library
    // A day was chosen (its start, local time).
    signal daySelected(date day)

    readonly property alias model: days

    implicitHeight: days.expanded ? 226 : 38
    clip: true
    Behavior on implicitHeight {
        NumberAnimation { duration: Theme.duration(160); easing.type: Easing.InOutQuad }
    }

    MiniCalendarModel {
        id: days
        library: calendar.library
        onDaySelected: (day) => calendar.daySelected(day)
    }

    component HeaderButton: ToolButton {
        id: headerButton
        property string symbol
        width: 22
        height: 22
        padding: 0
        focusPolicy: Qt.StrongFocus
        contentItem: SymbolIcon {
            name: headerButton.symbol
            color: Theme.secondaryText
            strokeWidth: 2.6
        }
        background: Rectangle {
            radius: 5
            color: headerButton.hovered ? Theme.placeholderFill : "transparent"
            border.width: headerButton.visualFocus ? 2 : 0
            border.color: Theme.accent
        }
    }

    ColumnLayout {
        anchors.left: parent.left
        anchors.right: parent.right
        anchors.top: parent.top
        spacing: 4

        RowLayout {
            Layout.fillWidth: true
            Layout.preferredHeight: 34
            spacing: 2
            Label {
                objectName: "calendarMonth"
                text: days.monthTitle
                font.family: Theme.fontFamily
                font.pixelSize: Theme.bodySize
                font.weight: Font.DemiBold
                color: Theme.primaryText
                Layout.leftMargin: 6
            }
            HeaderButton {
                objectName: "calendarDisclosure"
                symbol: days.expanded ? "chevron.down" : "chevron.right"
                Accessible.name: days.expanded ? "收起日历" : "展开日历"
                onClicked: days.toggleExpanded()
            }
            Item { Layout.fillWidth: true }
            HeaderButton {
                objectName: "previousMonthButton"
                symbol: "chevron.left"
                Accessible.name: "上个月"
                onClicked: days.showPreviousMonth()
            }
            HeaderButton {
                objectName: "nextMonthButton"
                symbol: "chevron.right"
                Accessible.name: "下个月"
                onClicked: days.showNextMonth()
            }
            Button {
                objectName: "todayButton"
                text: "今天"
                flat: true
                padding: 3
                horizontalPadding: 7
                font.family: Theme.fontFamily
                font.pixelSize: Theme.captionSize
                focusPolicy: Qt.StrongFocus
                Accessible.name: text
                onClicked: days.selectToday()
            }
        }

        GridLayout {
            columns: 7
            columnSpacing: 2
            rowSpacing: 2
            Layout.fillWidth: true
            Layout.leftMargin: 4
            Layout.rightMargin: 4

            Repeater {
                model: days.weekdaySymbols
                Label {
                    required property string modelData
                    text: modelData
                    horizontalAlignment: Text.AlignHCenter
                    verticalAlignment: Text.AlignVCenter
                    font.family: Theme.fontFamily
                    font.pixelSize: 10
                    font.weight: Font.Medium
                    color: Theme.tertiaryText
                    Layout.fillWidth: true
                    Layout.preferredWidth: 1
                    Layout.preferredHeight: 18
                }
            }
            Repeater {
                model: days
                AbstractButton {
                    id: cell
                    required property int index
                    required property int dayNumber
                    required property bool isSelected
                    required property bool hasMemos
                    required property bool isToday
                    enabled: dayNumber > 0
                    focusPolicy: dayNumber > 0 ? Qt.StrongFocus : Qt.NoFocus
                    Layout.fillWidth: true
                    Layout.preferredWidth: 1
                    Layout.preferredHeight: 25
                    Accessible.role: Accessible.Button
                    Accessible.name: dayNumber > 0 ? String(dayNumber) : ""
                    onClicked: days.selectRow(index)
                    Keys.onReturnPressed: clicked()

                    background: Rectangle {
                        visible: cell.dayNumber > 0
                        radius: 6
                        color: cell.isSelected ? Theme.selectionFill
                                               : cell.hovered ? Theme.placeholderFill : "transparent"
                        border.width: cell.visualFocus || (cell.isToday && !cell.isSelected) ? 1 : 0
                        border.color: cell.visualFocus ? Theme.accent : Theme.separator
                    }
                    contentItem: Item {
                        Text {
                            anchors.centerIn: parent
                            anchors.verticalCenterOffset: -1
                            text: cell.dayNumber > 0 ? String(cell.dayNumber) : ""
                            font.family: Theme.fontFamily
                            font.pixelSize: 11
                            color: cell.isSelected ? "white" : Theme.primaryText
                        }
                        Rectangle {
                            visible: cell.hasMemos
                            width: 3
                            height: 3
                            radius: 1.5
                            anchors.horizontalCenter: parent.horizontalCenter
                            anchors.bottom: parent.bottom
                            anchors.bottomMargin: 2
                            color: cell.isSelected ? "white" : Theme.accent
                        }
                    }
                }
            }
        }
    }
}
