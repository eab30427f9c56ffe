#include "memoeditorstate.h"

#include "workspacetext.h"

#include <qcorotask.h>

MemoEditorState::MemoEditorState(QObject* parent)
    : QObject(parent), m_sync(new MemoEditSync(this, this))
{
    m_autosave.setSingleShot(true);
    m_autosave.setInterval(autosaveMilliseconds);
    m_autosave.setTimerType(Qt::PreciseTimer);
    connect(&m_autosave, &QTimer::timeout, this, &MemoEditorState::save);
}

MemoEditorState::~MemoEditorState()
{
    m_autosave.stop();
    if (m_loaded)
        m_sync->leave();
}

void MemoEditorState::setLibrary(LibraryController* library)
{
    if (m_library == library)
        return;
    if (m_library)
        disconnect(m_library, nullptr, this, nullptr);
    m_library = library;
    m_sync->setLibrary(library);
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
    // Taking the text in is a change like any other: the unchanged text is saved once.
    m_sync->follow(*memo, false);
    m_autosave.start();
}

void MemoEditorState::takeText(const QString& text)
{
    if (m_markdown == text)
        return;
    m_markdown = text;
    Q_EMIT markdownChanged();
}

void MemoEditorState::continueWith(const MemoRecord& memo)
{
    m_autosave.stop();
    m_journalPath = memo.journalPath;
    setMemoId(memo.id);
    m_sync->follow(memo);
    Q_EMIT loadedChanged();
}

void MemoEditorState::save()
{
    m_autosave.stop();
    if (m_loaded)
        m_sync->save();
}

void MemoEditorState::goBack()
{
    goBackAsync();
}

QCoro::Task<> MemoEditorState::goBackAsync()
{
    QPointer<MemoEditorState> self(this);
    m_autosave.stop();
    bool safe = true;
    if (m_loaded)
        safe = co_await m_sync->leave();
    if (self && safe)
        Q_EMIT finished();
}

void MemoEditorState::saveAndWait()
{
    m_autosave.stop();
    if (m_loaded)
        QCoro::waitFor(m_sync->leave());
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
