#include "search.h"

#include "articlelisting.h"
#include "memocontent.h"
#include "vaultpaths.h"

#include <QHash>
#include <QSet>
#include <QThread>
#include <QtConcurrent/QtConcurrentMap>

#include <algorithm>

namespace {

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

namespace {

// The full fold of a run of text: decompose, drop marks, case-fold, recompose.
QString foldRun(const QString& text)
{
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

// Characters that every step of the fold leaves alone or only lower-cases: ASCII and the CJK
// unified ideographs, nearly all of a vault's text. They never combine with a neighbour, so the
// runs between them can be folded on their own with the same result as the whole text.
bool foldsTrivially(char16_t c)
{
    return c < 0x80 || (c >= 0x4E00 && c <= 0x9FFF);
}

} // namespace

QString foldForSearch(const QString& text)
{
    // Normalising is slow; articles are folded once per snapshot, which is megabytes of text,
    // so only the runs that need it go through the full fold.
    QString folded;
    folded.reserve(text.size());
    const char16_t* data = reinterpret_cast<const char16_t*>(text.constData());
    const qsizetype size = text.size();
    qsizetype i = 0;
    while (i < size) {
        const char16_t c = data[i];
        if (foldsTrivially(c)) {
            folded.append(QChar(c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c));
            ++i;
            continue;
        }
        qsizetype end = i + 1;
        while (end < size && !foldsTrivially(data[end]))
            ++end;
        folded.append(foldRun(text.mid(i, end - i)));
        i = end;
    }
    return folded;
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
    return buildNoteSearchIndex(notes, {}, {});
}

NoteSearchIndex buildNoteSearchIndex(const QList<NoteSummary>& notes,
                                     const QList<NoteSummary>& previousNotes,
                                     const NoteSearchIndex& previous, QThreadPool* pool)
{
    // A note whose title and text are unchanged keeps its row of the previous index; after a
    // refresh that is nearly every note.
    QHash<QString, qsizetype> previousRows;
    if (previous.foldedTexts.size() == previousNotes.size()) {
        previousRows.reserve(previousNotes.size());
        for (qsizetype row = 0; row < previousNotes.size(); ++row)
            previousRows.insert(previousNotes.at(row).path, row);
    }
    QList<qsizetype> reused(notes.size(), -1);
    QList<qsizetype> changed;
    for (qsizetype row = 0; row < notes.size(); ++row) {
        const NoteSummary& note = notes.at(row);
        const qsizetype old = previousRows.value(note.path, -1);
        if (old >= 0 && previousNotes.at(old).title == note.title &&
            previousNotes.at(old).searchableContent == note.searchableContent)
            reused[row] = old;
        else
            changed.append(row);
    }

    struct FoldedNote
    {
        QString title;
        QString text;
        QString caseFoldedTitle;
        QString caseFoldedContent;
        TextFilter foldedFilter;
        TextFilter caseFoldedFilter;
        QStringList tags;
    };
    // Tens of megabytes of text on a large vault: fold the notes on every core, row for row.
    const auto fold = [&](qsizetype row) {
        const NoteSummary& note = notes.at(row);
        const QString foldedTitle = foldForSearch(note.title);
        FoldedNote folded{foldedTitle,
                          foldedTitle + QLatin1Char(' ') + foldForSearch(note.searchableContent),
                          note.title.toCaseFolded(),
                          note.searchableContent.toCaseFolded(),
                          {},
                          {},
                          memoTags(note.searchableContent)};
        folded.foldedFilter.add(folded.text);
        folded.caseFoldedFilter.add(folded.caseFoldedTitle);
        folded.caseFoldedFilter.add(folded.caseFoldedContent);
        return folded;
    };
    const QList<FoldedNote> folded =
        QtConcurrent::blockingMapped(pool ? pool : QThreadPool::globalInstance(), changed, fold);

    NoteSearchIndex index;
    index.foldedTitles.reserve(notes.size());
    index.foldedTexts.reserve(notes.size());
    index.caseFoldedTitles.reserve(notes.size());
    index.caseFoldedContents.reserve(notes.size());
    index.foldedFilters.reserve(notes.size());
    index.caseFoldedFilters.reserve(notes.size());
    index.tags.reserve(notes.size());
    index.modifiedMsecs.reserve(notes.size());
    qsizetype next = 0;
    for (qsizetype row = 0; row < notes.size(); ++row) {
        index.modifiedMsecs.append(notes.at(row).modifiedAt.toMSecsSinceEpoch());
        if (const qsizetype old = reused.at(row); old >= 0) {
            index.foldedTitles.append(previous.foldedTitles.at(old));
            index.foldedTexts.append(previous.foldedTexts.at(old));
            index.caseFoldedTitles.append(previous.caseFoldedTitles.at(old));
            index.caseFoldedContents.append(previous.caseFoldedContents.at(old));
            index.foldedFilters.append(previous.foldedFilters.at(old));
            index.caseFoldedFilters.append(previous.caseFoldedFilters.at(old));
            index.tags.append(previous.tags.at(old));
            continue;
        }
        const FoldedNote& note = folded.at(next++);
        index.foldedTitles.append(note.title);
        index.foldedTexts.append(note.text);
        index.caseFoldedTitles.append(note.caseFoldedTitle);
        index.caseFoldedContents.append(note.caseFoldedContent);
        index.foldedFilters.append(note.foldedFilter);
        index.caseFoldedFilters.append(note.caseFoldedFilter);
        index.tags.append(note.tags);
    }
    return index;
}

MemoSearchIndex buildMemoSearchIndex(const QList<MemoRecord>& memos)
{
    MemoSearchIndex index;
    index.foldedTexts.reserve(memos.size());
    index.tags.reserve(memos.size());
    for (const MemoRecord& memo : memos) {
        QStringList tags = memoTags(memo.markdown);
        index.foldedTexts.append(
            foldForSearch(memo.markdown + QLatin1Char(' ') + tags.join(QLatin1Char(' '))));
        index.tags.append(std::move(tags));
    }
    return index;
}

namespace {

// Runs `scan(begin, end)` over slices of [0, count) on every core and joins the results in
// order. A search over thousands of long texts is bound by reading them; small counts stay on
// the calling thread.
template <typename Scan> auto scanInSlices(qsizetype count, Scan scan) -> decltype(scan(0, 0))
{
    const int threads = QThread::idealThreadCount();
    if (count < 2048 || threads < 2)
        return scan(0, count);
    QList<std::pair<qsizetype, qsizetype>> slices;
    const qsizetype size = (count + threads - 1) / threads;
    for (qsizetype begin = 0; begin < count; begin += size)
        slices.append({begin, std::min(count, begin + size)});
    const auto parts =
        QtConcurrent::blockingMapped(slices, [&](const std::pair<qsizetype, qsizetype>& slice) {
            return scan(slice.first, slice.second);
        });
    decltype(scan(0, 0)) joined;
    for (const auto& part : parts)
        joined += part;
    return joined;
}

// The records at `rows`, in that order.
template <typename Record>
QList<Record> recordsAt(const QList<Record>& records, const QList<qsizetype>& rows)
{
    QList<Record> result;
    result.reserve(rows.size());
    for (qsizetype row : rows)
        result.append(records.at(row));
    return result;
}

} // namespace

QList<NoteSummary> searchArticles(const QList<NoteSummary>& notes, const NoteSearchIndex& index,
                                  const QString& query, const std::optional<QString>& folderPath)
{
    return recordsAt(notes, searchArticleRows(notes, index, query, folderPath));
}

QList<qsizetype> searchArticleRows(const QList<NoteSummary>& notes, const NoteSearchIndex& index,
                                   const QString& query, const std::optional<QString>& folderPath,
                                   const QList<qsizetype>* candidates)
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
    if (tokens.isEmpty() && !folderPath)
        return {};
    const qsizetype count = candidates ? candidates->size() : notes.size();
    QList<Hit> hits = scanInSlices(count, [&](qsizetype begin, qsizetype end) {
        QList<Hit> found;
        for (qsizetype i = begin; i < end; ++i) {
            const qsizetype row = candidates ? candidates->at(i) : i;
            if (folderPath && !isNoteInFolder(notes.at(row).path, *folderPath))
                continue;
            if (!tokens.isEmpty() && (!index.foldedFilters.at(row).mayContain(tokenFilter) ||
                                      !containsEveryToken(index.foldedTexts.at(row), tokens)))
                continue;
            const QString& title = index.foldedTitles.at(row);
            const int rank = title == wholeQuery ? 0 : title.startsWith(wholeQuery) ? 1 : 2;
            found.append({rank, row});
        }
        return found;
    });
    std::stable_sort(hits.begin(), hits.end(), [&index](const Hit& a, const Hit& b) {
        if (a.rank != b.rank)
            return a.rank < b.rank;
        return index.modifiedMsecs.at(a.row) > index.modifiedMsecs.at(b.row);
    });
    QList<qsizetype> result;
    result.reserve(hits.size());
    for (const Hit& hit : std::as_const(hits))
        result.append(hit.row);
    return result;
}

QList<MemoRecord> searchMemos(const QList<MemoRecord>& memos, const MemoSearchIndex& index,
                              const QString& query, const std::optional<QDate>& day)
{
    return recordsAt(memos, searchMemoRows(memos, index, query, day));
}

QList<qsizetype> searchMemoRows(const QList<MemoRecord>& memos, const MemoSearchIndex& index,
                                const QString& query, const std::optional<QDate>& day,
                                const QList<qsizetype>* candidates)
{
    const QStringList tokens = searchTokens(query);
    if (tokens.isEmpty() && !day)
        return {};
    const qsizetype count = candidates ? candidates->size() : memos.size();
    return scanInSlices(count, [&](qsizetype begin, qsizetype end) {
        QList<qsizetype> found;
        for (qsizetype i = begin; i < end; ++i) {
            const qsizetype row = candidates ? candidates->at(i) : i;
            if (day && memoDay(memos.at(row).createdAt) != *day)
                continue;
            if (!tokens.isEmpty() && !containsEveryToken(index.foldedTexts.at(row), tokens))
                continue;
            found.append(row);
        }
        return found;
    });
}

bool narrowsSearch(const QStringList& before, const QStringList& after)
{
    // Without tokens a search finds nothing, which narrows nothing.
    if (before.isEmpty() || after.isEmpty())
        return false;
    return std::all_of(before.cbegin(), before.cend(), [&](const QString& token) {
        return std::any_of(after.cbegin(), after.cend(),
                           [&](const QString& longer) { return longer.contains(token); });
    });
}

QStringList tagUnion(const QList<QStringList>& tagLists)
{
    QSet<QString> seen;
    QStringList tags;
    for (const QStringList& list : tagLists) {
        for (const QString& tag : list) {
            if (!seen.contains(tag)) {
                seen.insert(tag);
                tags.append(tag);
            }
        }
    }
    const QCollator collator = naturalCollator();
    std::stable_sort(tags.begin(), tags.end(), [&](const QString& a, const QString& b) {
        const int order = collator.compare(a, b);
        // Tags equal but for case still come out in a fixed order.
        return order != 0 ? order < 0 : a < b;
    });
    return tags;
}

bool hasEveryTag(const QStringList& tags, const QStringList& required)
{
    for (const QString& tag : required) {
        if (!tags.contains(tag))
            return false;
    }
    return true;
}

QList<qsizetype> notesNewestFirst(const QList<NoteSummary>& notes,
                                  const std::optional<QString>& folderPath)
{
    // Each date is turned into a number once: comparing local dates converts both every time.
    QList<qsizetype> rows;
    QList<qint64> instants(notes.size());
    for (qsizetype row = 0; row < notes.size(); ++row) {
        if (folderPath && !isNoteInFolder(notes.at(row).path, *folderPath))
            continue;
        rows.append(row);
        instants[row] = notes.at(row).modifiedAt.toMSecsSinceEpoch();
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [&](qsizetype a, qsizetype b) { return instants.at(a) > instants.at(b); });
    return rows;
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
