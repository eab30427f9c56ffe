#include "noteeditorsession.h"

#include "vaulterror.h"

#include <QUuid>

#include <QPointer>
#include <QPromise>

QString describeError(const std::exception& error, int* vaultErrorCode)
{
    const auto* vaultError = dynamic_cast<const VaultError*>(&error);
    if (vaultErrorCode)
        *vaultErrorCode = vaultError ? int(vaultError->code()) : -1;
    const auto* storageError = dynamic_cast<const StorageError*>(&error);
    return storageError ? storageError->localizedDescription()
                        : QString::fromLocal8Bit(error.what());
}

NoteEditorSession::NoteEditorSession(const NoteDocument& document,
                                     std::shared_ptr<const VaultRepository> repository,
                                     std::shared_ptr<RepositoryExecutor> executor, QObject* parent)
    : QObject(parent), m_id(QUuid::createUuid().toString(QUuid::WithoutBraces)),
      m_document(document), m_savedMarkdown(document.markdown), m_repository(std::move(repository)),
      m_executor(std::move(executor))
{
    m_debounce.setSingleShot(true);
    m_debounce.setInterval(debounceMilliseconds);
    // The debounce is the only timer that decides when a burst of typing ends; keep it exact.
    m_debounce.setTimerType(Qt::PreciseTimer);
    connect(&m_debounce, &QTimer::timeout, this, &NoteEditorSession::flush);
}

QString NoteEditorSession::title() const
{
    QString name = m_document.path.section(QLatin1Char('/'), -1);
    if (name.endsWith(QLatin1String(".md"), Qt::CaseInsensitive))
        name.chop(3);
    return name;
}

void NoteEditorSession::updateMarkdown(const QString& markdown)
{
    if (m_document.markdown == markdown)
        return;
    m_document.markdown = markdown;
    Q_EMIT documentChanged();
    // While the file holds another version or is gone, nothing is written over it: the text
    // waits for the user's choice.
    if (m_outsideState == OutsideState::Conflict || m_outsideState == OutsideState::Missing)
        return;
    setSaveState(SaveState::Waiting);
    m_debounce.start();
}

void NoteEditorSession::flush()
{
    flushAsync();
}

QCoro::Task<> NoteEditorSession::flushAsync()
{
    // The session may be closed while a save runs: the save still ends, and whoever awaits this
    // flush still resumes, but nothing of the session is touched any more.
    QPointer<NoteEditorSession> self(this);
    m_debounce.stop();
    const quint64 generation = m_generation;
    // A save under way is awaited rather than raced: saving now would carry the file date from
    // before that save and be refused as a conflict with our own write.
    while (!m_runningSave.isFinished()) {
        const QFuture<void> running = m_runningSave;
        co_await StorageCall(running, nullptr);
        if (!self || m_generation != generation)
            co_return;
    }
    if (m_saveState != SaveState::Waiting || m_outsideState == OutsideState::Conflict ||
        m_outsideState == OutsideState::Missing)
        co_return;

    const NoteDocument snapshot = m_document;
    setSaveState(SaveState::Saving);
    QPromise<void> running;
    running.start();
    m_runningSave = running.future();
    std::optional<NoteDocument> saved;
    QString failure;
    int code = -1;
    try {
        saved = co_await StorageCall(
            m_executor->run(m_repository, &VaultRepository::saveDocument, snapshot), nullptr);
    } catch (const std::exception& error) {
        failure = describeError(error, &code);
    }
    running.finish();
    if (!self)
        co_return;

    ++m_fileEpoch;
    if (saved) {
        m_savedMarkdown = saved->markdown;
        if (m_outsideState == OutsideState::SaveFailed)
            setOutsideState(OutsideState::None);
        if (m_document.path == snapshot.path && m_document.markdown == snapshot.markdown) {
            m_document = *saved;
            Q_EMIT documentChanged();
            setSaveState(SaveState::Saved);
            Q_EMIT didSave();
        } else {
            // The file now holds our own write; newer edits save on top of it.
            m_document.modifiedAt = saved->modifiedAt;
            Q_EMIT documentChanged();
            setSaveState(SaveState::Waiting);
        }
    } else {
        setSaveState(SaveState::Failed, failure);
        Q_EMIT saveFailed(failure);
        co_await failWith(failure, code);
    }
}

void NoteEditorSession::cancelPendingSave()
{
    m_debounce.stop();
    ++m_generation;
}

void NoteEditorSession::replaceDocument(const NoteDocument& document)
{
    m_debounce.stop();
    ++m_generation;
    m_savedMarkdown = document.markdown;
    if (!(m_document == document)) {
        m_document = document;
        Q_EMIT documentChanged();
    }
    setSaveState(SaveState::Saved);
    setOutsideState(OutsideState::None);
}

void NoteEditorSession::setSaveState(SaveState state, const QString& failureMessage)
{
    if (m_saveState == state && m_saveFailureMessage == failureMessage)
        return;
    m_saveState = state;
    m_saveFailureMessage = failureMessage;
    Q_EMIT saveStateChanged();
}
