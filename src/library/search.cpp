#include "search.h"

#include "articlelisting.h"
#include "memocontent.h"
#include "vaultpaths.h"

#include <QtConcurrent/QtConcurrentMap>

#include <algorithm>

namespace {

bool containsEveryToken(const QString& text, const QStringList& tokens)
{
    for (const QString& token : tokens) {
        if (!text.contains(token))
            return false;
    }
    return true;
}

} // namespace

QDate memoDay(const QDateTime& date)
{
    return date.timeSpec() == Qt::LocalTime ? date.date() : date.toLocalTime().date();
}

QStringList searchTokens(const QString& query)
{
    const QString folded = foldForSearch(query);
    QStringList tokens;
    qsizetype start = -1;
    for (qsizetype i = 0; i <= folded.size(); ++i) {
        const bool space = i == folded.size() || folded.at(i).isSpace();
        if (space && start >= 0) {
            tokens.append(folded.mid(start, i - start));
            start = -1;
        } else if (!space && start < 0) {
            start = i;
        }
    }
    return tokens;
}

QString parentFolderPath(const QString& path)
{
    QStringList pieces = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (!pieces.isEmpty())
        pieces.removeLast();
    return pieces.join(QLatin1Char('/'));
}

bool isNoteInFolder(const QString& notePath, const QString& folderPath)
{
    if (folderPath.isEmpty())
        return true;
    const QString folder = parentFolderPath(notePath);
    return folder == folderPath ||
           (folder.startsWith(folderPath) && folder.at(folderPath.size()) == QLatin1Char('/'));
}

NoteSearchIndex buildNoteSearchIndex(const QList<NoteSummary>& notes)
{
    NoteSearchIndex index;
    index.slotOfRow = QList<qint32>(notes.size(), -1);
    index.foldedTitles.reserve(notes.size());
    index.caseFoldedTitles.reserve(notes.size());
    for (const NoteSummary& note : notes) {
        index.foldedTitles.append(foldForSearch(note.title));
        index.caseFoldedTitles.append(note.title.toCaseFolded());
    }
    return index;
}

NoteSearchIndex buildNoteSearchIndex(const VaultSnapshot& snapshot)
{
    if (!snapshot.searchIndex || snapshot.searchSlots.size() != snapshot.notes.size())
        return buildNoteSearchIndex(snapshot.notes);
    NoteSearchIndex index;
    index.articles = snapshot.searchIndex;
    index.slotOfRow = snapshot.searchSlots;
    index.rowsBySlot = QList<qint32>(index.articles->slotCount(), -1);
    index.foldedTitles.reserve(snapshot.notes.size());
    index.caseFoldedTitles.reserve(snapshot.notes.size());
    for (qsizetype row = 0; row < snapshot.notes.size(); ++row) {
        const NoteSummary& note = snapshot.notes.at(row);
        const qint32 slot = index.slotOfRow.at(row);
        if (slot >= 0 && slot < index.rowsBySlot.size())
            index.rowsBySlot[slot] = qint32(row);
        index.foldedTitles.append(slot >= 0 ? index.articles->foldedTitle(slot)
                                            : foldForSearch(note.title));
        index.caseFoldedTitles.append(note.title.toCaseFolded());
    }
    return index;
}

namespace {

// The rows that may match: those the index finds for every word (or every row when there is no
// index), plus the rows it does not hold. `proven` tells, per word, whether the index's answer
// is exact, so that those words need no check of the text.
QList<qsizetype> candidateRows(const NoteSearchIndex& index, qsizetype rowCount,
                               const QStringList& words, QList<bool>& proven)
{
    proven = QList<bool>(words.size(), false);
    QList<qsizetype> rows;
    if (!index.articles || words.isEmpty()) {
        rows.reserve(rowCount);
        for (qsizetype row = 0; row < rowCount; ++row)
            rows.append(row);
        return rows;
    }
    SlotSet matching(index.articles->slotCount(), true);
    for (qsizetype i = 0; i < words.size(); ++i) {
        bool exact = false;
        matching.intersect(index.articles->match(words.at(i), &exact));
        proven[i] = exact;
    }
    for (qsizetype row = 0; row < rowCount; ++row) {
        const qint32 slot = index.slotOfRow.at(row);
        if (slot < 0 || matching.contains(slot))
            rows.append(row);
    }
    return rows;
}

} // namespace

MemoSearchIndex buildMemoSearchIndex(const QList<MemoRecord>& memos)
{
    MemoSearchIndex index;
    index.foldedTexts.reserve(memos.size());
    for (const MemoRecord& memo : memos) {
        index.foldedTexts.append(foldForSearch(memo.markdown + QLatin1Char(' ') +
                                               memoTags(memo.markdown).join(QLatin1Char(' '))));
    }
    return index;
}

