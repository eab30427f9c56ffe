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
    index.foldedTitles.reserve(notes.size());
    index.foldedTexts.reserve(notes.size());
    index.caseFoldedTitles.reserve(notes.size());
    index.caseFoldedContents.reserve(notes.size());
    // Tens of megabytes of text on a large vault: fold the notes on every core, row for row.
    struct FoldedNote
    {
        QString title;
        QString text;
        QString caseFoldedTitle;
        QString caseFoldedContent;
        TextFilter foldedFilter;
        TextFilter caseFoldedFilter;
    };
    const QList<FoldedNote> folded =
        QtConcurrent::blockingMapped(notes, [](const NoteSummary& note) {
            const QString foldedTitle = foldForSearch(note.title);
            FoldedNote folded{foldedTitle,
                              foldedTitle + QLatin1Char(' ') + note.searchableContent.foldedText(),
                              note.title.toCaseFolded(),
                              note.searchableContent.caseFoldedText(),
                              {},
                              {}};
            folded.foldedFilter.add(folded.text);
            folded.caseFoldedFilter.add(folded.caseFoldedTitle);
            folded.caseFoldedFilter.add(folded.caseFoldedContent);
            return folded;
        });
    for (const FoldedNote& note : folded) {
        index.foldedTitles.append(note.title);
        index.foldedTexts.append(note.text);
        index.caseFoldedTitles.append(note.caseFoldedTitle);
        index.caseFoldedContents.append(note.caseFoldedContent);
        index.foldedFilters.append(note.foldedFilter);
        index.caseFoldedFilters.append(note.caseFoldedFilter);
    }
    return index;
}

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
    TextFilter tokenFilter;
    for (const QString& token : tokens)
        tokenFilter.add(token);
    struct Hit
    {
        int rank;
        qsizetype row;
    };
    QList<Hit> hits;
    for (qsizetype row = 0; row < notes.size(); ++row) {
        const NoteSummary& note = notes.at(row);
        if (folderPath && !isNoteInFolder(note.path, *folderPath))
            continue;
        if (tokens.isEmpty()) {
            if (!folderPath)
                continue;
        } else if (!index.foldedFilters.at(row).mayContain(tokenFilter) ||
                   !containsEveryToken(index.foldedTexts.at(row), tokens)) {
            continue;
        }
        const QString& title = index.foldedTitles.at(row);
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

QList<NoteSummary> filteredNotes(const QList<NoteSummary>& notes, const NoteSearchIndex& index,
                                 const LibrarySelection& selection, const QString& searchText)
{
    if (selection.kind() == LibrarySelection::Kind::quick)
        return {};
    const QString needle = trimmedText(searchText).toCaseFolded();
    const TextFilter needleFilter = TextFilter::of(needle);
    if (selection.kind() == LibrarySelection::Kind::all && needle.isEmpty())
        return notes;
    QList<NoteSummary> result;
    for (qsizetype row = 0; row < notes.size(); ++row) {
        const NoteSummary& note = notes.at(row);
        if (selection.kind() == LibrarySelection::Kind::folder &&
            !isNoteInFolder(note.path, selection.folderPath()))
            continue;
        if (!needle.isEmpty() && (!index.caseFoldedFilters.at(row).mayContain(needleFilter) ||
                                  (!index.caseFoldedTitles.at(row).contains(needle) &&
                                   !index.caseFoldedContents.at(row).contains(needle))))
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
