#include "memoeditorstate.h"

#include "workspacetext.h"

#include <qcorotask.h>

MemoEditorState::MemoEditorState(QObject* parent) : QObject(parent)
{
    m_autosave.setSingleShot(true);
    m_autosave.setInterval(autosaveMilliseconds);
    m_autosave.setTimerType(Qt::PreciseTimer);
    connect(&m_autosave, &QTimer::timeout, this, &MemoEditorState::save);
}

MemoEditorState::~MemoEditorState()
{
    if (m_autosave.isActive())
        save();
}

void MemoEditorState::setLibrary(LibraryController* library)
{
    if (m_library == library)
        return;
    if (m_library)
        disconnect(m_library, nullptr, this, nullptr);
    m_library = library;
    if (m_library)
        connect(m_library, &LibraryController::memosChanged, this, &MemoEditorState::updateTitle);
    Q_EMIT libraryChanged();
    updateTitle();
}

void MemoEditorState::setMemoId(const QString& id)
{
    if (m_memoId == id)
        return;
    m_memoId = id;
    Q_EMIT memoIdChanged();
    updateTitle();
}

void MemoEditorState::setMarkdown(const QString& markdown)
{
    if (m_markdown == markdown)
        return;
    m_markdown = markdown;
    Q_EMIT markdownChanged();
    if (m_loaded)
        m_autosave.start();
}

void MemoEditorState::load()
{
    const std::optional<MemoRecord> memo =
        m_library ? m_library->memo(m_memoId) : std::optional<MemoRecord>();
    if (!memo) {
        Q_EMIT finished();
        return;
    }
    m_journalPath = memo->journalPath;
    m_loaded = true;
    Q_EMIT loadedChanged();
    if (m_markdown != memo->markdown) {
        m_markdown = memo->markdown;
        Q_EMIT markdownChanged();
    }
    // Taking the text in is a change like any other: the unchanged text is saved once.
    m_autosave.start();
}

void MemoEditorState::save()
{
    m_autosave.stop();
    if (m_library && m_loaded)
        m_library->editMemo(m_memoId, m_markdown);
}

void MemoEditorState::goBack()
{
    goBackAsync();
}

QCoro::Task<> MemoEditorState::goBackAsync()
{
    QPointer<MemoEditorState> self(this);
    m_autosave.stop();
    if (m_library && m_loaded)
        co_await m_library->editMemoAsync(m_memoId, m_markdown);
    if (self)
        Q_EMIT finished();
}

void MemoEditorState::saveAndWait()
{
    if (!m_autosave.isActive() || !m_library)
        return;
    m_autosave.stop();
    QCoro::waitFor(m_library->editMemoAsync(m_memoId, m_markdown));
}

void MemoEditorState::updateTitle()
{
    const std::optional<MemoRecord> memo =
        m_library ? m_library->memo(m_memoId) : std::optional<MemoRecord>();
    const QString title = memo ? WorkspaceFormat::day(memo->createdAt) + QStringLiteral(" · ") +
                                     WorkspaceFormat::time(memo->createdAt)
                               : QStringLiteral("记录");
    if (m_title == title)
        return;
    m_title = title;
    Q_EMIT titleChanged();
}
