import QtQuick
import LarchNotes.Ui

// While the vault loads: a wordless skeleton of the workspace.
Item {
    id: view
    objectName: "productRestoringView"

    Accessible.role: Accessible.Pane
    Accessible.name: "正在恢复资料库"

    component Bar: Rectangle {
        radius: 8
        color: Theme.placeholderFill
        Accessible.ignored: true
    }

    Item {
        id: sidebar
        width: 248
        height: parent.height

        Column {
            x: 12
            y: 44
            width: parent.width - 24
            spacing: 10
            Bar { width: 104; height: 32 }
            Bar { width: 132; height: 32 }
            Bar { width: 88; height: 32 }
        }
    }

    Rectangle {
        id: divider
        x: sidebar.width
        width: 1
        height: parent.height
        color: Theme.separator
        Accessible.ignored: true
    }

    Item {
        x: divider.x + divider.width
        width: parent.width - x
        height: parent.height
        clip: true

        Column {
            x: 40
            y: 40 + 40
            spacing: 14
            Bar { width: 152; height: 18 }
            Bar { width: 520; height: 14 }
            Bar { width: 440; height: 14 }
            Bar { width: 488; height: 14 }
            Bar { width: 600; height: 48 }
        }
    }
}
