#include "journal.h"

#include "fileio.h"
#include "memoanchors.h"
#include "memoindex.h"
#include "recordstore.h"
#include "repositoryscope.h"
#include "textfileupdate.h"
#include "vaulterror.h"
#include "vaultpaths.h"
#include "vaultrepository.h"
#include "vaultwalk.h"

#include <QFileInfo>
#include <QStringView>
#include <QVarLengthArray>

#include <algorithm>
#include <vector>

QRegularExpression compileTextPattern(const QString& pattern)
{
    // "(*ANY)" makes PCRE end lines where ICU does, not only at line feeds.
    QRegularExpression expression(QStringLiteral("(*ANY)") + pattern,
                                  QRegularExpression::UseUnicodePropertiesOption);
    if (!expression.isValid())
        qWarning("Invalid text pattern %s: %s", qUtf8Printable(pattern),
                 qUtf8Printable(expression.errorString()));
    expression.optimize();
    return expression;
}

QStringList journalFolderNames()
{
    return {QStringLiteral("Journal"), QStringLiteral("Daily Notes")};
}

QString journalDayName(const QDateTime& date)
{
    const QDate day = date.toLocalTime().date();
    return QString::asprintf("%04d-%02d-%02d", day.year(), day.month(), day.day());
}

QString memoHeadingTime(const QDateTime& date)
{
    const QTime time = date.toLocalTime().time();
    return QString::asprintf("%02d:%02d", time.hour(), time.minute());
}

QString journalPath(const QDateTime& date)
{
    const QDate day = date.toLocalTime().date();
    return QString::asprintf("Journal/%04d/%02d/", day.year(), day.month()) + journalDayName(date) +
           QLatin1String(".md");
}

