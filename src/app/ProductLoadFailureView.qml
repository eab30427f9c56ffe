import QtQuick
import QtQuick.Controls
import LarchNotes.Ui

// The vault could not be loaded: the reason and a way to try again.
ContentUnavailableView {
    id: view
    objectName: "productLoadFailureView"

    property string message: ""
    signal retry()

    symbol: "exclamationmark.triangle"
    title: "无法打开资料库"
    description: message

    Button {
        objectName: "retryButton"
        text: "重试"
        font.family: Theme.fontFamily
        font.pixelSize: Theme.bodySize
        onClicked: view.retry()
    }
}
