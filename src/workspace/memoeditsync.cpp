#include "memoeditsync.h"

#include "journal.h"
#include "vaultpaths.h"

#include <QHash>

namespace {

// The editors' saves handed to the library and not yet ended, by memo: the memo's text as its
// day file reads after each, in order. Until they end, the memo as last published may show any
// of them, or the text before; none of these is a change made elsewhere.
QHash<QString, QStringList>& savesUnderWay()
{
    static QHash<QString, QStringList> saves;
    return saves;
}

bool isBlank(const QString& text)
{
    return trimmedText(text).isEmpty();
}

// Keeps `text` of `memo` in the trash and says where; whether it was kept.
QCoro::Task<bool> keepText(QPointer<LibraryController> library, MemoRecord memo, QString text,
                           QString notice)
{
    if (!library)
        co_return false;
    const std::optional<QString> path =
        co_await library->keepMemoTextInTrashAsync(std::move(memo), std::move(text));
    if (path && library)
        library->showNotice(notice.arg(*path));
    co_return path.has_value();
}

const QString keptOnLeaving = QStringLiteral("未能保存的记录文字已留在 %1");

} // namespace

MemoEditSync::MemoEditSync(MemoEditorText* editor, QObject* parent)
    : QObject(parent), m_editor(editor)
{
}

void MemoEditSync::setLibrary(LibraryController* library)
{
    if (m_library == library)
        return;
    if (m_library)
        disconnect(m_library, nullptr, this, nullptr);
    m_library = library;
    if (m_library)
        connect(m_library, &LibraryController::memosChanged, this, &MemoEditSync::recheck);
}

bool MemoEditSync::hasSavesUnderWay(const QString& memoId)
{
    return savesUnderWay().contains(memoId);
}

void MemoEditSync::follow(const MemoRecord& memo, bool saved)
{
    m_memo = memo;
    // A save still under way is the memo's text, not the one last published.
    const auto underWay = savesUnderWay().constFind(memo.id);
    if (underWay != savesUnderWay().cend())
        m_memo.markdown = underWay->last();
    m_sentText = m_editor->textOf(m_memo);
    m_editor->takeText(m_sentText);
    m_writeUnchanged = !saved;
    m_unsaved = false;
    m_outsideText.clear();
    setState(State::agreed);
}

void MemoEditSync::stop()
{
    m_memo = MemoRecord();
    m_outsideText.clear();
    setState(State::agreed);
}

void MemoEditSync::setState(State state, const QString& message)
{
    if (m_state == state && m_message == message)
        return;
    m_state = state;
    m_message = message;
    Q_EMIT stateChanged();
}

void MemoEditSync::setBusy(bool busy)
{
    if (m_busy == busy)
        return;
    m_busy = busy;
    Q_EMIT stateChanged();
}

bool MemoEditSync::isClean() const
{
    return !m_unsaved && !savesUnderWay().contains(m_memo.id) &&
           m_editor->editorText() == m_sentText;
}

void MemoEditSync::agree(const MemoRecord& memo)
{
    m_memo = memo;
    m_sentText = m_editor->textOf(memo);
    m_unsaved = false;
    m_writeUnchanged = false;
    m_outsideText.clear();
    m_editor->takeText(m_sentText);
    setState(State::agreed);
}

void MemoEditSync::recheck()
{
    // While saves are under way the memo published may be any of them; their ends look again.
    if (m_memo.id.isEmpty() || !m_library || savesUnderWay().contains(m_memo.id))
        return;
    const std::optional<MemoRecord> published = m_library->memo(m_memo.id);
    if (!published) {
        m_outsideText.clear();
        setState(State::missing, QStringLiteral("这条记录已在别处删除。"));
        return;
    }
    if (published->markdown == m_memo.markdown) {
        m_memo.journalPath = published->journalPath;
        if (m_state == State::missing)
            setState(State::agreed);
        return;
    }
    const QString outside = m_editor->textOf(*published);
    // Changed where the editor does not reach (a follow-up, a picture of a memo edited in place):
    // the editor's text goes on over the memo as it is now.
    if (outside == m_editor->textOf(m_memo) && m_state != State::failed) {
        m_memo = *published;
        m_outsideText.clear();
        setState(State::agreed);
        if (m_unsaved) {
            m_writeUnchanged = true;
            save();
        }
        return;
    }
    // Nothing of the editor's would be lost: the new text comes in where it stands.
    if (isClean() || m_editor->editorText() == outside) {
        agree(*published);
        return;
    }
    m_outsideText = outside;
    if (m_state == State::agreed || m_state == State::missing)
        setState(State::changedOutside,
                 QStringLiteral("这条记录已在别处修改，你的修改还没有保存。"));
    else
        Q_EMIT stateChanged();
}

QCoro::Task<> MemoEditSync::save()
{
    if (m_memo.id.isEmpty() || !m_library || m_state != State::agreed)
        co_return;
    const QString text = m_editor->editorText();
    if (text == m_sentText && !m_writeUnchanged)
        co_return;
    MemoRecord next = m_memo;
    next.markdown = m_editor->markdownOf(text, m_memo);
    const QString stored = storedMemoMarkdown(next);
    const QString base = m_memo.markdown;
    m_memo.markdown = stored;
    m_sentText = text;
    m_writeUnchanged = false;
    m_unsaved = false;
    co_await writeSave(next.markdown, stored, base, text);
}

