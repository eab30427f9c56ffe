#include "markdowneditorcoordinator.h"

#include "markdowneditorassets.h"
#include "markdowneditorlog.h"
#include "markdowneditorpage.h"
#include "markdowneditorprotocol.h"

#include <QDir>
#include <QJSEngine>
#include <QPointer>
#include <QQuickWebEngineProfile>
#include <QTimer>

namespace {

// The `done` function handed to the paste handler. Owned by the script engine; holds the
// coordinator weakly, and only its first answer counts.
class PasteReply : public QObject
{
    Q_OBJECT

public:
    PasteReply(MarkdownEditorCoordinator* coordinator, int ticket)
        : m_coordinator(coordinator), m_ticket(ticket)
    {
    }

    Q_INVOKABLE void resolve(const QJSValue& value)
    {
        if (m_coordinator)
            m_coordinator->completePasteImage(m_ticket,
                                              value.isString() ? value.toString() : QString());
    }
    Q_INVOKABLE void reject(const QJSValue& error)
    {
        logEditorMessage(QLatin1String("storing the pasted image failed: ") + error.toString());
        resolve(QJSValue());
    }

private:
    QPointer<MarkdownEditorCoordinator> m_coordinator;
    int m_ticket;
};

} // namespace

MarkdownEditorCoordinator::MarkdownEditorCoordinator(QObject* parent)
    : QObject(parent), m_endpoint(new MarkdownEditorMessageEndpoint(this)),
      m_assetHandler(new MarkdownEditorAssetHandler([this] { return vaultRootPath(); }, this))
{
}

MarkdownEditorCoordinator::~MarkdownEditorCoordinator() = default;

void MarkdownEditorCoordinator::setMarkdown(const QString& markdown)
{
    if (m_markdown == markdown)
        return;
    m_markdown = markdown;
    Q_EMIT markdownChanged();
    scheduleUpdate();
}

void MarkdownEditorCoordinator::setDocumentID(const QString& documentID)
{
    if (m_documentID == documentID)
        return;
    m_documentID = documentID;
    Q_EMIT documentIDChanged();
    scheduleUpdate();
}

void MarkdownEditorCoordinator::setVaultRootURL(const QUrl& url)
{
    if (m_vaultRootURL == url)
        return;
    m_vaultRootURL = url;
    Q_EMIT vaultRootURLChanged();
}

void MarkdownEditorCoordinator::setCommand(const QVariant& command)
{
    std::optional<MarkdownEditorCommand> parsed = MarkdownEditorCommand::fromVariant(command);
    const bool empty = !command.isValid() || command.isNull();
    if (!parsed && !empty)
        logEditorMessage(QLatin1String("ignored a command that is not a MarkdownEditorCommand"));
    if (parsed == m_command && empty == (!m_commandValue.isValid() || m_commandValue.isNull()))
        return;
    m_commandValue = command;
    m_command = std::move(parsed);
    Q_EMIT commandChanged();
    scheduleUpdate();
}

void MarkdownEditorCoordinator::setAutofocus(bool autofocus)
{
    if (m_autofocus == autofocus)
        return;
    m_autofocus = autofocus;
    Q_EMIT autofocusChanged();
}

void MarkdownEditorCoordinator::setPasteImageHandler(const QJSValue& handler)
{
    if (m_pasteImageHandler.strictlyEquals(handler))
        return;
    m_pasteImageHandler = handler;
    Q_EMIT pasteImageHandlerChanged();
}

void MarkdownEditorCoordinator::setDistPath(const QString& path)
{
    if (m_distPath == path)
        return;
    m_distPath = path;
    Q_EMIT distPathChanged();
}

QObject* MarkdownEditorCoordinator::messageEndpoint() const
{
    return m_endpoint;
}

QString MarkdownEditorCoordinator::messageEndpointName() const
{
    return editorBridgeObjectName();
}

QString MarkdownEditorCoordinator::vaultRootPath() const
{
    const QString path = m_vaultRootURL.isLocalFile()        ? m_vaultRootURL.toLocalFile()
                         : m_vaultRootURL.scheme().isEmpty() ? m_vaultRootURL.path()
                                                             : QString();
    return path.isEmpty() ? QString() : QDir::cleanPath(path);
}