namespace {

QString escapedFolder(QString folder)
{
    folder.replace(QLatin1String("&"), QLatin1String("&amp;"));
    folder.replace(QLatin1String("\""), QLatin1String("&quot;"));
    folder.replace(QLatin1String("<"), QLatin1String("&lt;"));
    folder.replace(QLatin1String(">"), QLatin1String("&gt;"));
    return folder;
}

// "&amp;" goes last, so an escaped entity such as "&amp;quot;" reads back as "&quot;".
QString unescapedFolder(QString folder)
{
    if (!folder.contains(QLatin1Char('&')))
        return folder; // every entity starts with "&"
    folder.replace(QLatin1String("&quot;"), QLatin1String("\""));
    folder.replace(QLatin1String("&lt;"), QLatin1String("<"));
    folder.replace(QLatin1String("&gt;"), QLatin1String(">"));
    folder.replace(QLatin1String("&amp;"), QLatin1String("&"));
    return folder;
}

bool isBlank(QStringView line)
{
    return std::all_of(line.begin(), line.end(), [](QChar c) { return c.isSpace(); });
}

// Lines of a block body, split at every line break character on its own (so CR LF gives an
// empty line between the two).
// A block has a handful of lines: kept on the stack.
using BlockLines = QVarLengthArray<QStringView, 64>;

BlockLines splitLines(QStringView body, bool* onlyLineFeeds = nullptr)
{
    BlockLines lines;
    qsizetype start = 0;
    bool lineFeeds = true;
    for (qsizetype i = 0; i < body.size(); ++i) {
        // Most characters are far from every break: one comparison each sends them on.
        const char16_t c = body.at(i).unicode();
        if ((c > 0x0d && c < 0x85) || (c > 0x85 && c < 0x2028) || c > 0x2029 || c < 0x0a)
            continue;
        lines.append(body.sliced(start, i - start));
        start = i + 1;
        lineFeeds = lineFeeds && c == u'\n';
    }
    lines.append(body.sliced(start));
    if (onlyLineFeeds)
        *onlyLineFeeds = lineFeeds;
    return lines;
}

// The day named by a day file's path: its last component without the extension.
QDate dayOfJournalFile(const QString& journalPath)
{
    const QString fileName = journalPath.section(QLatin1Char('/'), -1);
    const QString dayName = QFileInfo(fileName).completeBaseName();
    // The usual name, "yyyy-MM-dd" in ASCII digits with a four-digit year from 1000 on, is read
    // by hand; the general parser costs more than all the memos of a small day file.
    const auto number = [&](qsizetype from, qsizetype length) {
        int value = 0;
        for (qsizetype i = from; i < from + length; ++i) {
            const char16_t c = dayName.at(i).unicode();
            if (c < u'0' || c > u'9')
                return -1;
            value = value * 10 + int(c - u'0');
        }
        return value;
    };
    if (dayName.size() == 10 && dayName.at(4) == QLatin1Char('-') &&
        dayName.at(7) == QLatin1Char('-')) {
        const int year = number(0, 4);
        const int month = number(5, 2);
        const int day = number(8, 2);
        if (year >= 1000 && month >= 0 && day >= 0)
            return QDate(year, month, day);
    }
    return QDate::fromString(dayName, QStringLiteral("yyyy-MM-dd"));
}

// "HH:mm" as QTime::fromString reads it. The usual case, five ASCII characters, is read by
// hand: the general parser costs microseconds per memo, which adds up over a whole journal.
QTime headingMinute(const QString& time)
{
    const QString trimmed = time.trimmed();
    const auto digit = [&](qsizetype i) {
        const char16_t c = trimmed.at(i).unicode();
        return c >= u'0' && c <= u'9' ? int(c - u'0') : -1;
    };
    if (trimmed.size() == 5 && trimmed.at(2) == QLatin1Char(':') && digit(0) >= 0 &&
        digit(1) >= 0 && digit(3) >= 0 && digit(4) >= 0) {
        const int hour = digit(0) * 10 + digit(1);
        const int minute = digit(3) * 10 + digit(4);
        return hour < 24 && minute < 60 ? QTime(hour, minute) : QTime();
    }
    return QTime::fromString(trimmed, QStringLiteral("HH:mm"));
}

QDateTime createdAtOn(const QDate& day, const QString& time)
{
    // Spaces between the heading marks and the time ("##  09:30") are not part of the time.
    const QTime minute = headingMinute(time);
    if (!day.isValid() || !minute.isValid())
        return distantPast();
    QDateTime result(day, minute);
    if (!result.isValid()) {
        // A minute skipped by a daylight-saving change: count on from the minute before it.
        result = QDateTime(day, minute.addSecs(-3600)).addSecs(3600);
    }
    return result.isValid() ? result : distantPast();
}

// Whether a trimmed line is a time heading (memoHeadingLinePattern). The two forms this system
// writes, with ASCII digits, are recognised by hand, and lines that cannot match are turned away
// at their first characters; the pattern decides the rest.
bool isMemoHeadingLine(QStringView line)
{
    const auto digitAt = [&](qsizetype i) {
        return line.at(i).unicode() >= u'0' && line.at(i).unicode() <= u'9';
    };
    const auto timeAt = [&](qsizetype i) {
        return digitAt(i) && digitAt(i + 1) && line.at(i + 2) == QLatin1Char(':') &&
               digitAt(i + 3) && digitAt(i + 4);
    };
    if (line.size() == 8 && line.startsWith(QLatin1String("## ")) && timeAt(3))
        return true;
    if (line.size() == 9 && line.startsWith(QLatin1String("**")) &&
        line.endsWith(QLatin1String("**")) && timeAt(2))
        return true;
    if (!line.startsWith(QLatin1String("##")) && !line.startsWith(QLatin1String("**")))
        return false;
    return memoHeadingLinePattern().match(line.toString()).hasMatch();
}

MemoRecord parseBlock(QStringView body, const QString& id, const QString& folder,
                      const QString& journalPath, const QDate& day)
{
    bool onlyLineFeeds = true;
    const BlockLines lines = splitLines(body, &onlyLineFeeds);
    qsizetype first = 0;
    qsizetype last = lines.size(); // exclusive
    const auto dropLeadingBlanks = [&] {
        while (first < last && isBlank(lines.at(first)))
            ++first;
    };
    const auto dropTrailingBlanks = [&] {
        while (last > first && isBlank(lines.at(last - 1)))
            --last;
    };

    dropLeadingBlanks();
    QString time = QStringLiteral("00:00");
    if (first < last) {
        const QStringView heading = lines.at(first).trimmed();
        if (isMemoHeadingLine(heading)) {
            // The time is the heading without its "## " and "**" marks; in the two usual forms
            // that is where the digits are.
            if (heading.size() == 8 && heading.startsWith(QLatin1String("## ")))
                time = heading.sliced(3).toString();
            else if (heading.size() == 9 && heading.startsWith(QLatin1String("**")))
                time = heading.sliced(2, 5).toString();
            else
                time = heading.toString().remove(QLatin1String("## ")).remove(QLatin1String("**"));
            ++first;
        }
    }
    dropLeadingBlanks();
    dropTrailingBlanks();
    if (last > first && lines.at(last - 1).trimmed() == QLatin1String("---")) {
        --last;
        dropTrailingBlanks();
    }

    QString markdown;
    if (first < last) {
        // The lines joined with line feeds are the text they were cut from when line feeds are
        // the only breaks in the body: then one copy does it.
        const qsizetype start = lines.at(first).data() - body.data();
        const qsizetype end = lines.at(last - 1).data() + lines.at(last - 1).size() - body.data();
        if (onlyLineFeeds) {
            markdown = body.sliced(start, end - start).toString();
        } else {
            for (qsizetype i = first; i < last; ++i) {
                if (i > first)
                    markdown += QLatin1Char('\n');
                markdown += lines.at(i);
            }
        }
    }
    return MemoRecord{id, createdAtOn(day, time), journalPath, markdown, folder};
}

} // namespace

