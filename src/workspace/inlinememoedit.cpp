#include "inlinememoedit.h"

#include "memocontent.h"

#include <QHash>

namespace {

// Saves handed to the library and not yet read back, by memo: the text, and which save it is.
// Until a save has been read back, the published memo still shows the words before it, so an
// editor opened meanwhile (the timeline shown again, the row made anew) starts from these.
struct PendingSave
{
    QString text;
    quint64 serial = 0;
};
QHash<QString, PendingSave>& pendingSaves()
{
    static QHash<QString, PendingSave> saves;
    return saves;
}

} // namespace

InlineMemoEdit::InlineMemoEdit(QObject* parent) : QObject(parent)
{
    m_saveTimer.setSingleShot(true);
    m_saveTimer.setInterval(saveDelayMilliseconds);
    connect(&m_saveTimer, &QTimer::timeout, this, &InlineMemoEdit::flush);
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
    const auto pending = pendingSaves().constFind(memoId);
    const QString text = !memo ? QString()
                         : pending != pendingSaves().cend()
                             ? pending->text
                             : textWithoutMedia(primaryMarkdown(*memo));
    m_savedText = text;
    m_memoId = memo ? memoId : QString();
    // The text first, so a view that follows the id finds the memo's words already there.
    setText(text);
    m_saveTimer.stop();
    Q_EMIT memoIdChanged();
}

void InlineMemoEdit::finish()
{
    flush();
    if (m_memoId.isEmpty())
        return;
    m_memoId.clear();
    Q_EMIT memoIdChanged();
}

void InlineMemoEdit::flush()
{
    m_saveTimer.stop();
    if (m_memoId.isEmpty() || !m_library || m_text == m_savedText)
        return;
    m_savedText = m_text;
    static quint64 serial = 0;
    const QString memoId = m_memoId;
    const quint64 save = ++serial;
    pendingSaves().insert(memoId, {m_text, save});
    // The library finds the memo, keeps its pictures and follow-ups, reports failures, and
    // has read the vault back when the save ends; the library outlives this editor.
    QCoro::connect(m_library->saveMemoTextAsync(memoId, m_text), m_library.data(),
                   [memoId, save]() {
                       const auto it = pendingSaves().constFind(memoId);
                       if (it != pendingSaves().cend() && it->serial == save)
                           pendingSaves().remove(memoId);
                   });
}
