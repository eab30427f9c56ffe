#pragma once

#include "markdowneditortypes.h"

#include <QJSValue>
#include <QJsonValue>
#include <QObject>
#include <QQuickItem>
#include <QQuickWebEngineProfile>
#include <QString>
#include <QUrl>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>

#include <functional>
#include <optional>

class QTimer;
class MarkdownEditorMessageEndpoint;

// Keeps the host's copy of the document in step with the editor page. It decides what to send
// into the page (as script text, through scriptRequested) and reads what the page posts
// (receiveMessage); the web view around it only carries both. The page's own edits arrive as
// revisioned patches and are never echoed back; each command id is delivered once.
//
// Edits are never lost between the page and the host: a patch that does not fit the host's
// copy (a skipped or stale revision, a range outside the text) makes the host take the page's
// whole text (a snapshot), and a view about to save, close or quit first synchronises, which
// takes in edits still on their way.
class MarkdownEditorCoordinator : public QObject
{
    Q_OBJECT
    QML_ELEMENT

    // Inputs from the embedding view. Changing markdown, documentID or command schedules an
    // update for the end of the current event; update() runs one at once.
    Q_PROPERTY(QString markdown READ markdown WRITE setMarkdown NOTIFY markdownChanged)
    Q_PROPERTY(QString documentID READ documentID WRITE setDocumentID NOTIFY documentIDChanged)
    Q_PROPERTY(QUrl vaultRootURL READ vaultRootURL WRITE setVaultRootURL NOTIFY vaultRootURLChanged)
    // A MarkdownEditorCommand, an object {id, kind, value}, or null.
    Q_PROPERTY(QVariant command READ command WRITE setCommand NOTIFY commandChanged)
    Q_PROPERTY(bool autofocus READ autofocus WRITE setAutofocus NOTIFY autofocusChanged)
    // function(data: ArrayBuffer, mimeType: string, done: function(path)) that stores a pasted
    // image; it returns the Markdown path, a promise of it, or calls done with it later.
    Q_PROPERTY(QJSValue pasteImageHandler READ pasteImageHandler WRITE setPasteImageHandler NOTIFY
                   pasteImageHandlerChanged)
    // The page's dist folder; empty means the application's own (editorPageDistCandidates()).
    Q_PROPERTY(QString distPath READ distPath WRITE setDistPath NOTIFY distPathChanged)

    // State mirrored from the page.
    Q_PROPERTY(bool ready READ isReady NOTIFY readyChanged)
    Q_PROPERTY(bool readOnly READ isReadOnly NOTIFY readOnlyChanged)
    Q_PROPERTY(QString currentMarkdown READ currentMarkdown NOTIFY currentMarkdownChanged)
    Q_PROPERTY(QString currentDocumentID READ currentDocumentID NOTIFY currentDocumentIDChanged)
    Q_PROPERTY(qint64 currentRevision READ currentRevision NOTIFY currentRevisionChanged)
    // The id of the last command sent to the page ("" before the first), so that a view can tell
    // whether `commandConsumed` is about the command it holds or an earlier one.
    Q_PROPERTY(QString lastCommandId READ lastCommandIdText NOTIFY lastCommandIdChanged)
    // The object published on the web channel; its only method is postMessage(body).
    Q_PROPERTY(QObject* messageEndpoint READ messageEndpoint CONSTANT)
    Q_PROPERTY(QString messageEndpointName READ messageEndpointName CONSTANT)

public:
    explicit MarkdownEditorCoordinator(QObject* parent = nullptr);
    ~MarkdownEditorCoordinator() override;

    QString markdown() const { return m_markdown; }
    void setMarkdown(const QString& markdown);
    QString documentID() const { return m_documentID; }
    void setDocumentID(const QString& documentID);
    QUrl vaultRootURL() const { return m_vaultRootURL; }
    void setVaultRootURL(const QUrl& url);
    QVariant command() const { return m_commandValue; }
    void setCommand(const QVariant& command);
    bool autofocus() const { return m_autofocus; }
    void setAutofocus(bool autofocus);
    QJSValue pasteImageHandler() const { return m_pasteImageHandler; }
    void setPasteImageHandler(const QJSValue& handler);
    QString distPath() const { return m_distPath; }
    void setDistPath(const QString& path);

