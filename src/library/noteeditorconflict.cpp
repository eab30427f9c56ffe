// What a session does when its file changed or went away outside the application, or could not
// be written: the conflict state and the user's choices. Every choice keeps the text typed
// here, in the file, in a copy beside it or in the trash.

#include "noteeditorsession.h"

#include "vaulterror.h"

#include <QPointer>

namespace {

constexpr int conflictCode = int(VaultError::conflict);
constexpr int notFoundCode = int(VaultError::noteNotFound);

QString fileNameOf(const QString& path)
{
    return path.section(QLatin1Char('/'), -1);
}

} // namespace

QString NoteEditorSession::outsideMessage() const
{
    switch (m_outsideState) {
    case OutsideState::None:
        return {};
    case OutsideState::Conflict:
        return QStringLiteral("此文章已在其他应用中修改，这里的修改尚未保存。请选择保留哪个版本。");
    case OutsideState::Missing:
        return QStringLiteral(
            "此文章已在其他应用中删除或改名。这里的内容仍在，可以在原位置重新保存。");
    case OutsideState::SaveFailed:
        return QStringLiteral("保存失败：%1 这里的修改尚未保存。").arg(m_outsideFailure);
    }
    return {};
}

void NoteEditorSession::setOutsideState(OutsideState state, const NoteDocument& outside)
{
    if (m_outsideState == state && m_outside == outside)
        return;
    m_outsideState = state;
    m_outside = outside;
    Q_EMIT outsideStateChanged();
}

void NoteEditorSession::setResolving(bool resolving)
{
    if (m_resolving == resolving)
        return;
    m_resolving = resolving;
    Q_EMIT resolvingChanged();
}

void NoteEditorSession::adoptFile(const NoteDocument& document, bool takeText)
{
    m_debounce.stop();
    ++m_generation;
    ++m_fileEpoch;
    m_savedMarkdown = document.markdown;
    if (takeText || m_document.markdown == document.markdown) {
        m_document = document;
        setSaveState(SaveState::Saved);
    } else {
        // The edits here stay unsaved and go on top of the file's new version.
        m_document.modifiedAt = document.modifiedAt;
        setSaveState(SaveState::Waiting);
        m_debounce.start();
    }
    Q_EMIT documentChanged();
    setOutsideState(OutsideState::None);
}

void NoteEditorSession::takeOutsideDocument(const NoteDocument& outside)
{
    if (outside.path != m_document.path || isSaving() || m_resolving)
        return;
    const bool clean = !hasUnsavedText() && m_outsideState != OutsideState::Missing;
    if (outside.markdown == m_savedMarkdown && m_outsideState != OutsideState::Missing) {
        // Only the date changed (touched, or written back unchanged): nothing to decide.
        if (m_outsideState == OutsideState::Conflict) {
            adoptFile(outside, false); // the other version went away: saving goes on
        } else if (outside.modifiedAt != m_document.modifiedAt) {
            m_document.modifiedAt = outside.modifiedAt;
            Q_EMIT documentChanged();
        }
        return;
    }
    if (clean || outside.markdown == m_document.markdown) {
        adoptFile(outside, true);
        return;
    }
    if (m_outsideState == OutsideState::Missing && outside.markdown == m_savedMarkdown) {
        // Back where it was, as it was: the edits here go on as usual.
        adoptFile(outside, false);
        return;
    }
    m_debounce.stop();
    ++m_generation;
    setSaveState(SaveState::Failed, VaultError(VaultError::conflict).localizedDescription());
    setOutsideState(OutsideState::Conflict, outside);
}

void NoteEditorSession::markMissing()
{
    if (isSaving() || m_resolving || m_outsideState == OutsideState::Missing)
        return;
    m_debounce.stop();
    ++m_generation;
    setSaveState(SaveState::Failed, VaultError(VaultError::noteNotFound).localizedDescription());
    setOutsideState(OutsideState::Missing);
}

QCoro::Task<> NoteEditorSession::failWith(QString message, int vaultErrorCode)
{
    if (vaultErrorCode == notFoundCode) {
        setOutsideState(OutsideState::Missing);
    } else if (vaultErrorCode == conflictCode) {
        co_await readOutsideAgain(message);
    } else {
        m_outsideFailure = message;
        setOutsideState(OutsideState::SaveFailed);
        // The bar's text names the failure; it changed even when the state did not.
        Q_EMIT outsideStateChanged();
    }
}

QCoro::Task<> NoteEditorSession::readOutsideAgain(QString failure)
{
    QPointer<NoteEditorSession> self(this);
    std::optional<NoteDocument> outside;
    int code = -1;
    try {
        outside = co_await StorageCall(
            m_executor->run(m_repository, &VaultRepository::loadDocument, m_document.path),
            nullptr);
    } catch (const std::exception& error) {
        failure = describeError(error, &code);
    }
    if (!self)
        co_return;
    if (outside) {
        // Another program may have written this very text: then there is nothing to choose.
        if (outside->markdown == m_document.markdown) {
            adoptFile(*outside, true);
        } else {
            m_debounce.stop();
            ++m_generation;
            if (m_saveState != SaveState::Failed)
                setSaveState(SaveState::Failed,
                             VaultError(VaultError::conflict).localizedDescription());
            setOutsideState(OutsideState::Conflict, *outside);
        }
    } else if (code == notFoundCode) {
        setOutsideState(OutsideState::Missing);
    } else {
        m_outsideFailure = failure;
        setOutsideState(OutsideState::SaveFailed);
        Q_EMIT outsideStateChanged();
    }
}

