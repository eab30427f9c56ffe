#include "inlinememoedit.h"

#include "memocontent.h"

InlineMemoEdit::InlineMemoEdit(QObject* parent)
    : QObject(parent), m_sync(new MemoEditSync(this, this))
{
    m_saveTimer.setSingleShot(true);
    m_saveTimer.setInterval(saveDelayMilliseconds);
    connect(&m_saveTimer, &QTimer::timeout, this, [this] { m_sync->save(); });
    // A memo removed elsewhere leaves the timeline with its row, and nothing could show the
    // choices: the words go to the trash at once, and a notice says where.
    connect(m_sync, &MemoEditSync::stateChanged, this, [this] {
        const bool appeared = m_sync->isMemoMissing() && !m_memoMissing;
        m_memoMissing = m_sync->isMemoMissing();
        if (appeared)
            m_sync->close();
    });
}

InlineMemoEdit::~InlineMemoEdit()
{
    flush();
}

void InlineMemoEdit::setLibrary(LibraryController* library)
{
    if (m_library == library)
        return;
    flush();
    m_library = library;
    m_sync->setLibrary(library);
    Q_EMIT libraryChanged();
}

void InlineMemoEdit::setText(const QString& text)
{
    if (m_text == text)
        return;
    m_text = text;
    Q_EMIT textChanged();
    if (!m_memoId.isEmpty())
        m_saveTimer.start();
}

void InlineMemoEdit::takeText(const QString& text)
{
    if (m_text == text)
        return;
    m_text = text;
    Q_EMIT textChanged();
}

QString InlineMemoEdit::textOf(const MemoRecord& memo) const
{
    return textWithoutMedia(primaryMarkdown(memo));
}

QString InlineMemoEdit::markdownOf(const QString& text, const MemoRecord& memo) const
{
    return replacingPrimaryText(memo, text);
}

void InlineMemoEdit::toggle(const QString& memoId)
{
    if (memoId == m_memoId) {
        finish();
        return;
    }
    flush();
    begin(memoId);
}

void InlineMemoEdit::begin(const QString& memoId)
{
    const std::optional<MemoRecord> memo = m_library ? m_library->memo(memoId) : std::nullopt;
    if (!memo) {
        end();
        return;
    }
    continueWith(*memo);
}

void InlineMemoEdit::continueWith(const MemoRecord& memo)
{
    m_saveTimer.stop();
    // The text first, so a view that follows the id finds the memo's words already there. A memo
    // that stands for an article is edited as that article: its words here are not saved.
    if (referencedArticleLink(memo)) {
        m_sync->stop();
        takeText(textOf(memo));
    } else {
        m_sync->follow(memo);
    }
    m_memoId = memo.id;
    Q_EMIT memoIdChanged();
}

void InlineMemoEdit::finish()
{
    flush();
    end();
}

void InlineMemoEdit::end()
{
    m_saveTimer.stop();
    m_sync->stop();
    if (m_memoId.isEmpty())
        return;
    m_memoId.clear();
    Q_EMIT memoIdChanged();
}

void InlineMemoEdit::flush()
{
    m_saveTimer.stop();
    if (!m_memoId.isEmpty())
        m_sync->leave();
}

void InlineMemoEdit::saveAndWait()
{
    m_saveTimer.stop();
    if (!m_memoId.isEmpty())
        QCoro::waitFor(m_sync->leave());
}