    bool isReady() const { return m_ready; }
    // From the document id the page started with.
    bool isReadOnly() const { return m_readOnly; }
    QString currentMarkdown() const { return m_currentMarkdown; }
    QString currentDocumentID() const { return m_currentDocumentID; }
    qint64 currentRevision() const { return m_currentRevision; }
    std::optional<QUuid> lastCommandID() const { return m_lastCommandID; }
    QString lastCommandIdText() const
    {
        return m_lastCommandID ? m_lastCommandID->toString(QUuid::WithoutBraces) : QString();
    }
    std::optional<MarkdownEditorCommand> pendingCommand() const { return m_pendingCommand; }
    QObject* messageEndpoint() const;
    QString messageEndpointName() const;

    // The vault root as a standardised folder path (dot segments removed).
    QString vaultRootPath() const { return vaultRootPathOf(m_vaultRootURL); }
    static QString vaultRootPathOf(const QUrl& url);

    // Takes the current inputs as the document the page starts with and describes what to load:
    // {script, kind ("html" or "file"), html, baseUrl, url, readOnly}. `script` is the code to
    // inject at document creation in the main frame.
    Q_INVOKABLE QVariantMap start();

    // Brings the page in step with the inputs: parks the command while not ready, sends the
    // document when its id or text changed from outside the page, delivers a new command once.
    Q_INVOKABLE void update();

    // The page's main navigation finished (again, after a reload) or failed.
    Q_INVOKABLE void pageLoadSucceeded();
    Q_INVOKABLE void pageLoadFailed(const QString& description);

    // A message the page posted to window.webkit.messageHandlers.larchNotes.
    Q_INVOKABLE void receiveMessage(const QJsonValue& body);

    // The web profile for editors of the vault at `vaultRootURL` (see markdownEditorProfile).
    Q_INVOKABLE QQuickWebEngineProfile* profileFor(const QUrl& vaultRootURL) const;

    // The end of a paste: inserts `path` into the page unless it is empty. Each ticket counts once.
    void completePasteImage(int ticket, const QString& path);

    // Calls `done` (a function; optional) once every edit of the keys typed so far is in the
    // host: an input barrier goes to the page behind those keys (inputBarrierRequested), and the
    // page answers after their patches. An answer at another revision than the host's puts the
    // text in doubt: the host then takes the page's text first. Without a loaded page, `done`
    // runs on the next turn.
    Q_INVOKABLE void synchronize(const QJSValue& done = QJSValue());
    void synchronize(std::function<void()> done);
    // The same, waiting for the page with a local event loop: for quitting. False when the page
    // did not answer within `timeoutMs`.
    Q_INVOKABLE bool synchronizeAndWait(int timeoutMs = 2000);
    // Sends the input barrier to the web view (a WebEngineView): a key press no keyboard has,
    // delivered to the item that passes the user's keys on to the page, so it follows them.
    Q_INVOKABLE void sendInputBarrier(QQuickItem* webView) const;
    // The page's answer to the snapshotRequested script with that ticket.
    Q_INVOKABLE void receiveSnapshot(int ticket, const QVariant& snapshot);
    // How long the page may take to answer a barrier or a snapshot before waiting views go on.
    static constexpr int answerTimeoutMilliseconds = 3000;

Q_SIGNALS:
    void markdownChanged();
    void documentIDChanged();
    void vaultRootURLChanged();
    void commandChanged();
    void autofocusChanged();
    void pasteImageHandlerChanged();
    void distPathChanged();
    void readyChanged();
    void readOnlyChanged();
    void currentMarkdownChanged();
    void currentDocumentIDChanged();
    void currentRevisionChanged();
    void lastCommandIdChanged();

    // Script text to evaluate in the page's main frame; results are not used.
    void scriptRequested(const QString& script);
    // Script text whose result the view passes back through receiveSnapshot(ticket, result).
    void snapshotRequested(const QString& script, int ticket);
    // The view should send the input barrier (sendInputBarrier) to its web view.
    void inputBarrierRequested();
    // The page is ready and autofocus is set: the view should take keyboard focus.
    void focusRequested();