QList<NoteSummary> searchArticles(const QList<NoteSummary>& notes, const NoteSearchIndex& index,
                                  const QString& query, const std::optional<QString>& folderPath)
{
    const QStringList tokens = searchTokens(query);
    const QString wholeQuery = foldForSearch(trimmedText(query));
    struct Hit
    {
        int rank;
        qsizetype row;
    };
    QList<Hit> hits;
    if (tokens.isEmpty() && !folderPath)
        return {};
    QList<bool> proven;
    for (const qsizetype row : candidateRows(index, notes.size(), tokens, proven)) {
        const NoteSummary& note = notes.at(row);
        if (folderPath && !isNoteInFolder(note.path, *folderPath))
            continue;
        // The searchable text is the folded title, a space and the folded text; a word holds
        // no white space, so it lies in one of the two.
        const QString& title = index.foldedTitles.at(row);
        bool matches = true;
        std::optional<QString> text;
        for (qsizetype i = 0; i < tokens.size() && matches; ++i) {
            if (proven.at(i) && index.slotOfRow.at(row) >= 0)
                continue;
            if (title.contains(tokens.at(i)))
                continue;
            if (!text)
                text = note.searchableContent.foldedText();
            matches = text->contains(tokens.at(i));
        }
        if (!matches)
            continue;
        const int rank = title == wholeQuery ? 0 : title.startsWith(wholeQuery) ? 1 : 2;
        hits.append({rank, row});
    }
    std::stable_sort(hits.begin(), hits.end(), [&notes](const Hit& a, const Hit& b) {
        if (a.rank != b.rank)
            return a.rank < b.rank;
        return notes.at(a.row).modifiedAt > notes.at(b.row).modifiedAt;
    });
    QList<NoteSummary> result;
    result.reserve(hits.size());
    for (const Hit& hit : std::as_const(hits))
        result.append(notes.at(hit.row));
    return result;
}

QList<MemoRecord> searchMemos(const QList<MemoRecord>& memos, const MemoSearchIndex& index,
                              const QString& query, const std::optional<QDate>& day)
{
    const QStringList tokens = searchTokens(query);
    if (tokens.isEmpty() && !day)
        return {};
    QList<MemoRecord> result;
    for (qsizetype row = 0; row < memos.size(); ++row) {
        const MemoRecord& memo = memos.at(row);
        if (day && memoDay(memo.createdAt) != *day)
            continue;
        if (!tokens.isEmpty() && !containsEveryToken(index.foldedTexts.at(row), tokens))
            continue;
        result.append(memo);
    }
    return result;
}

namespace {

// Whether a case-folded needle is made of characters that fold to themselves: ASCII and the CJK
// unified ideographs. For such a needle, a text whose case-folded form holds it also holds, in
// its search-folded form, every white-space-free piece of it, so the index may narrow the notes
// to check.
bool foldsToItself(const QString& needle)
{
    return std::all_of(needle.cbegin(), needle.cend(), [](QChar c) {
        return c.unicode() < 0x80 || (c.unicode() >= 0x4E00 && c.unicode() <= 0x9FFF);
    });
}

} // namespace

QList<NoteSummary> filteredNotes(const QList<NoteSummary>& notes, const NoteSearchIndex& index,
                                 const LibrarySelection& selection, const QString& searchText)
{
    if (selection.kind() == LibrarySelection::Kind::quick)
        return {};
    const QString needle = trimmedText(searchText).toCaseFolded();
    if (selection.kind() == LibrarySelection::Kind::all && needle.isEmpty())
        return notes;
    QList<bool> proven;
    const QList<qsizetype> rows = candidateRows(
        index, notes.size(), foldsToItself(needle) ? searchTokens(needle) : QStringList(), proven);
    QList<NoteSummary> result;
    for (const qsizetype row : rows) {
        const NoteSummary& note = notes.at(row);
        if (selection.kind() == LibrarySelection::Kind::folder &&
            !isNoteInFolder(note.path, selection.folderPath()))
            continue;
        if (!needle.isEmpty() && !index.caseFoldedTitles.at(row).contains(needle) &&
            !note.searchableContent.caseFoldedText().contains(needle))
            continue;
        result.append(note);
    }
    return result;
}

QStringList visibleFolders(const QList<FolderItem>& folders)
{
    static const QString quickFolder = QStringLiteral("快速记录");
    QList<FolderItem> shown;
    for (const FolderItem& folder : folders) {
        if (folder.path == quickFolder || folder.path.startsWith(quickFolder + QLatin1Char('/')))
            continue;
        shown.append(folder);
    }
    sortFoldersNaturally(shown);
    QStringList result;
    result.reserve(shown.size());
    for (const FolderItem& folder : std::as_const(shown))
        result.append(folder.path);
    return result;
}
