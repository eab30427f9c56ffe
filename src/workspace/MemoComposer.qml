pragma ComponentBehavior: Bound
import QtQuick
import QtQuick.Controls
import QtQuick.Dialogs
import QtQuick.Layouts
import LarchNotes.Ui
import LarchNotes.Workspace

// The capture box under the timeline: a bar that expands into a card with a plain-text editor,
// the pictures picked so far, the creation palette and the send button. What is typed and
// picked lives in `draft`, so it outlives this view. Sending (the button or Ctrl+Return) emits
// `submit` with the trimmed text, the pictures' Markdown paths and the todo switch, then empties
// the draft and collapses. While an input method is composing, Ctrl+Return does nothing: the
// composition is neither sent half-done nor lost.
FocusScope {
    id: composer
    objectName: "memoComposer"

    required property MemoComposerDraft draft
    // When set (also to ""), the placeholder names where memos go.
    property var folderName: undefined
    // The start of the memo being continued; "" when a submission makes a new memo.
    property string contextLabel: ""
    property real contentLeadingInset: 0

    property bool isExpanded: false
    readonly property bool focused: textArea.activeFocus
    readonly property string placeholder: folderName !== undefined && folderName !== null
                                          ? "记录到 " + (String(folderName) || "收件箱") + "…"
                                          : "记录一个想法…"

    signal submit(string text, var imagePaths, bool isTodo)
    signal cancelContext()
    signal createArticle()

    // Opens the card and puts the caret in the text.
    function expand() {
        isExpanded = true;
        Qt.callLater(() => {
            textArea.forceActiveFocus();
            textArea.cursorPosition = textArea.length;
        });
    }
    function collapse() {
        palette.close();
        textArea.focus = false;
        isExpanded = false;
    }
    function send() {
        if (textArea.inputMethodComposing || !draft.canSubmit)
            return;
        const submission = draft.take();
        if (submission.text === undefined)
            return;
        textArea.text = draft.text;
        collapse();
        submit(submission.text, submission.imagePaths, submission.isTodo);
    }
    function pickImages() {
        draft.isTodo = false;
        palette.close();
        expand();
        Qt.callLater(() => imagePicker.open());
    }

    implicitHeight: isExpanded ? card.implicitHeight : bar.implicitHeight
    Behavior on implicitHeight {
        NumberAnimation { duration: Theme.duration(160); easing.type: Easing.OutCubic }
    }

    // The draft changed from outside (restored, or emptied by a send): show it, unless the user
    // is typing, whose text is never overwritten.
    Connections {
        target: composer.draft
        function onTextChanged() {
            if (!textArea.activeFocus && textArea.text !== composer.draft.text)
                textArea.text = composer.draft.text;
        }
    }

    // --- Collapsed
    AbstractButton {
        id: bar
        objectName: "composerBar"
        visible: !composer.isExpanded
        width: parent.width
        implicitHeight: 46
        focusPolicy: Qt.StrongFocus
        Accessible.role: Accessible.Button
        Accessible.name: composer.placeholder
        onClicked: composer.expand()
        leftPadding: 8 + composer.contentLeadingInset
        rightPadding: 12
        background: ComposerSurface { focused: bar.visualFocus }
        contentItem: RowLayout {
            spacing: 8
            PaletteButton {
                id: barPaletteButton
                objectName: "barPaletteButton"
                onClicked: palette.openBelow(barPaletteButton)
            }
            Label {
                text: composer.draft.text !== "" ? composer.draft.text : composer.placeholder
                color: composer.draft.text !== "" ? Theme.secondaryText : Theme.tertiaryText
                font.family: Theme.fontFamily
                font.pixelSize: 15
                elide: Text.ElideRight
                maximumLineCount: 1
                textFormat: Text.PlainText
                Layout.fillWidth: true
            }
            Label {
                text: "Ctrl+↩"
                color: Theme.tertiaryText
                font.family: Theme.fontFamily
                font.pixelSize: Theme.captionSize
            }
        }
    }

    // --- Expanded
    Item {
        id: card
        objectName: "composerCard"
        visible: composer.isExpanded
        width: parent.width
        implicitHeight: cardColumn.implicitHeight + 24
        transformOrigin: Item.Top

        onVisibleChanged: if (visible) enter.restart()
        ParallelAnimation {
            id: enter
            NumberAnimation { target: card; property: "opacity"; from: 0; to: 1; duration: Theme.duration(160) }
            NumberAnimation { target: card; property: "scale"; from: 0.985; to: 1; duration: Theme.duration(160) }
        }

        ComposerSurface {
            anchors.fill: parent
            focused: composer.focused
            shadow: true
        }

        ColumnLayout {
            id: cardColumn
            x: 14 + composer.contentLeadingInset
            y: 12
            width: parent.width - 28 - composer.contentLeadingInset
            spacing: 8

            // Continuing a memo.
            RowLayout {
                objectName: "composerContextRow"
                visible: composer.contextLabel !== ""
                spacing: 6
                Layout.fillWidth: true
                SymbolIcon {
                    name: "arrow.turn.up.left"
                    color: Theme.accent
                    implicitWidth: 14
                    implicitHeight: 14
                }
                Label {
                    objectName: "composerContextLabel"
                    text: "续记：" + composer.contextLabel
                    color: Theme.secondaryText
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.captionSize + 1
                    elide: Text.ElideRight
                    textFormat: Text.PlainText
                    Layout.fillWidth: true
                }
                ToolButton {
                    objectName: "cancelContextButton"
                    flat: true
                    padding: 5
                    implicitWidth: 24
                    implicitHeight: 24
                    Accessible.name: "取消续记"
                    onClicked: composer.cancelContext()
                    contentItem: SymbolIcon { name: "xmark"; color: Theme.secondaryText }
                }
            }

            ScrollView {
                id: scroller
                Layout.fillWidth: true
                Layout.preferredHeight: Math.min(240, Math.max(70, textArea.implicitHeight))
                ScrollBar.horizontal.policy: ScrollBar.AlwaysOff

                TextArea {
                    id: textArea
                    objectName: "composerText"
                    textFormat: TextEdit.PlainText
                    wrapMode: TextEdit.Wrap
                    font.family: Theme.fontFamily
                    font.pixelSize: 15
                    color: Theme.primaryText
                    selectByMouse: true
                    persistentSelection: true
                    leftPadding: 0
                    rightPadding: 0
                    topPadding: 5
                    bottomPadding: 5
                    background: null
                    Accessible.name: composer.placeholder
                    Component.onCompleted: text = composer.draft.text
                    onTextChanged: composer.draft.text = text
                    Keys.onPressed: (event) => {
                        if ((event.key === Qt.Key_Return || event.key === Qt.Key_Enter)
                                && (event.modifiers & Qt.ControlModifier)) {
                            event.accepted = true;
                            composer.send();
                        }
                    }

                    Label {
                        objectName: "composerPlaceholder"
                        // Hidden while the box has the keyboard, and while a composition shows.
                        visible: !textArea.activeFocus && textArea.length === 0
                                 && textArea.preeditText === ""
                        y: textArea.topPadding
                        text: composer.placeholder
                        color: Theme.tertiaryText
                        font: textArea.font
                    }
                }
            }

            // The pictures picked so far.
            Flow {
                visible: composer.draft.imageCount > 0 || composer.draft.storingImages > 0
                spacing: 8
                Layout.fillWidth: true
                Repeater {
                    model: composer.draft.images
                    Item {
                        id: thumbnail
                        required property var modelData
                        objectName: "draftImage"
                        width: 72
                        height: 72
                        Rectangle {
                            anchors.fill: parent
                            color: Theme.placeholderFill
                        }
                        Image {
                            anchors.fill: parent
                            source: thumbnail.modelData.url
                            asynchronous: true
                            fillMode: Image.PreserveAspectCrop
                            sourceSize: Qt.size(144, 144)
                        }
                        RoundedCorners {
                            anchors.fill: parent
                            radius: 9
                            surfaceColor: Theme.material
                        }
                        ToolButton {
                            objectName: "removeDraftImage"
                            anchors.right: parent.right
                            anchors.top: parent.top
                            anchors.margins: -6
                            flat: true
                            padding: 2
                            Accessible.name: "移除图片"
                            onClicked: composer.draft.removeImage(thumbnail.modelData.id)
                            contentItem: SymbolIcon {
                                name: "xmark.circle.fill"
                                color: Theme.dark ? "white" : "#4a4a4a"
                                implicitWidth: 18
                                implicitHeight: 18
                            }
                        }
                    }
                }
                BusyIndicator {
                    visible: composer.draft.storingImages > 0
                    running: visible
                    width: 72
                    height: 72
                }
            }

            RowLayout {
                spacing: 8
                Layout.fillWidth: true
                PaletteButton {
                    id: cardPaletteButton
                    onClicked: palette.openBelow(cardPaletteButton)
                }
                SymbolIcon {
                    visible: !composer.draft.isTodo && composer.draft.imageCount > 0
                    name: "photo"
                    color: Theme.secondaryText
                    implicitWidth: 14
                    implicitHeight: 14
                }
                Label {
                    objectName: "composerStatus"
                    text: composer.draft.isTodo ? "今日待办"
                          : composer.draft.imageCount > 0
                            ? composer.draft.imageCount + " 张图片" : ""
                    color: composer.draft.isTodo ? Theme.accent : Theme.secondaryText
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.captionSize + 1
                }
                Item { Layout.fillWidth: true }
                Label {
                    text: "Ctrl+↩"
                    color: Theme.tertiaryText
                    font.family: Theme.fontFamily
                    font.pixelSize: Theme.captionSize
                }
                AbstractButton {
                    id: sendButton
                    objectName: "sendButton"
                    enabled: composer.draft.canSubmit
                    implicitWidth: 32
                    implicitHeight: 32
                    focusPolicy: Qt.StrongFocus
                    Accessible.role: Accessible.Button
                    Accessible.name: "发送"
                    onClicked: composer.send()
                    background: Rectangle {
                        radius: 16
                        color: sendButton.enabled
                               ? (sendButton.down ? Qt.darker(Theme.accent, 1.15) : Theme.accent)
                               : Theme.placeholderFill
                        border.width: sendButton.visualFocus ? 2 : 0
                        border.color: Qt.lighter(Theme.accent, 1.5)
                    }
                    contentItem: Item {
                        SymbolIcon {
                            anchors.centerIn: parent
                            width: 14
                            height: 14
                            name: "arrow.up"
                            strokeWidth: 2.8
                            color: sendButton.enabled ? "white" : Theme.secondaryText
                        }
                    }
                }
            }
        }
    }

    // --- The creation palette
    Popup {
        id: palette
        objectName: "creationPalette"
        padding: 6
        width: 200
        function openBelow(button) {
            // Above the button: the composer sits at the bottom of the window.
            const point = button.mapToItem(composer, 0, 0);
            x = point.x;
            y = point.y - implicitHeight - 6;
            open();
        }
        background: Rectangle {
            radius: 10
            color: Theme.material
            border.width: 1
            border.color: Theme.hairline
        }
        contentItem: ColumnLayout {
            spacing: 2
            ComposerMenuRow {
                objectName: "todoModeRow"
                title: composer.draft.isTodo ? "取消今日待办" : "设为今日待办"
                symbol: composer.draft.isTodo ? "checkmark.circle.fill" : "checkmark.circle"
                onClicked: {
                    composer.draft.isTodo = !composer.draft.isTodo;
                    palette.close();
                    composer.expand();
                }
            }
            ComposerMenuRow {
                objectName: "addImageRow"
                title: "添加图片"
                symbol: "photo"
                onClicked: composer.pickImages()
            }
            ComposerMenuRow {
                objectName: "newArticleRow"
                title: "新建文章"
                symbol: "doc.text"
                onClicked: {
                    palette.close();
                    composer.createArticle();
                }
            }
        }
    }

    FileDialog {
        id: imagePicker
        title: "添加图片"
        fileMode: FileDialog.OpenFiles
        nameFilters: ["图片 (*.png *.jpg *.jpeg *.gif *.webp *.heic *.heif)"]
        onAccepted: composer.draft.addImageFiles(selectedFiles)
    }

    component PaletteButton: ToolButton {
        objectName: "paletteButton"
        flat: true
        padding: 6
        implicitWidth: 30
        implicitHeight: 30
        Accessible.name: "添加内容或新建文章"
        ToolTip.visible: hovered
        ToolTip.text: "添加内容或新建文章"
        ToolTip.delay: 600
        contentItem: SymbolIcon { name: "plus"; color: Theme.secondaryText }
    }

    component ComposerMenuRow: AbstractButton {
        id: row
        property string title
        property string symbol
        implicitWidth: 188
        implicitHeight: 32
        hoverEnabled: true
        focusPolicy: Qt.StrongFocus
        Accessible.role: Accessible.MenuItem
        Accessible.name: title
        background: Rectangle {
            radius: 6
            color: row.hovered || row.visualFocus
                   ? Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.14) : "transparent"
        }
        contentItem: RowLayout {
            spacing: 8
            SymbolIcon {
                name: row.symbol
                color: Theme.accent
                implicitWidth: 16
                implicitHeight: 16
                Layout.leftMargin: 6
            }
            Label {
                text: row.title
                color: Theme.primaryText
                font.family: Theme.fontFamily
                font.pixelSize: Theme.bodySize
                Layout.fillWidth: true
            }
        }
    }

    component ComposerSurface: Item {
        id: surface
        property bool focused: false
        property bool shadow: false
        // A soft shadow below the card: a few widening, fading outlines.
        Repeater {
            model: surface.shadow ? 4 : 0
            Rectangle {
                required property int index
                x: -index * 2
                y: 5 - index * 2 + 2
                width: surface.width + index * 4
                height: surface.height + index * 4
                radius: 16 + index * 2
                color: Qt.rgba(0, 0, 0, 0.09 / (index + 2))
            }
        }
        Rectangle {
            anchors.fill: parent
            radius: 16
            color: Theme.material
            border.width: surface.focused ? 1 : 0.75
            border.color: surface.focused
                          ? Qt.rgba(Theme.accent.r, Theme.accent.g, Theme.accent.b, 0.28)
                          : Qt.rgba(Theme.primaryText.r, Theme.primaryText.g, Theme.primaryText.b, 0.09)
        }
    }
}
