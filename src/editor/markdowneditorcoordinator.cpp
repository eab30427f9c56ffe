#include "markdowneditorcoordinator.h"

#include "markdowneditorassets.h"
#include "markdowneditorlog.h"
#include "markdowneditorpage.h"
#include "markdowneditorprofile.h"
#include "markdowneditorprotocol.h"

#include <QDir>
#include <QEventLoop>
#include <QJSEngine>
#include <QKeyEvent>
#include <QPointer>
#include <QQuickItem>
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
      m_snapshotTimeout(new QTimer(this))
{
    m_snapshotTimeout->setSingleShot(true);
    m_snapshotTimeout->setInterval(answerTimeoutMilliseconds);
    connect(m_snapshotTimeout, &QTimer::timeout, this, [this] {
        logEditorMessage(QLatin1String("the page did not answer a snapshot request"));
        finishSnapshot();
    });
    m_barrierTimeout = new QTimer(this);
    m_barrierTimeout->setSingleShot(true);
    m_barrierTimeout->setInterval(answerTimeoutMilliseconds);
    connect(m_barrierTimeout, &QTimer::timeout, this, [this] {
        logEditorMessage(QLatin1String("the page did not answer an input barrier"));
        // Later answers belong to barriers already given up on.
        m_barriersAnswered = m_barriersSent;
        releaseBarrierWaiters(m_barriersSent);
    });
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

QString MarkdownEditorCoordinator::vaultRootPathOf(const QUrl& url)
{
    const QString path = url.isLocalFile()        ? url.toLocalFile()
                         : url.scheme().isEmpty() ? url.path()
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
        takeText();
    }
    if (m_command && m_command->id() != m_lastCommandID)
        sendCommand(*m_command);
}

void MarkdownEditorCoordinator::sendDocument()
{
    ++m_documentEpoch;
    m_snapshotRevision = 0;
    setCurrentRevision(0);
    Q_EMIT scriptRequested(setDocumentCall(m_currentMarkdown, m_currentDocumentID));
}

void MarkdownEditorCoordinator::takeText()
{
    // The same document with another text (its file changed and the session took it): the page
    // applies it as an edit, keeping the caret and keys typed meanwhile, and counts on from here.
    const qint64 base = m_currentRevision;
    setCurrentMarkdown(m_markdown);
    setCurrentRevision(base + 1);
    // A snapshot asked for before this would bring back the text from before it.
    ++m_documentEpoch;
    if (m_snapshotTicket != 0)
        m_snapshotAgain = true;
    Q_EMIT scriptRequested(takeTextCall(m_currentMarkdown, m_currentDocumentID, base));
}

void MarkdownEditorCoordinator::sendCommand(const MarkdownEditorCommand& command)
{
    m_lastCommandID = command.id();
    Q_EMIT lastCommandIdChanged();
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
    } else if (type == QLatin1String("inputBarrier")) {
        receiveInputBarrier(*body);
    } else if (type == QLatin1String("requestImagePicker")) {
        if (body->value(QLatin1String("documentID")).toString() == m_currentDocumentID)
            Q_EMIT imagePickerRequested();
    } else if (type == QLatin1String("jsError")) {
        logEditorMessage(QLatin1String("JavaScript error: ") + renderMessage(*body));
    }
}

void MarkdownEditorCoordinator::applyPatch(const QJsonObject& body)
{
    const std::optional<MarkdownPatchResult> result =
        applyMarkdownPatch(body, m_currentMarkdown, m_currentRevision, m_currentDocumentID);
    if (!result) {
        // A patch of this document that does not follow on from the host's revision: the page
        // holds edits the host lacks (or the host missed one). Older than a snapshot taken in,
        // it is already part of the text.
        const std::optional<qint64> base =
            outOfStepPatchBase(body, m_currentRevision, m_currentDocumentID);
        if (base && *base >= m_snapshotRevision)
            requestSnapshot(true);
        return;
    }
    setCurrentMarkdown(result->markdown);
    setCurrentRevision(result->revision);
    ++m_patchesApplied;
    // The embedding view writes this back into `markdown`, which then equals currentMarkdown:
    // the next update sends nothing, so the page's own edit is not echoed.
    Q_EMIT markdownEdited(result->markdown);
    if (result->skipped > 0)
        requestSnapshot(true);
}

void MarkdownEditorCoordinator::synchronize(const QJSValue& done)
{
    synchronize(std::function<void()>([done]() mutable {
        if (done.isCallable())
            done.call();
    }));
}

void MarkdownEditorCoordinator::synchronize(std::function<void()> done)
{
    if (!m_ready) {
        // Nothing was typed into a page that has not loaded.
        QTimer::singleShot(0, this, std::move(done));
        return;
    }
    // A script run in the page would overtake keys still on their way through the web engine's
    // input path; a key sent behind them cannot.
    m_barrierWaiters.append({++m_barriersSent, std::move(done)});
    m_barrierTimeout->start();
    Q_EMIT inputBarrierRequested();
}

