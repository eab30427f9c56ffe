#include "memotimeline.h"

#include "memocontent.h"
#include "memorules.h"
#include "search.h"
#include "workspacetext.h"

MemoTimeline::MemoTimeline(QObject* parent)
    : QObject(parent), m_memos(new FilteredListModel(this)), m_inlineEdit(new InlineMemoEdit(this))
{
}

void MemoTimeline::setLibrary(LibraryController* library)
{
    if (m_library == library)
        return;
    Q_ASSERT(!m_library); // the model's section is tied to the first library's memos
    m_library = library;
    m_inlineEdit->setLibrary(library);
    if (m_library) {
        m_memos->addSection(m_library->memoModel(), QString(), "memoId",
                            [this]() { return visibleRows(); });
        connect(m_library, &LibraryController::memosChanged, this,
                &MemoTimeline::updateContextLabel);
    }
    m_memos->invalidate();
    updateContextLabel();
    Q_EMIT libraryChanged();
}

void MemoTimeline::setFocusDate(const QDateTime& date)
{
    if (m_focusDate == date && m_focusDate.isValid() == date.isValid())
        return;
    m_focusDate = date;
    Q_EMIT focusDateChanged();
    m_memos->invalidate();
}

void MemoTimeline::setDraft(MemoComposerDraft* draft)
{
    if (m_draft == draft)
        return;
    if (m_draft)
        disconnect(m_draft, nullptr, this, nullptr);
    m_draft = draft;
    if (m_draft)
        connect(m_draft, &MemoComposerDraft::targetMemoIdChanged, this,
                &MemoTimeline::updateContextLabel);
    updateContextLabel();
    Q_EMIT draftChanged();
}

QString MemoTimeline::title() const
{
    return m_focusDate.isValid() ? WorkspaceFormat::day(m_focusDate) : QStringLiteral("记录");
}

QString MemoTimeline::subtitle() const
{
    return m_focusDate.isValid() ? QStringLiteral("按日期筛选")
                                 : QStringLiteral("所有想法都在同一条时间流中");
}

QString MemoTimeline::emptyTitle() const
{
    return m_focusDate.isValid() ? QStringLiteral("这一天还没有记录")
                                 : QStringLiteral("从一句话开始");
}

QList<qsizetype> MemoTimeline::visibleRows() const
{
    QList<qsizetype> rows;
    if (!m_library)
        return rows;
    const QList<MemoRecord>& memos = m_library->memos();
    const std::optional<QDate> day =
        m_focusDate.isValid() ? std::optional<QDate>(memoDay(m_focusDate)) : std::nullopt;
    // The stream is sorted by time, oldest first; walking it backwards gives newest first.
    // Memos of the same instant keep their stream order, as a stable sort would.
    qsizetype end = memos.size();
    while (end > 0) {
        qsizetype start = end - 1;
        while (start > 0 && memos.at(start - 1).createdAt == memos.at(end - 1).createdAt)
            --start;
        for (qsizetype row = start; row < end; ++row) {
            if (!day || memoDay(memos.at(row).createdAt) == *day)
                rows.append(row);
        }
        end = start;
    }
    return rows;
}

void MemoTimeline::continueMemo(const QString& memoId)
{
    if (m_draft)
        m_draft->setTargetMemoId(memoId);
}

void MemoTimeline::cancelContinuation()
{
    if (m_draft)
        m_draft->setTargetMemoId({});
}

void MemoTimeline::submit(const QString& text, const QStringList& imagePaths, bool isTodo)
{
    const QString target = m_draft ? m_draft->targetMemoId() : QString();
    cancelContinuation();
    if (!m_library)
        return;
    if (isTodo)
        m_library->addTodos(text);
    else if (!target.isEmpty())
        m_library->addFollowUp(target, MemoRules::followUpText(text, imagePaths));
    else
        m_library->captureMemoAsync(text, QString(), imagePaths);
}

QString MemoTimeline::promotionTitle(const QString& memoId) const
{
    const std::optional<MemoRecord> memo = m_library ? m_library->memo(memoId) : std::nullopt;
    return memo ? MemoRules::promotionTitle(plainText(*memo)) : QString();
}

void MemoTimeline::updateContextLabel()
{
    const QString target = m_draft ? m_draft->targetMemoId() : QString();
    const std::optional<MemoRecord> memo =
        m_library && !target.isEmpty() ? m_library->memo(target) : std::nullopt;
    const QString label = memo ? MemoRules::contextLabel(plainText(*memo)) : QString();
    if (label == m_contextLabel)
        return;
    m_contextLabel = label;
    Q_EMIT contextLabelChanged();
}
