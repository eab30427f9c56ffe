#pragma once

#include "vaultrecords.h"

#include <QDateTime>
#include <QList>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <optional>

struct MemoIndexEntry;

// Journal day files: one Markdown file per local calendar day, each memo a block that starts
// with an HTML anchor line carrying the memo's id and folder. Pure functions, usable from any
// thread; the repository methods that read and write day files live in journal.cpp too.

// A half-open range [start, end) of UTF-16 positions in a text.
struct TextRange
{
    qsizetype start = 0;
    qsizetype end = 0;
    friend bool operator==(const TextRange&, const TextRange&) = default;
};

// Compiles a pattern written in the ICU dialect: Unicode properties for "\s", "\d", "\p{..}",
// and every Unicode line break (CR, LF, CRLF, VT, FF, NEL, LS, PS) ending a line for "^", "$"
// and ".". Compiled at once, so a shared const instance may be used from several threads.
QRegularExpression compileTextPattern(const QString& pattern);

// The folders below the vault root that hold day files, in reading order. New day files always
// go below the first.
QStringList journalFolderNames();

// "yyyy-MM-dd" of the local day of `date` (also the day-level date of todo comments).
// Every character that ends a line: LF, VT, FF, CR, NEL, LS and PS.
bool isLineBreak(QChar c);

QString journalDayName(const QDateTime& date);

// "HH:mm" of `date` in local time: the heading of a memo block.
QString memoHeadingTime(const QDateTime& date);

// The day file of `date`: "Journal/<yyyy>/<MM>/<yyyy-MM-dd>.md", local time.
QString journalPath(const QDateTime& date);

// `<a id="ID"></a>`, or `<a id="ID" data-folder="FOLDER"></a>` with the folder HTML-escaped.
QString memoAnchorLine(const QString& id, const QString& folderPath);

// Anchor line, blank line, "## HH:mm", blank line, trimmed body, blank line, "---".
QString renderMemoBlock(const MemoRecord& memo);

// The memo's text as its day file reads after the memo is written there (memowriting.cpp).
QString storedMemoMarkdown(const MemoRecord& memo);

// Anchor lines, compiled once. Each matches a whole anchor line, including trailing white space
// (which may run over following line breaks up to the last line end it can reach).
// Group 1: the id; group 2: the escaped folder (absent when the line has none).
const QRegularExpression& memoAnchorPattern();
// Any memo anchor line, no groups. Text before its first match belongs to no memo.
const QRegularExpression& anyMemoAnchorPattern();
// The anchor line of one memo; compiled per call since the id varies.
QRegularExpression memoAnchorPatternFor(const QString& id);
// A time heading, tested against one trimmed line: "## HH:mm" or "**HH:mm**".
const QRegularExpression& memoHeadingLinePattern();

// The memos of one day file's text, in text order.
QList<MemoRecord> parseAnchoredMemos(const QString& text, const QString& journalPath);

// Where the block of memo `id` lies: from its anchor line to the next memo anchor or the end.
std::optional<TextRange> memoBlockRange(const QString& id, const QString& text);

// The local time named by the day file's name and a heading's "HH:mm"; distantPast() when the
// two do not make a date.
QDateTime memoCreatedAt(const QString& journalPath, const QString& time);

// One day file read for the memo list: the memos it holds after re-anchoring, and the repaired
// text when re-anchoring changed it (the caller writes that back). A file that cannot be read
// or is not valid UTF-8 holds no memos and is never repaired.
struct JournalFileMemos
{
    QList<MemoRecord> memos;
    std::optional<QString> repairedText;
};

// Reads, re-anchors and parses one day file. `index` holds the index entries of this day file
// (entries of other files may be included; they are ignored). Touches no shared state, so files
// may be read in parallel; the result does not depend on the order in which files are read.
JournalFileMemos readJournalFile(const QString& absolutePath, const QString& journalPath,
                                 const QList<MemoIndexEntry>& index);
// The same, reading the file into `buffer`, which a caller may reuse from file to file.
JournalFileMemos readJournalFile(const QString& absolutePath, const QString& journalPath,
                                 const QList<MemoIndexEntry>& index, QByteArray& buffer);
// readJournalFile in two steps: the text of the file (nothing when it cannot be read or is not
// UTF-8, which holds no memos), then its memos.
std::optional<QString> readJournalText(const QString& absolutePath, QByteArray& buffer);
JournalFileMemos journalTextMemos(const QString& text, const QString& journalPath,
                                  const QList<MemoIndexEntry>& index);

// What a new day file holds: its title line, then an empty line.
QString newJournalText(const QDateTime& date);

class VaultRepository;
// Every memo as loadMemos() lists them, lost anchors written back, but the index left as it is.
QList<MemoRecord> readMemos(const VaultRepository& repository);
// Warns that a day file's memos are missing from the list because it cannot be read or is not
// UTF-8 (it is never written back either).
void reportUnreadableJournalFile(const QString& journalPath);
// Writes a day file's lost anchors back, re-anchored against what the file holds now (another
// program may have changed it since it was read). A vault that cannot be written keeps the file
// as it is, with a warning; the memos as repaired in memory stand for this read.
void writeRepairedJournalFile(const VaultRepository& repository, const QString& journalPath,
                              const QList<MemoIndexEntry>& index);

// The day files below `folder` (absolute), recursively, skipping hidden files and folders:
// every entry whose extension, lower-cased, is "md". Absolute paths, in no particular order.
QStringList journalFilesBelow(const QString& folder);

// The order of the memo list: by creation time, then by id.
bool memoPrecedes(const MemoRecord& a, const MemoRecord& b);

// The creation instants (milliseconds since the epoch) of the memos of one day file, in list
// order: the key of the memo order, taken without a time-zone computation per memo.
QList<qint64> memoSortKeys(const QList<MemoRecord>& memos);