void MarkdownEditorCoordinator::sendInputBarrier(QQuickItem* webView) const
{
    QQuickItem* target = webView ? webView->scopedFocusItem() : nullptr;
    if (!target && webView && !webView->childItems().isEmpty())
        target = webView->childItems().constFirst();
    if (!target)
        return; // the barrier times out; the views go on
    QKeyEvent press(QEvent::KeyPress, Qt::Key_F24, Qt::NoModifier);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_F24, Qt::NoModifier);
    QCoreApplication::sendEvent(target, &press);
    QCoreApplication::sendEvent(target, &release);
}

void MarkdownEditorCoordinator::receiveInputBarrier(const QJsonObject& body)
{
    if (m_barriersAnswered >= m_barriersSent)
        return; // answered after its time was up
    ++m_barriersAnswered;
    const std::optional<qint64> revision = jsonInteger(body.value(QLatin1String("revision")));
    if (body.value(QLatin1String("documentID")).toString() == m_currentDocumentID &&
        revision != m_currentRevision) {
        // Every patch of the page is in, yet the revisions differ: the host's text is in doubt.
        // The waiters go on once the page's text is taken.
        while (!m_barrierWaiters.isEmpty() &&
               m_barrierWaiters.constFirst().first <= m_barriersAnswered)
            m_nextSnapshotWaiters.append(m_barrierWaiters.takeFirst().second);
        requestSnapshot(true);
        return;
    }
    releaseBarrierWaiters(m_barriersAnswered);
}

void MarkdownEditorCoordinator::releaseBarrierWaiters(quint64 answered)
{
    if (answered >= m_barriersSent)
        m_barrierTimeout->stop();
    QList<std::function<void()>> ready;
    while (!m_barrierWaiters.isEmpty() && m_barrierWaiters.constFirst().first <= answered)
        ready.append(m_barrierWaiters.takeFirst().second);
    for (const std::function<void()>& done : std::as_const(ready))
        done();
}

bool MarkdownEditorCoordinator::synchronizeAndWait(int timeoutMs)
{
    bool finished = false;
    QEventLoop loop;
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    synchronize(std::function<void()>([&finished, &loop] {
        finished = true;
        loop.quit();
    }));
    if (!finished)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    return finished;
}

void MarkdownEditorCoordinator::requestSnapshot(bool repair)
{
    m_snapshotRepair = m_snapshotRepair || repair;
    if (m_snapshotTicket != 0) {
        m_snapshotAgain = true;
        return;
    }
    m_snapshotAgain = false;
    m_snapshotTicket = ++m_nextSnapshotTicket;
    m_snapshotEpoch = m_documentEpoch;
    m_snapshotPatches = m_patchesApplied;
    m_snapshotWaiters = std::exchange(m_nextSnapshotWaiters, {});
    m_snapshotTimeout->start();
    Q_EMIT snapshotRequested(snapshotCall(), m_snapshotTicket);
}

void MarkdownEditorCoordinator::receiveSnapshot(int ticket, const QVariant& value)
{
    if (ticket == 0 || ticket != m_snapshotTicket)
        return; // answered after its time was up
    const std::optional<MarkdownPageSnapshot> snapshot = readPageSnapshot(value);
    const bool current = m_snapshotEpoch == m_documentEpoch;
    if (!snapshot) {
        // The page cannot say what it holds: make it hold what the host will save.
        logEditorMessage(QLatin1String("the page gave no snapshot; sending the host's text"));
        m_snapshotRepair = false;
        sendDocument();
        Q_EMIT pageTextRestored();
    } else if (current && snapshot->documentID == m_currentDocumentID &&
               m_snapshotPatches != m_patchesApplied) {
        // Patches the page sent after answering were applied meanwhile: the snapshot is older
        // than the host's text. That text is the page's own unless it was in doubt.
        if (m_snapshotRepair)
            m_snapshotAgain = true;
    } else if (current && snapshot->documentID == m_currentDocumentID) {
        // Nothing came in since the request: what the page holds is the truth, also when the
        // host got ahead of it with a patch the page never made.
        m_snapshotRepair = false;
        m_snapshotRevision = snapshot->revision;
        if (snapshot->markdown != m_currentMarkdown)
            logEditorMessage(
                QStringLiteral("took the page's text at revision %1 (the host was at %2)")
                    .arg(snapshot->revision)
                    .arg(m_currentRevision));
        setCurrentRevision(snapshot->revision);
        if (snapshot->markdown != m_currentMarkdown) {
            setCurrentMarkdown(snapshot->markdown);
            Q_EMIT markdownEdited(snapshot->markdown);
        }
    }
    finishSnapshot();
}

void MarkdownEditorCoordinator::finishSnapshot()
{
    m_snapshotTimeout->stop();
    m_snapshotTicket = 0;
    const QList<std::function<void()>> waiters = std::exchange(m_snapshotWaiters, {});
    for (const std::function<void()>& done : waiters)
        done();
    if (m_snapshotAgain || !m_nextSnapshotWaiters.isEmpty())
        requestSnapshot(false);
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

QQuickWebEngineProfile* MarkdownEditorCoordinator::profileFor(const QUrl& vaultRootURL) const
{
    return markdownEditorProfile(vaultRootPathOf(vaultRootURL));
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
