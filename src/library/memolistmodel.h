#pragma once

#include "listmodelbase.h"
#include "vaultrecords.h"

// The published memo stream, in the order the vault lists it.
//
// Roles (QML names):
// - memoId: the memo's id ("memo-" + UUID)
// - createdAt: QDateTime of creation
// - day: QDate of creation, local calendar day
// - journalPath: vault path of its day file
// - markdown: its whole text, follow-ups included
// - folderPath: the folder it was captured in
// Derived from the text, computed when a view asks:
// - primaryMarkdown: its own text without follow-ups
// - plainText: one plain-text rendering for previews ("空白记录" when empty)
// - textWithoutMedia: its own text without image lines; a lone article link becomes its text
// - tags: the names of its "#tags", in order
// - images: list of {altText, markdownPath} of its own text (paths as written)
// - followUps: list of {timestamp, markdown}
// - isArticleReference: whether the memo is nothing but a link to an article
class MemoListModel : public ListModelBase
{
    Q_OBJECT

public:
    enum Role {
        IdRole = Qt::UserRole + 1,
        CreatedAtRole,
        DayRole,
        JournalPathRole,
        MarkdownRole,
        FolderPathRole,
        PrimaryMarkdownRole,
        PlainTextRole,
        TagsRole,
        ImagesRole,
        FollowUpsRole,
        IsArticleReferenceRole,
        TextWithoutMediaRole,
    };

    using ListModelBase::ListModelBase;

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    const QList<MemoRecord>& memos() const { return m_memos; }
    void setMemos(const QList<MemoRecord>& memos);

private:
    QList<MemoRecord> m_memos;
};
