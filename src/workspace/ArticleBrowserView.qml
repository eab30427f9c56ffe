pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import LarchNotes.Ui
import LarchNotes.Workspace

// The article list destination: the articles of the vault or of one folder, newest first, as
// cards that open the article in the editor.
Item {
    id: view
    objectName: "articleBrowserView"

    required property var library
    // "" for every article.
    property string folderPath

    signal open(string path)

    ArticleBrowser {
        id: browser
        library: view.library
        folderPath: view.folderPath
    }

    ColumnLayout {
        anchors.fill: parent
        spacing: 0

        ColumnLayout {
            spacing: 4
            Layout.fillWidth: true
            Layout.maximumWidth: 880
            Layout.alignment: Qt.AlignHCenter
            Layout.leftMargin: 40
            Layout.rightMargin: 40
            Layout.topMargin: 28
            Layout.bottomMargin: 14
            Label {
                objectName: "articleBrowserTitle"
                text: browser.title
                font.family: Theme.fontFamily
                font.pixelSize: Theme.titleSize
                font.weight: Font.Bold
                color: Theme.primaryText
                elide: Text.ElideRight
                textFormat: Text.PlainText
                Layout.fillWidth: true
            }
            Label {
                objectName: "articleBrowserSubtitle"
                text: browser.subtitle
                font.family: Theme.fontFamily
                font.pixelSize: Theme.bodySize
                color: Theme.secondaryText
            }
        }

        ListView {
            id: list
            objectName: "articleList"
            visible: count > 0
            clip: true
            model: browser.articles
            spacing: 8
            keyNavigationEnabled: true
            activeFocusOnTab: true
            reuseItems: true
            boundsBehavior: Flickable.StopAtBounds
            Layout.fillWidth: true
            Layout.fillHeight: true
            ScrollBar.vertical: ScrollBar {}
            Accessible.role: Accessible.List
            Accessible.name: browser.title
            bottomMargin: 24

            delegate: Item {
                id: row
                required property int index
                required property string path
                required property string title
                required property string preview
                required property date modifiedAt
                width: ListView.view.width
                height: card.height
                ArticleCard {
                    id: card
                    width: Math.min(880, row.width - 80)
                    anchors.horizontalCenter: parent.horizontalCenter
                    path: row.path
                    title: row.title
                    preview: row.preview
                    modifiedAt: row.modifiedAt
                    current: row.ListView.isCurrentItem && list.activeFocus
                    onClicked: view.open(row.path)
                }
            }
            Keys.onReturnPressed: if (currentItem) view.open(currentItem.path)
            Keys.onEnterPressed: if (currentItem) view.open(currentItem.path)
        }

        ContentUnavailableView {
            objectName: "noArticles"
            visible: list.count === 0
            symbol: "doc.text"
            title: "这里还没有文章"
            description: "使用记录输入框左侧的加号新建文章。"
            Layout.fillWidth: true
            Layout.fillHeight: true
        }
    }
}