void NoteEditorSession::keepMine()
{
    keepMineAsync();
}

void NoteEditorSession::useOutside()
{
    useOutsideAsync();
}

void NoteEditorSession::saveCopy()
{
    saveCopyAsync();
}

void NoteEditorSession::saveAgain()
{
    saveAgainAsync();
}

QCoro::Task<> NoteEditorSession::keepMineAsync()
{
    if (m_resolving || m_outsideState == OutsideState::None ||
        m_outsideState == OutsideState::Missing)
        co_return;
    QPointer<NoteEditorSession> self(this);
    // Written over the version the user was shown; a newer one is a conflict again.
    if (m_outsideState == OutsideState::Conflict)
        m_document.modifiedAt = m_outside.modifiedAt;
    setOutsideState(OutsideState::None);
    setSaveState(SaveState::Waiting);
    setResolving(true);
    co_await flushAsync();
    if (self)
        setResolving(false);
}

QCoro::Task<> NoteEditorSession::useOutsideAsync()
{
    co_await setMineAsideAsync(true);
}

QCoro::Task<> NoteEditorSession::saveCopyAsync()
{
    co_await setMineAsideAsync(false);
}

QCoro::Task<> NoteEditorSession::setMineAsideAsync(bool toTrash)
{
    if (m_resolving ||
        (m_outsideState != OutsideState::Conflict && m_outsideState != OutsideState::SaveFailed))
        co_return;
    QPointer<NoteEditorSession> self(this);
    setResolving(true);
    const QString mine = m_document.markdown;
    const QString path = m_document.path;
    std::optional<QString> kept;
    std::optional<NoteDocument> outside;
    QString failure;
    int code = -1;
    try {
        if (!toTrash)
            kept = co_await StorageCall(
                m_executor->run(m_repository, &VaultRepository::saveDocumentCopy, path, mine),
                nullptr);
        // The file as it is now, which may be newer than the version shown.
        outside = co_await StorageCall(
            m_executor->run(m_repository, &VaultRepository::loadDocument, path), nullptr);
        if (toTrash && outside->markdown != mine)
            kept = co_await StorageCall(
                m_executor->run(m_repository, &VaultRepository::trashDocumentText, path, mine),
                nullptr);
    } catch (const std::exception& error) {
        failure = describeError(error, &code);
    }
    if (!self)
        co_return;
    setResolving(false);
    if (kept && !toTrash) {
        Q_EMIT copySaved(*kept);
        Q_EMIT noticeRequested(QStringLiteral("已另存为副本：%1").arg(fileNameOf(*kept)));
    }
    if (!failure.isEmpty()) {
        Q_EMIT alertRequested(failure);
        if (code == notFoundCode) {
            if (kept)
                m_savedMarkdown = mine; // safe in the copy; this tab keeps it until closed
            setOutsideState(OutsideState::Missing);
        }
        co_return;
    }
    if (m_document.markdown != mine) {
        // Typed while the choice ran: those edits are in neither place, so they stay here.
        takeOutsideDocument(*outside);
        co_return;
    }
    adoptFile(*outside, true);
    if (toTrash) {
        Q_EMIT didSave();
        if (kept)
            Q_EMIT noticeRequested(QStringLiteral("已改用外部版本，原来的内容已移到废纸篓：%1")
                                       .arg(fileNameOf(*kept)));
    }
}

QCoro::Task<> NoteEditorSession::saveAgainAsync()
{
    if (m_resolving || m_outsideState != OutsideState::Missing)
        co_return;
    QPointer<NoteEditorSession> self(this);
    setResolving(true);
    const NoteDocument mine = m_document;
    std::optional<NoteDocument> restored;
    QString failure;
    int code = -1;
    try {
        restored = co_await StorageCall(
            m_executor->run(m_repository, &VaultRepository::restoreDocument, mine), nullptr);
    } catch (const std::exception& error) {
        failure = describeError(error, &code);
    }
    if (!self)
        co_return;
    setResolving(false);
    if (!restored) {
        if (code == conflictCode) {
            // A file is there again: what it holds decides, as for any outside change.
            setOutsideState(OutsideState::None);
            co_await readOutsideAgain(failure);
        } else {
            Q_EMIT alertRequested(failure);
        }
        co_return;
    }
    adoptFile(*restored, m_document.markdown == mine.markdown);
    Q_EMIT didSave();
    Q_EMIT noticeRequested(QStringLiteral("已重新保存"));
}

QCoro::Task<std::optional<QString>> NoteEditorSession::keepUnsavedCopyAsync()
{
    if (!hasUnsavedText())
        co_return std::nullopt;
    QPointer<NoteEditorSession> self(this);
    const QString mine = m_document.markdown;
    try {
        const QString copy =
            co_await StorageCall(m_executor->run(m_repository, &VaultRepository::saveDocumentCopy,
                                                 m_document.path, mine),
                                 nullptr);
        if (self)
            m_savedMarkdown = mine;
        co_return copy;
    } catch (const std::exception& error) {
        if (self)
            Q_EMIT alertRequested(describeError(error));
    }
    co_return std::nullopt;
}
