import QtQuick
import QtQuick.Controls
import LarchNotes.Ui

// First run: asks for the folder that becomes the vault.
Item {
    id: view
    objectName: "vaultSetupView"

    signal chooseFolder()

    Column {
        id: column
        anchors.centerIn: parent
        width: Math.max(0, Math.min(560, view.width - 2 * 36))
        padding: 0
        spacing: 0

        // The badge: a rounded square in the accent gradient with a soft accent shadow.
        Item {
            id: badge
            width: 82
            height: 82
            anchors.horizontalCenter: parent.horizontalCenter

            Canvas {
                id: badgeCanvas
                // Room for the shadow around the square.
                readonly property real margin: 28
                x: -margin
                y: -margin
                width: badge.width + 2 * margin
                height: badge.height + 2 * margin
                antialiasing: true
                onPaint: {
                    const ctx = getContext("2d");
                    ctx.reset();
                    const m = margin, w = badge.width, h = badge.height, r = 22;
                    ctx.beginPath();
                    ctx.moveTo(m + r, m);
                    ctx.lineTo(m + w - r, m);
                    ctx.arcTo(m + w, m, m + w, m + r, r);
                    ctx.lineTo(m + w, m + h - r);
                    ctx.arcTo(m + w, m + h, m + w - r, m + h, r);
                    ctx.lineTo(m + r, m + h);
                    ctx.arcTo(m, m + h, m, m + h - r, r);
                    ctx.lineTo(m, m + r);
                    ctx.arcTo(m, m, m + r, m, r);
                    ctx.closePath();
                    const gradient = ctx.createLinearGradient(m, m, m + w, m + h);
                    gradient.addColorStop(0, Theme.gradientStart);
                    gradient.addColorStop(1, Theme.gradientEnd);
                    ctx.fillStyle = gradient;
                    ctx.shadowColor = Qt.rgba(Theme.staticAccent.r, Theme.staticAccent.g,
                                              Theme.staticAccent.b, 0.24);
                    ctx.shadowBlur = 16;
                    ctx.shadowOffsetX = 0;
                    ctx.shadowOffsetY = 7;
                    ctx.fill();
                }
            }

            SymbolIcon {
                name: "folder.fill.badge.plus"
                color: "white"
                strokeWidth: 1.9
                width: 40
                height: 40
                anchors.centerIn: parent
            }
        }

        Item { width: 1; height: 26 }

        Label {
            text: "选择笔记仓库"
            font.family: Theme.fontFamily
            font.pixelSize: 28
            font.weight: Font.Bold
            color: Theme.primaryText
            anchors.horizontalCenter: parent.horizontalCenter
        }

        Item { width: 1; height: 10 }

        Label {
            text: "Larch Notes 将 Markdown 文件直接保存在你选择的文件夹中。"
            font.family: Theme.fontFamily
            font.pixelSize: 14
            color: Theme.secondaryText
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
            width: column.width
        }

        Item { width: 1; height: 24 }

        ProminentButton {
            objectName: "chooseFolderButton"
            text: "选择文件夹…"
            symbol: "folder.badge.plus"
            accentColor: Theme.staticAccent
            fontSize: 14
            fontWeight: Font.DemiBold
            horizontalPadding: 14 + 8
            minimumWidth: 158
            anchors.horizontalCenter: parent.horizontalCenter
            onClicked: view.chooseFolder()
        }

        Item { width: 1; height: 14 }

        Label {
            text: "可以选择本地文件夹或由同步工具（如 Nextcloud、Syncthing）同步的文件夹；空文件夹会自动初始化。"
            font.family: Theme.fontFamily
            font.pixelSize: Theme.captionSize
            color: Theme.tertiaryText
            horizontalAlignment: Text.AlignHCenter
            wrapMode: Text.Wrap
            width: column.width
        }
    }
}
