#include "search.h"

#include "articlelisting.h"
#include "memocontent.h"
#include "vaultpaths.h"

#include <algorithm>

namespace {

bool isAscii(const QString& text)
{
    for (QChar c : text) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
}

bool isCombiningMark(QChar c)
{
    switch (c.category()) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
        return true;
    default:
        return false;
    }
}

bool containsEveryToken(const QString& text, const QStringList& tokens)
{
    for (const QString& token : tokens) {
        if (!text.contains(token))
            return false;
    }
    return true;
}

} // namespace

QString foldForSearch(const QString& text)
{
    // Most vault text is ASCII, where folding is only lower-casing.
    if (isAscii(text))
        return text.toCaseFolded();
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString stripped;
    stripped.reserve(decomposed.size());
    for (QChar c : decomposed) {
        if (!isCombiningMark(c))
            stripped.append(c);
    }
    // Simple case folding keeps the sharp s; full folding, as the query side expects, makes it
    // "ss".
    return stripped.toCaseFolded()
        .replace(QChar(0x00DF), QLatin1String("ss"))
        .normalized(QString::NormalizationForm_KC);
}

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
    for (const NoteSummary& note : notes) {
        const QString foldedTitle = foldForSearch(note.title);
        index.foldedTitles.append(foldedTitle);
        index.foldedTexts.append(foldedTitle + QLatin1Char(' ') +
                                 foldForSearch(note.searchableContent));
        index.caseFoldedTitles.append(note.title.toCaseFolded());
        index.caseFoldedContents.append(note.searchableContent.toCaseFolded());
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
        } else if (!containsEveryToken(index.foldedTexts.at(row), tokens)) {
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
    if (selection.kind() == LibrarySelection::Kind::all && needle.isEmpty())
        return notes;
    QList<NoteSummary> result;
    for (qsizetype row = 0; row < notes.size(); ++row) {
        const NoteSummary& note = notes.at(row);
        if (selection.kind() == LibrarySelection::Kind::folder &&
            !isNoteInFolder(note.path, selection.folderPath()))
            continue;
        if (!needle.isEmpty() && !index.caseFoldedTitles.at(row).contains(needle) &&
            !index.caseFoldedContents.at(row).contains(needle))
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
