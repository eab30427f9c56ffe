import QtQuick
import QtWebEngine
import QtWebChannel
import LarchNotes.Editor

// The Markdown editor page in a web view. The coordinator decides everything; this item only
// carries scripts into the page, messages out of it, and load events to the coordinator.
Item {
    id: root

    // The document text. The page's edits arrive through markdownEdited; write them back here
    // (through the model this is bound to) so that they are not sent back to the page.
    property string markdown
    property string documentID
    // The vault root (a file URL or a path), for the images the page shows.
    property url vaultRootURL
    // The latest MarkdownEditorCommand (MarkdownEditor.command(...)), kept until consumed.
    property var command: null
    property bool autofocus: false
    // function(data, mimeType, done) storing a pasted image; see MarkdownEditorCoordinator.
    property var pasteImageHandler: null
    // The page's dist folder; empty means the application's own.
    property string distPath
    // The window's appearance, which the page's colours follow (the web engine does not tell
    // the page which one the desktop uses).
    property bool darkAppearance: false

    readonly property alias coordinator: coordinator
    // The web view itself, for tools and tests (evaluating scripts, zoom).
    readonly property alias webEngineView: webView
    readonly property bool ready: coordinator.ready

    signal markdownEdited(string markdown)
    signal commandConsumed()
    // items: array of {position, level, title}; activePosition: a number or null.
    signal outlineChanged(var items, var activePosition)
    // state: {headingLevel, strong, emphasis, strike, inlineCode, codeBlock, bulletList,
    // orderedList, taskList, quote}
    signal formatStateChanged(var state)
    signal contentHeightChanged(real height)
    // Ctrl+Shift+I in the page: the embedding view opens its image picker.
    signal imagePickerRequested()
    // The host had to put its own text back into the page (see the coordinator).
    signal pageTextRestored()

    // Takes in every edit the page has made, then calls `done`: before saving, closing, renaming.
    function synchronize(done) { coordinator.synchronize(done) }

    function applyAppearance() {
        webView.runJavaScript("document.documentElement.classList.toggle('larch-appearance-dark', "
                              + darkAppearance + "); document.documentElement.classList.toggle("
                              + "'larch-appearance-light', " + !darkAppearance + ");")
    }
    onDarkAppearanceChanged: if (coordinator.ready) applyAppearance()

    WebEngineView {
        id: webView
        anchors.fill: parent
        // Shared by the editors of the vault, and living as long as the application.
        profile: coordinator.profileFor(root.vaultRootURL)
        webChannel: channel
        backgroundColor: "transparent"
        settings.javascriptEnabled: true
        settings.showScrollBars: !coordinator.readOnly

        onLoadingChanged: function (request) {
            if (request.status === WebEngineView.LoadSucceededStatus) {
                root.applyAppearance()
                coordinator.pageLoadSucceeded()
            } else if (request.status === WebEngineView.LoadFailedStatus) {
                coordinator.pageLoadFailed(request.errorString)
            }
        }
    }

    WebChannel {
        id: channel
    }

    MarkdownEditorCoordinator {
        id: coordinator
        markdown: root.markdown
        documentID: root.documentID
        vaultRootURL: root.vaultRootURL
        command: root.command
        autofocus: root.autofocus
        pasteImageHandler: root.pasteImageHandler
        distPath: root.distPath

        onScriptRequested: function (script) { webView.runJavaScript(script) }
        onInputBarrierRequested: coordinator.sendInputBarrier(webView)
        onSnapshotRequested: function (script, ticket) {
            webView.runJavaScript(script, function (result) {
                coordinator.receiveSnapshot(ticket, result)
            })
        }
        onFocusRequested: webView.forceActiveFocus()
    }

    // A view whose surroundings are being destroyed may linger until the event loop deletes it;
    // a navigation it reports then would reach a QML engine that is gone.
    Component.onDestruction: webView.stop()

    Component.onCompleted: {
        const endpoint = {}
        endpoint[coordinator.messageEndpointName] = coordinator.messageEndpoint
        channel.registerObjects(endpoint)
        coordinator.markdownEdited.connect(root.markdownEdited)
        coordinator.commandConsumed.connect(root.commandConsumed)
        coordinator.outlineChanged.connect(root.outlineChanged)
        coordinator.formatStateChanged.connect(root.formatStateChanged)
        coordinator.contentHeightChanged.connect(root.contentHeightChanged)
        coordinator.imagePickerRequested.connect(root.imagePickerRequested)
        coordinator.pageTextRestored.connect(root.pageTextRestored)

        const page = coordinator.start()
        const script = WebEngine.script()
        script.name = "larch-notes-start"
        script.sourceCode = page.script
        script.injectionPoint = WebEngineScript.DocumentCreation
        script.worldId = WebEngineScript.MainWorld
        script.runsOnSubFrames = false
        webView.userScripts.insert(script)
        if (page.kind === "html")
            webView.loadHtml(page.html, page.baseUrl)
        else
            webView.url = page.url
    }
}
