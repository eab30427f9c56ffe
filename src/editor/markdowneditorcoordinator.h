#pragma once

#include "markdowneditortypes.h"

#include <QJSValue>
#include <QJsonValue>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>
#include <QtQml/qqmlregistration.h>

#include <optional>

class MarkdownEditorAssetHandler;
class MarkdownEditorMessageEndpoint;

// Keeps the host's copy of the document in step with the editor page. It decides what to send
// into the page (as script text, through scriptRequested) and reads what the page posts
// (receiveMessage); the web view around it only carries both. The page's own edits arrive as
// revisioned patches and are never echoed back; each command id is delivered once.
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
    std::optional<MarkdownEditorCommand> pendingCommand() const { return m_pendingCommand; }
    QObject* messageEndpoint() const;
    QString messageEndpointName() const;

    // The vault root as a standardised folder path (dot segments removed).
    QString vaultRootPath() const;

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

    // Serves the asset scheme for views of `profile` (a WebEngineProfile).
    Q_INVOKABLE void installAssetHandler(QObject* profile);

    // The end of a paste: inserts `path` into the page unless it is empty. Each ticket counts once.
    void completePasteImage(int ticket, const QString& path);

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

    // Script text to evaluate in the page's main frame; results are not used.
    void scriptRequested(const QString& script);
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

private:
    void scheduleUpdate();
    void sendDocument();
    void sendCommand(const MarkdownEditorCommand& command);
    void setCurrentMarkdown(const QString& markdown);
    void setCurrentDocumentID(const QString& documentID);
    void setCurrentRevision(qint64 revision);
    void applyPatch(const QJsonObject& body);
    void startPaste(const QJsonObject& body);
    void runPasteHandler(int ticket, const QByteArray& data, const QString& mimeType);

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

    MarkdownEditorMessageEndpoint* m_endpoint = nullptr;
    MarkdownEditorAssetHandler* m_assetHandler = nullptr;
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