QString memoAnchorLine(const QString& id, const QString& folderPath)
{
    if (folderPath.isEmpty())
        return QLatin1String("<a id=\"") + id + QLatin1String("\"></a>");
    return QLatin1String("<a id=\"") + id + QLatin1String("\" data-folder=\"") +
           escapedFolder(folderPath) + QLatin1String("\"></a>");
}

QString renderMemoBlock(const MemoRecord& memo)
{
    return memoAnchorLine(memo.id, memo.folderPath) + QLatin1String("\n\n## ") +
           memoHeadingTime(memo.createdAt) + QLatin1String("\n\n") + trimmedText(memo.markdown) +
           QLatin1String("\n\n---");
}

const QRegularExpression& memoAnchorPattern()
{
    static const QRegularExpression pattern = compileTextPattern(
        QStringLiteral(R"re((?m)^<a id="(memo-[^"]+)"(?: data-folder="([^"]*)")?></a>\s*$)re"));
    return pattern;
}

const QRegularExpression& anyMemoAnchorPattern()
{
    static const QRegularExpression pattern = compileTextPattern(
        QStringLiteral(R"re((?m)^<a id="memo-[^"]+"(?: data-folder="[^"]*")?></a>\s*$)re"));
    return pattern;
}

QRegularExpression memoAnchorPatternFor(const QString& id)
{
    return compileTextPattern(QLatin1String("(?m)^<a id=\"") + QRegularExpression::escape(id) +
                              QLatin1String(R"re("(?: data-folder="[^"]*")?></a>\s*$)re"));
}

const QRegularExpression& memoHeadingLinePattern()
{
    static const QRegularExpression pattern =
        compileTextPattern(QStringLiteral(R"re(^(?:##\s+\d{2}:\d{2}|\*\*\d{2}:\d{2}\*\*)$)re"));
    return pattern;
}

QList<MemoRecord> parseAnchoredMemos(const QString& text, const QString& journalPath)
{
    QList<MemoRecord> memos;
    const QList<MemoAnchor> anchors = findMemoAnchors(text);
    if (anchors.isEmpty())
        return memos;
    const QDate day = dayOfJournalFile(journalPath);
    memos.reserve(anchors.size());
    for (qsizetype i = 0; i < anchors.size(); ++i) {
        const MemoAnchor& anchor = anchors.at(i);
        const qsizetype bodyEnd = i + 1 < anchors.size() ? anchors.at(i + 1).start : text.size();
        const QString folder =
            anchor.folder ? unescapedFolder(anchor.folder->toString()) : QString();
        memos.append(parseBlock(QStringView(text).sliced(anchor.end, bodyEnd - anchor.end),
                                anchor.id.toString(), folder, journalPath, day));
    }
    return memos;
}

std::optional<TextRange> memoBlockRange(const QString& id, const QString& text)
{
    const QRegularExpressionMatch anchor = memoAnchorPatternFor(id).match(text);
    if (!anchor.hasMatch())
        return std::nullopt;
    const QRegularExpressionMatch next = anyMemoAnchorPattern().match(text, anchor.capturedEnd(0));
    return TextRange{anchor.capturedStart(0),
                     next.hasMatch() ? next.capturedStart(0) : text.size()};
}

QDateTime memoCreatedAt(const QString& journalPath, const QString& time)
{
    return createdAtOn(dayOfJournalFile(journalPath), time);
}

JournalFileMemos readJournalFile(const QString& absolutePath, const QString& journalPath,
                                 const QList<MemoIndexEntry>& index)
{
    QByteArray buffer;
    return readJournalFile(absolutePath, journalPath, index, buffer);
}

JournalFileMemos readJournalFile(const QString& absolutePath, const QString& journalPath,
                                 const QList<MemoIndexEntry>& index, QByteArray& buffer)
{
    const std::optional<QString> text = readJournalText(absolutePath, buffer);
    return text ? journalTextMemos(*text, journalPath, index) : JournalFileMemos();
}

std::optional<QString> readJournalText(const QString& absolutePath, QByteArray& buffer)
{
    try {
        readFileInto(absolutePath, buffer);
    } catch (const FileError&) {
        return std::nullopt; // unreadable: no memos, and never written back
    }
    // Not UTF-8: no memos either; rewriting it would destroy the user's bytes.
    return decodeUtf8Strict(buffer);
}

JournalFileMemos journalTextMemos(const QString& text, const QString& journalPath,
                                  const QList<MemoIndexEntry>& index)
{
    JournalFileMemos result;
    result.memos = parseAnchoredMemos(text, journalPath);
    // Re-anchoring has work only when an indexed memo of this file lost its anchor line. The
    // parsed memos are exactly the anchors re-anchoring would look for, so in the usual case,
    // every anchor in place, the text is not searched a second time.
    const bool anchorMissing = std::any_of(index.cbegin(), index.cend(), [&](const auto& entry) {
        return entry.journalPath == journalPath &&
               std::none_of(result.memos.cbegin(), result.memos.cend(),
                            [&](const MemoRecord& memo) { return memo.id == entry.id; });
    });
    if (!anchorMissing)
        return result;
    QString repaired = reanchorMemos(text, journalPath, index);
    // Re-anchoring only ever inserts text, so a change shows in the length.
    if (repaired.size() != text.size()) {
        result.memos = parseAnchoredMemos(repaired, journalPath);
        result.repairedText = std::move(repaired);
    }
    return result;
}

QStringList journalFilesBelow(const QString& folder)
{
    QStringList files;
    // Hidden files and folders are skipped, and so are names that are not valid UTF-8; symbolic
    // links to folders are not followed, links to files are read.
    walkVault(
        folder,
        [&](const VaultWalkEntry& entry) {
            if (entry.isFolder)
                return true;
            if (entry.name.endsWith(QLatin1String(".md"), Qt::CaseInsensitive) &&
                (entry.isRegularFile ||
                 (entry.isSymbolicLink && isRegularFile(entry.absolutePath))))
                files.append(entry.absolutePath);
            return false;
        },
        VaultWalkDates::skip);
    return files;
}

bool memoPrecedes(const MemoRecord& a, const MemoRecord& b)
{
    const qint64 left = a.createdAt.toMSecsSinceEpoch();
    const qint64 right = b.createdAt.toMSecsSinceEpoch();
    if (left != right)
        return left < right;
    return a.id < b.id;
}

QString newJournalText(const QDateTime& date)
{
    return QLatin1String("# ") + journalDayName(date) + QLatin1String("\n\n");
}

NoteDocument VaultRepository::ensureJournalDocument(const QDateTime& date) const
{
    const WriteScope scope(*this);
    const QString relative = journalPath(date);
    const QString file = resolveVaultPath(relative);
    ::createFolder(QFileInfo(file).absolutePath());
    if (!pathExists(file))
        createFileExclusively(file, newJournalText(date).toUtf8()); // taken meanwhile: fine
    if (!pathExists(file))
        throw VaultError(VaultError::noteNotFound);
    NoteDocument document;
    document.path = relativeVaultPath(file);
    document.markdown = readTextFile(file);
    document.modifiedAt = fileModificationDate(file);
    return document;
}

// The instants of one day file's memos, the key of the memo order. Each memo is dated by its
// file's day and its heading's minute in local time, and turning a local time into an instant
// is a time-zone computation; a day whose offset from UTC stays the same throughout (no
// daylight-saving change) has its start converted once, and each memo adds its minutes.
QList<qint64> memoSortKeys(const QList<MemoRecord>& memos)
{
    QList<qint64> keys;
    keys.reserve(memos.size());
    QDate day;
    qint64 dayStart = 0;
    bool uniformDay = false;
    for (const MemoRecord& memo : memos) {
        const QDateTime& at = memo.createdAt;
        if (at.timeSpec() == Qt::LocalTime && at.isValid()) {
            if (at.date() != day) {
                day = at.date();
                const QDateTime start(day, QTime(0, 0));
                const QDateTime noon(day, QTime(12, 0));
                const QDateTime last(day, QTime(23, 59));
                dayStart = start.toMSecsSinceEpoch();
                uniformDay = start.isValid() && noon.isValid() && last.isValid() &&
                             noon.toMSecsSinceEpoch() - dayStart == 12 * 3600 * 1000 &&
                             last.toMSecsSinceEpoch() - dayStart == (23 * 60 + 59) * 60 * 1000;
            }
            if (uniformDay) {
                keys.append(dayStart + at.time().msecsSinceStartOfDay());
                continue;
            }
        }
        keys.append(at.toMSecsSinceEpoch());
    }
    return keys;
}

QList<MemoRecord> VaultRepository::loadMemos() const
{
    const ReadScope scope(*this);
    QList<MemoRecord> memos = readMemos(*this);
    if (m_records->memoIndexIncomplete())
        completeMemoIndex(*this, memos, m_records->memoIndex());
    return memos;
}

QList<MemoRecord> readMemos(const VaultRepository& repository)
{
    return repository.records().memos(
        [&](const QString& journalPath, const QList<MemoIndexEntry>& entries) {
            writeRepairedJournalFile(repository, journalPath, entries);
        });
}

void reportUnreadableJournalFile(const QString& journalPath)
{
    reportVaultWarning(VaultWarning::Kind::vaultState,
                       QStringLiteral("日记文件“%1”无法读取或不是有效的 UTF-8 文本，"
                                      "其中的记录没有列出。")
                           .arg(journalPath));
}

void writeRepairedJournalFile(const VaultRepository& repository, const QString& journalPath,
                              const QList<MemoIndexEntry>& index)
{
    const QString file = repository.resolveVaultPath(journalPath);
    try {
        const WriteScope scope(repository);
        updateTextFile(file, [&](const std::optional<QString>& text) -> std::optional<QString> {
            if (!text)
                return std::nullopt;
            QString repaired = reanchorMemos(*text, journalPath, index);
            if (repaired.size() == text->size())
                return std::nullopt; // nothing (or no longer anything) to put back
            return repaired;
        });
    } catch (const FileError& error) {
        reportVaultWarning(
            VaultWarning::Kind::vaultState,
            QStringLiteral("没能把找回的记录标记写回“%1”：%2。这次照常列出这些记录。")
                .arg(journalPath, error.clause()));
    }
}

bool isLineBreak(QChar c)
{
    switch (c.unicode()) {
    case 0x000A:
    case 0x000B:
    case 0x000C:
    case 0x000D:
    case 0x0085:
    case 0x2028:
    case 0x2029:
        return true;
    default:
        return false;
    }
}
