#include "search.h"

#include "articlelisting.h"
#include "memocontent.h"
#include "vaultpaths.h"

#include <QHash>
#include <QSet>
#include <QThread>
#include <QtConcurrent/QtConcurrentMap>

#include <algorithm>
#include <iterator>

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

namespace {
NoteSearchIndex buildIndex(const VaultSnapshot& snapshot, const QList<NoteSummary>& previousNotes,
                           const NoteSearchIndex& previous, QThreadPool* pool, bool withTags);
} // namespace

NoteSearchIndex buildNoteSearchIndex(const QList<NoteSummary>& notes)
{
    return buildNoteSearchIndex(notes, {}, {});
}

NoteSearchIndex buildNoteSearchIndex(const VaultSnapshot& snapshot)
{
    return buildIndex(snapshot, {}, {}, nullptr, false);
}

NoteSearchIndex buildNoteSearchIndex(const QList<NoteSummary>& notes,
                                     const QList<NoteSummary>& previousNotes,
                                     const NoteSearchIndex& previous, QThreadPool* pool)
{
    VaultSnapshot snapshot;
    snapshot.notes = notes;
    return buildNoteSearchIndex(snapshot, previousNotes, previous, pool);
}

NoteSearchIndex buildNoteSearchIndex(const VaultSnapshot& snapshot,
                                     const QList<NoteSummary>& previousNotes,
                                     const NoteSearchIndex& previous, QThreadPool* pool)
{
    return buildIndex(snapshot, previousNotes, previous, pool, true);
}

namespace {

NoteSearchIndex buildIndex(const VaultSnapshot& snapshot, const QList<NoteSummary>& previousNotes,
                           const NoteSearchIndex& previous, QThreadPool* pool, bool withTags)
{
    const QList<NoteSummary>& notes = snapshot.notes;
    NoteSearchIndex index;
    const bool indexed = snapshot.searchIndex && snapshot.searchSlots.size() == notes.size();
    index.slotOfRow = indexed ? snapshot.searchSlots : QList<qint32>(notes.size(), -1);
    if (indexed) {
        index.articles = snapshot.searchIndex;
        index.rowsBySlot = QList<qint32>(index.articles->slotCount(), -1);
        for (qsizetype row = 0; row < notes.size(); ++row) {
            const qint32 slot = index.slotOfRow.at(row);
            if (slot >= 0 && slot < index.rowsBySlot.size())
                index.rowsBySlot[slot] = qint32(row);
        }
    }

    // A note whose title and text are unchanged keeps its row of the previous index; after a
    // refresh that is nearly every note.
    QHash<QString, qsizetype> previousRows;
    if (previous.foldedTitles.size() == previousNotes.size() &&
        previous.tags.size() == (withTags ? previousNotes.size() : 0)) {
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
        QString caseFoldedTitle;
        QStringList tags;
    };
    // The tags need each changed note's text, read from its file: on every core.
    const auto fold = [&](qsizetype row) {
        const NoteSummary& note = notes.at(row);
        const qint32 slot = index.slotOfRow.at(row);
        return FoldedNote{slot >= 0 ? index.articles->foldedTitle(slot) : foldForSearch(note.title),
                          note.title.toCaseFolded(),
                          withTags ? memoTags(note.searchableContent.text()) : QStringList()};
    };
    const QList<FoldedNote> folded =
        QtConcurrent::blockingMapped(pool ? pool : QThreadPool::globalInstance(), changed, fold);

    index.foldedTitles.reserve(notes.size());
    index.caseFoldedTitles.reserve(notes.size());
    index.tags.reserve(notes.size());
    index.modifiedMsecs.reserve(notes.size());
    qsizetype next = 0;
    for (qsizetype row = 0; row < notes.size(); ++row) {
        index.modifiedMsecs.append(notes.at(row).modifiedAt.toMSecsSinceEpoch());
        if (const qsizetype old = reused.at(row); old >= 0) {
            index.foldedTitles.append(previous.foldedTitles.at(old));
            index.caseFoldedTitles.append(previous.caseFoldedTitles.at(old));
            if (withTags)
                index.tags.append(previous.tags.at(old));
            continue;
        }
        const FoldedNote& note = folded.at(next++);
        index.foldedTitles.append(note.title);
        index.caseFoldedTitles.append(note.caseFoldedTitle);
        if (withTags)
            index.tags.append(note.tags);
    }
    return index;
}

} // namespace

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
    struct Hit
    {
        int rank;
        qsizetype row;
    };
    if (tokens.isEmpty() && !folderPath)
        return {};
    QList<bool> proven;
    QList<qsizetype> rows = candidateRows(index, notes.size(), tokens, proven);
    if (candidates) {
        QList<qsizetype> both;
        std::set_intersection(rows.cbegin(), rows.cend(), candidates->cbegin(), candidates->cend(),
                              std::back_inserter(both));
        rows = std::move(both);
    }
    QList<Hit> hits = scanInSlices(rows.size(), [&](qsizetype begin, qsizetype end) {
        QList<Hit> found;
        for (qsizetype i = begin; i < end; ++i) {
            const qsizetype row = rows.at(i);
            const NoteSummary& note = notes.at(row);
            if (folderPath && !isNoteInFolder(note.path, *folderPath))
                continue;
            // The searchable text is the folded title, a space and the folded text; a word
            // holds no white space, so it lies in one of the two.
            const QString& title = index.foldedTitles.at(row);
            bool matches = true;
            std::optional<QString> text;
            for (qsizetype t = 0; t < tokens.size() && matches; ++t) {
                if (proven.at(t) && index.slotOfRow.at(row) >= 0)
                    continue;
                if (title.contains(tokens.at(t)))
                    continue;
                if (!text)
                    text = note.searchableContent.foldedText();
                matches = text->contains(tokens.at(t));
            }
            if (!matches)
                continue;
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