    // The page edited the document: the embedding view writes `markdown` back into its model.
    void markdownEdited(const QString& markdown);
    // The current command was delivered; the embedding view may clear it.
    void commandConsumed();
    // items: MarkdownEditorOutlineItem values; activePosition: an int or null.
    void outlineChanged(const QVariantList& items, const QVariant& activePosition);
    void formatStateChanged(const MarkdownEditorFormatState& state);
    void contentHeightChanged(double height);
    // The user asked the page to insert an image from a file (Ctrl+Shift+I).
    void imagePickerRequested();
    // The page could not say what it holds after an edit did not apply; the host sent its own
    // text back, so the page's last edits are gone. The view tells the user.
    void pageTextRestored();

private:
    void scheduleUpdate();
    void sendDocument();
    void takeText();
    void sendCommand(const MarkdownEditorCommand& command);
    void setCurrentMarkdown(const QString& markdown);
    void setCurrentDocumentID(const QString& documentID);
    void setCurrentRevision(qint64 revision);
    void applyPatch(const QJsonObject& body);
    void startPaste(const QJsonObject& body);
    void runPasteHandler(int ticket, const QByteArray& data, const QString& mimeType);
    // Asks for a snapshot now, or once the one under way has answered. `repair`: the host's text
    // is in doubt (a patch did not fit), so only the page's text will do.
    void requestSnapshot(bool repair);
    void finishSnapshot();
    void receiveInputBarrier(const QJsonObject& body);
    // Runs the waiters of barriers up to `answered`.
    void releaseBarrierWaiters(quint64 answered);

    QString m_markdown;
    QString m_documentID;
    QUrl m_vaultRootURL;
    QVariant m_commandValue;
    std::optional<MarkdownEditorCommand> m_command;
    bool m_autofocus = false;
    QJSValue m_pasteImageHandler;
    QString m_distPath;

    QString m_currentMarkdown;
    QString m_currentDocumentID;
    qint64 m_currentRevision = 0;
    bool m_ready = false;
    bool m_readOnly = false;
    bool m_updateScheduled = false;
    std::optional<QUuid> m_lastCommandID;
    std::optional<MarkdownEditorCommand> m_pendingCommand;
    int m_nextPasteTicket = 0;
    QList<int> m_openPasteTickets;

    // Set-document calls sent so far: a snapshot taken before the latest one is out of date.
    quint64 m_documentEpoch = 0;
    // Edits up to this revision came in with a snapshot; older patches are already in the text.
    qint64 m_snapshotRevision = 0;
    int m_nextSnapshotTicket = 0;
    int m_snapshotTicket = 0; // the request under way, 0 for none
    quint64 m_snapshotEpoch = 0;
    bool m_snapshotAgain = false;
    bool m_snapshotRepair = false;
    // Patches applied so far, and at the time of the request under way.
    quint64 m_patchesApplied = 0;
    quint64 m_snapshotPatches = 0;
    // Input barriers sent and answered; each waiter waits for the barrier sent for it.
    quint64 m_barriersSent = 0;
    quint64 m_barriersAnswered = 0;
    QList<QPair<quint64, std::function<void()>>> m_barrierWaiters;
    QList<std::function<void()>> m_snapshotWaiters; // served by the request under way
    QList<std::function<void()>> m_nextSnapshotWaiters;

    MarkdownEditorMessageEndpoint* m_endpoint = nullptr;
    QTimer* m_snapshotTimeout = nullptr;
    QTimer* m_barrierTimeout = nullptr;
};

// What the page sees of the host on the web channel: one method, nothing else.
class MarkdownEditorMessageEndpoint : public QObject
{
    Q_OBJECT

public:
    explicit MarkdownEditorMessageEndpoint(MarkdownEditorCoordinator* coordinator);
    Q_INVOKABLE void postMessage(const QJsonValue& body);

private:
    MarkdownEditorCoordinator* m_coordinator;
};