QVariantMap MarkdownEditorCoordinator::start()
{
    setCurrentMarkdown(m_markdown);
    setCurrentDocumentID(m_documentID);
    const bool readOnly = editorHostKind(m_documentID).readOnly;
    if (m_readOnly != readOnly) {
        m_readOnly = readOnly;
        Q_EMIT readOnlyChanged();
    }
    const QString dist =
        m_distPath.isEmpty() ? findEditorPageDist(editorPageDistCandidates()) : m_distPath;
    const EditorPageLoad load = assembleEditorPage(dist);
    return {
        {QStringLiteral("script"), editorBridgeScript() + QLatin1Char('\n') +
                                       editorStartScript(m_currentMarkdown, m_currentDocumentID)},
        {QStringLiteral("kind"),
         load.kind == EditorPageLoad::Kind::html ? QStringLiteral("html") : QStringLiteral("file")},
        {QStringLiteral("html"), load.html},
        {QStringLiteral("baseUrl"), load.baseUrl},
        {QStringLiteral("url"), load.url},
        {QStringLiteral("readOnly"), m_readOnly},
    };
}

void MarkdownEditorCoordinator::scheduleUpdate()
{
    // Inputs often change together (a new document and its text); one update sees them all.
    if (m_updateScheduled)
        return;
    m_updateScheduled = true;
    QTimer::singleShot(0, this, [this] {
        if (m_updateScheduled)
            update();
    });
}

void MarkdownEditorCoordinator::update()
{
    m_updateScheduled = false;
    if (!m_ready) {
        m_pendingCommand = m_command;
        return;
    }
    if (m_documentID != m_currentDocumentID) {
        setCurrentDocumentID(m_documentID);
        setCurrentMarkdown(m_markdown);
        sendDocument();
    } else if (m_markdown != m_currentMarkdown) {
        setCurrentMarkdown(m_markdown);
        sendDocument();
    }
    if (m_command && m_command->id() != m_lastCommandID)
        sendCommand(*m_command);
}

void MarkdownEditorCoordinator::sendDocument()
{
    setCurrentRevision(0);
    Q_EMIT scriptRequested(setDocumentCall(m_currentMarkdown, m_currentDocumentID));
}

void MarkdownEditorCoordinator::sendCommand(const MarkdownEditorCommand& command)
{
    m_lastCommandID = command.id();
    Q_EMIT scriptRequested(performCommandCall(command.action()));
    QTimer::singleShot(0, this, [this] { Q_EMIT commandConsumed(); });
}

void MarkdownEditorCoordinator::pageLoadSucceeded()
{
    if (m_ready) {
        // A reload started the page again from the start values it was created with, which
        // the host's text may have left behind; without this the page's next patches would
        // apply to a text it does not hold.
        sendDocument();
    } else {
        m_ready = true;
        Q_EMIT readyChanged();
    }
    if (m_pendingCommand && m_pendingCommand->id() != m_lastCommandID) {
        const MarkdownEditorCommand command = *m_pendingCommand;
        m_pendingCommand.reset();
        sendCommand(command);
    }
    if (m_autofocus) {
        Q_EMIT scriptRequested(focusCall());
        Q_EMIT focusRequested();
    }
    // Text or document changes made while the page loaded reach it with the next update; run
    // one now rather than wait for the next input change.
    scheduleUpdate();
}

void MarkdownEditorCoordinator::pageLoadFailed(const QString& description)
{
    logEditorMessage(QLatin1String("editor navigation failed: ") + description);
}

void MarkdownEditorCoordinator::receiveMessage(const QJsonValue& value)
{
    const std::optional<QJsonObject> body = validMessageBody(value);
    if (!body)
        return;
    const QString type = body->value(QLatin1String("type")).toString();
    if (type == QLatin1String("markdownPatch")) {
        applyPatch(*body);
    } else if (type == QLatin1String("outline")) {
        if (const auto report = readOutlineReport(*body, m_currentDocumentID)) {
            QVariantList items;
            for (const MarkdownEditorOutlineItem& item : report->items)
                items.append(QVariant::fromValue(item));
            Q_EMIT outlineChanged(items, report->activePosition ? QVariant(*report->activePosition)
                                                                : QVariant::fromValue(nullptr));
        }
    } else if (type == QLatin1String("formatState")) {
        if (const auto state = readFormatStateReport(*body, m_currentDocumentID))
            Q_EMIT formatStateChanged(*state);
    } else if (type == QLatin1String("contentHeight")) {
        if (const auto height = readContentHeight(*body))
            Q_EMIT contentHeightChanged(*height);
    } else if (type == QLatin1String("pasteImage")) {
        startPaste(*body);
    } else if (type == QLatin1String("jsError")) {
        logEditorMessage(QLatin1String("JavaScript error: ") + renderMessage(*body));
    }
}