QCoro::Task<> MemoEditSync::writeSave(QString markdown, QString stored, QString base, QString text)
{
    QPointer<MemoEditSync> self(this);
    QPointer<LibraryController> library = m_library;
    const MemoRecord memo = m_memo;
    savesUnderWay()[memo.id].append(stored);

    const LibraryController::MemoSave outcome =
        co_await library->saveMemoFromAsync(memo.id, markdown, base);

    auto entry = savesUnderWay().find(memo.id);
    if (entry != savesUnderWay().end()) {
        entry->removeOne(stored);
        if (entry->isEmpty())
            savesUnderWay().erase(entry);
    }
    const bool following = self && self->m_memo.id == memo.id;
    if (outcome.result == LibraryController::MemoSave::saved) {
        if (following)
            self->recheck();
        co_return;
    }
    if (!following) {
        // The editor has gone on to another memo or away: the text must not be lost.
        co_await keepText(library, memo, text, keptOnLeaving);
        co_return;
    }
    self->m_unsaved = true;
    if (self->m_state == State::agreed) {
        switch (outcome.result) {
        case LibraryController::MemoSave::missing:
            self->setState(State::missing, QStringLiteral("这条记录已在别处删除。"));
            break;
        case LibraryController::MemoSave::changedOutside:
            self->setState(State::changedOutside,
                           QStringLiteral("这条记录已在别处修改，你的修改还没有保存。"));
            break;
        default:
            self->setState(State::failed, QStringLiteral("记录没有保存：") + outcome.error);
        }
    }
    self->recheck();
}

QCoro::Task<bool> MemoEditSync::leave()
{
    if (m_memo.id.isEmpty())
        co_return true;
    QPointer<MemoEditSync> self(this);
    QPointer<LibraryController> library = m_library;
    const MemoRecord memo = m_memo;
    const QString text = m_editor->editorText();
    if (m_state == State::agreed) {
        co_await save();
        // A save that failed while the editor still follows the memo: kept below. One that
        // failed after the editor went on was kept by the save itself.
        if (!self || self->m_memo.id != memo.id || self->m_state == State::agreed)
            co_return true;
    }
    if (text == m_outsideText || isBlank(text))
        co_return true;
    const bool kept = co_await keepText(library, memo, text, keptOnLeaving);
    co_return kept;
}

void MemoEditSync::keepMine()
{
    const std::optional<MemoRecord> published =
        m_library ? m_library->memo(m_memo.id) : std::nullopt;
    if (!published) {
        saveAgain();
        return;
    }
    // Over the version now in the day file; a change made after it is caught again.
    m_memo = *published;
    m_writeUnchanged = true;
    m_unsaved = false;
    m_outsideText.clear();
    setState(State::agreed);
    save();
}

void MemoEditSync::useOutside()
{
    useOutsideAsync();
}

QCoro::Task<> MemoEditSync::useOutsideAsync()
{
    QPointer<MemoEditSync> self(this);
    const QString text = m_editor->editorText();
    if (text != m_outsideText && !isBlank(text)) {
        setBusy(true);
        const QString notice = QStringLiteral("你的版本已留在 %1");
        const bool kept = co_await keepText(m_library, m_memo, text, notice);
        if (!self)
            co_return;
        setBusy(false);
        if (!kept)
            co_return;
    }
    const std::optional<MemoRecord> published =
        m_library ? m_library->memo(m_memo.id) : std::nullopt;
    if (published)
        agree(*published);
}

void MemoEditSync::saveCopy()
{
    saveCopyAsync(false);
}

void MemoEditSync::saveAgain()
{
    saveCopyAsync(true);
}

QCoro::Task<> MemoEditSync::saveCopyAsync(bool continueWithCopy)
{
    if (!m_library || m_busy)
        co_return;
    QPointer<MemoEditSync> self(this);
    QPointer<LibraryController> library = m_library;
    setBusy(true);
    const QString markdown = m_editor->markdownOf(m_editor->editorText(), m_memo);
    const std::optional<MemoRecord> copy = co_await library->copyMemoAsync(m_memo, markdown);
    if (!self || !library)
        co_return;
    setBusy(false);
    if (!copy)
        co_return;
    const QDateTime at = copy->createdAt.toLocalTime();
    library->showNotice(
        QStringLiteral("已另存为新记录：%1，在 %2")
            .arg(at.toString(QStringLiteral("yyyy-MM-dd HH:mm")), copy->journalPath));
    const std::optional<MemoRecord> published =
        continueWithCopy ? std::nullopt : library->memo(m_memo.id);
    if (published) {
        agree(*published);
        co_return;
    }
    const std::optional<MemoRecord> stored = library->memo(copy->id);
    m_editor->continueWith(stored.value_or(*copy));
}

void MemoEditSync::close()
{
    closeAsync();
}

QCoro::Task<> MemoEditSync::closeAsync()
{
    QPointer<MemoEditSync> self(this);
    const QString text = m_editor->editorText();
    if (!isBlank(text)) {
        setBusy(true);
        const bool kept = co_await keepText(m_library, m_memo, text, keptOnLeaving);
        if (!self)
            co_return;
        setBusy(false);
        if (!kept)
            co_return;
    }
    stop();
    m_editor->stopEditing();
}
