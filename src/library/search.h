#pragma once

#include "articlesearchindex.h"
#include "memocontent.h"
#include "searchfold.h"
#include "vaultrecords.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QThreadPool>

#include <optional>

// Search over published contents. Pure functions over values, callable from any thread; the
// controller and the command-line program share them.

// The local calendar day of a date. Memo dates are read as local times already; converting only
// the others keeps work over 20,000 memos cheap.
QDate memoDay(const QDateTime& date);

// The folded query split at white space, empty pieces dropped.
QStringList searchTokens(const QString& query);

// Whether the article at `notePath` lies in `folderPath` or one of its subfolders; every
// article lies in the root ("").
bool isNoteInFolder(const QString& notePath, const QString& folderPath);

// The folder of a vault-relative path: its pieces without the last, "" at the root.
QString parentFolderPath(const QString& path);

// What the searches of a snapshot's notes use, row for row: the vault's search index when the
// snapshot carries one (each row's slot in it), the folded titles for ranking, the case-folded
// ones for the sidebar, the tags and the dates. Texts are folded, from each note's text, only
// for the notes that the index cannot rule in or out.
struct NoteSearchIndex
{
    std::shared_ptr<const ArticleSearchIndex> articles;
    QList<qint32> slotOfRow;     // per row; -1 for a row the index does not hold
    QList<qint32> rowsBySlot;    // per slot; -1 for a slot of no row
    QList<QStringList> tags;     // of the searchable content; none for a single search
    QList<qint64> modifiedMsecs; // since the epoch: ranking compares dates without time zones
    QStringList foldedTitles;
    QStringList caseFoldedTitles;
};
// For one search (the command-line program): without tags, which would read every text.
NoteSearchIndex buildNoteSearchIndex(const VaultSnapshot& snapshot);
// Without a vault index: every note is checked by its text.
NoteSearchIndex buildNoteSearchIndex(const QList<NoteSummary>& notes);
// With the tags, taking the rows of notes whose title and text did not change from `previous`,
// the index of `previousNotes`, and folding the others on the threads of `pool` (the global pool
// when none is given).
NoteSearchIndex buildNoteSearchIndex(const QList<NoteSummary>& notes,
                                     const QList<NoteSummary>& previousNotes,
                                     const NoteSearchIndex& previous, QThreadPool* pool = nullptr);
NoteSearchIndex buildNoteSearchIndex(const VaultSnapshot& snapshot,
                                     const QList<NoteSummary>& previousNotes,
                                     const NoteSearchIndex& previous, QThreadPool* pool = nullptr);

// Folded texts of memos, row for row: the Markdown, a space, and its tags joined by spaces;
// and the tags themselves.
struct MemoSearchIndex
{
    QStringList foldedTexts;
    QList<QStringList> tags;
};
MemoSearchIndex buildMemoSearchIndex(const QList<MemoRecord>& memos);

// Articles whose text holds every token of `query`, in `folderPath` when given; with no tokens,
// every article of the folder, or nothing without a folder. Ranked: title equal to the query,
// then title starting with it, then the rest; later modification first within a rank.
QList<NoteSummary> searchArticles(const QList<NoteSummary>& notes, const NoteSearchIndex& index,
                                  const QString& query,
                                  const std::optional<QString>& folderPath = {});
// The same as rows of `notes`; only the rows in `candidates` (ascending) are looked at when
// given.
QList<qsizetype> searchArticleRows(const QList<NoteSummary>& notes, const NoteSearchIndex& index,
                                   const QString& query,
                                   const std::optional<QString>& folderPath = {},
                                   const QList<qsizetype>* candidates = nullptr);

// Memos (in their order) whose text holds every token of `query`, created on `day` when given;
// with no tokens, that day's memos, or nothing without a day. Days are local calendar days.
QList<MemoRecord> searchMemos(const QList<MemoRecord>& memos, const MemoSearchIndex& index,
                              const QString& query, const std::optional<QDate>& day = {});
// The same as rows of `memos`; only the rows in `candidates` (ascending) are looked at when
// given.
QList<qsizetype> searchMemoRows(const QList<MemoRecord>& memos, const MemoSearchIndex& index,
                                const QString& query, const std::optional<QDate>& day = {},
                                const QList<qsizetype>* candidates = nullptr);

// Whether every text matching the tokens `after` also matches `before` (each token before lies
// inside a token after), so that a search for `after` need only look among the results for
// `before`: typing on at the end of a query narrows it.
bool narrowsSearch(const QStringList& before, const QStringList& after);

// Every tag of the lists once, sorted for people (numbers by value, case ignored).
QStringList tagUnion(const QList<QStringList>& tagLists);

// Whether `tags` holds every one of `required` (all of them; none required matches anything).
bool hasEveryTag(const QStringList& tags, const QStringList& required);

// Rows of `notes` newest first (a stable sort: equal dates keep their order), in `folderPath`
// and its subfolders when given.
QList<qsizetype> notesNewestFirst(const QList<NoteSummary>& notes,
                                  const std::optional<QString>& folderPath = {});

// The sidebar's article list: the selection applied, then the search text (trimmed; blank
// means no filter) looked for in the title or the searchable content, ignoring case.
QList<NoteSummary> filteredNotes(const QList<NoteSummary>& notes, const NoteSearchIndex& index,
                                 const LibrarySelection& selection, const QString& searchText);

// The folder paths shown in the sidebar: without the quick-capture folder and its subfolders,
// sorted for people (numbers by value, case ignored).
QStringList visibleFolders(const QList<FolderItem>& folders);