void MarkdownEditorCoordinator::applyPatch(const QJsonObject& body)
{
    const std::optional<MarkdownPatchResult> result =
        applyMarkdownPatch(body, m_currentMarkdown, m_currentRevision, m_currentDocumentID);
    if (!result)
        return;
    setCurrentMarkdown(result->markdown);
    setCurrentRevision(result->revision);
    // The embedding view writes this back into `markdown`, which then equals currentMarkdown:
    // the next update sends nothing, so the page's own edit is not echoed.
    Q_EMIT markdownEdited(result->markdown);
}

void MarkdownEditorCoordinator::startPaste(const QJsonObject& body)
{
    if (!m_pasteImageHandler.isCallable())
        return;
    const std::optional<PastedImage> image = readPastedImage(body);
    if (!image)
        return;
    const int ticket = ++m_nextPasteTicket;
    m_openPasteTickets.append(ticket);
    QTimer::singleShot(0, this, [this, ticket, image = *image] {
        runPasteHandler(ticket, image.data, image.mimeType);
    });
}

void MarkdownEditorCoordinator::runPasteHandler(int ticket, const QByteArray& data,
                                                const QString& mimeType)
{
    QJSEngine* engine = qjsEngine(this);
    if (!engine || !m_pasteImageHandler.isCallable()) {
        m_openPasteTickets.removeOne(ticket);
        return;
    }
    QJSValue reply = engine->newQObject(new PasteReply(this, ticket));
    const QJSValue resolve = reply.property(QStringLiteral("resolve"));
    const QJSValue result =
        m_pasteImageHandler.call({engine->toScriptValue(data), QJSValue(mimeType), resolve});
    if (result.isError()) {
        logEditorMessage(QLatin1String("storing the pasted image failed: ") + result.toString());
        completePasteImage(ticket, QString());
    } else if (result.isString()) {
        completePasteImage(ticket, result.toString());
    } else if (result.isObject() && result.property(QStringLiteral("then")).isCallable()) {
        result.property(QStringLiteral("then"))
            .callWithInstance(result, {resolve, reply.property(QStringLiteral("reject"))});
    } else if (result.isNull()) {
        completePasteImage(ticket, QString());
    }
    // Otherwise (undefined) the handler answers later through `done`.
}

void MarkdownEditorCoordinator::completePasteImage(int ticket, const QString& path)
{
    if (!m_openPasteTickets.removeOne(ticket))
        return;
    if (!path.isEmpty())
        Q_EMIT scriptRequested(insertImageCall(path));
}

void MarkdownEditorCoordinator::installAssetHandler(QObject* profile)
{
    auto* webProfile = qobject_cast<QQuickWebEngineProfile*>(profile);
    if (!webProfile) {
        logEditorMessage(QLatin1String("cannot serve images: no web profile given"));
        return;
    }
    webProfile->installUrlSchemeHandler(markdownEditorAssetScheme(), m_assetHandler);
}

void MarkdownEditorCoordinator::setCurrentMarkdown(const QString& markdown)
{
    if (m_currentMarkdown == markdown)
        return;
    m_currentMarkdown = markdown;
    Q_EMIT currentMarkdownChanged();
}

void MarkdownEditorCoordinator::setCurrentDocumentID(const QString& documentID)
{
    if (m_currentDocumentID == documentID)
        return;
    m_currentDocumentID = documentID;
    Q_EMIT currentDocumentIDChanged();
}

void MarkdownEditorCoordinator::setCurrentRevision(qint64 revision)
{
    if (m_currentRevision == revision)
        return;
    m_currentRevision = revision;
    Q_EMIT currentRevisionChanged();
}

MarkdownEditorMessageEndpoint::MarkdownEditorMessageEndpoint(MarkdownEditorCoordinator* coordinator)
    : QObject(coordinator), m_coordinator(coordinator)
{
}

void MarkdownEditorMessageEndpoint::postMessage(const QJsonValue& body)
{
    m_coordinator->receiveMessage(body);
}

#include "markdowneditorcoordinator.moc"
