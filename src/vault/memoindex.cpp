#include "memoindex.h"

#include "fileio.h"
#include "journal.h"
#include "memoindexreader.h"
#include "parallelmap.h"
#include "recordstore.h"
#include "repositoryscope.h"
#include "vaulterror.h"
#include "vaultpaths.h"
#include "vaultrepository.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QTextBoundaryFinder>
#include <QTimeZone>

#include <algorithm>
#include <optional>
#include <vector>

namespace {

const QLatin1String contentDigestKey("contentDigest");
const QLatin1String createdAtKey("createdAt");
const QLatin1String folderPathKey("folderPath");
const QLatin1String idKey("id");
const QLatin1String journalPathKey("journalPath");

QString encodedDate(const QDateTime& date)
{
    QDateTime utc = date.toUTC();
    // A date that cannot be written as four-digit years would make the whole file unreadable
    // and so lose every entry at the next write.
    if (!utc.isValid() || utc.date().year() < 1 || utc.date().year() > 9999)
        utc = distantPast();
    const QDate day = utc.date();
    const QTime time = utc.time();
    // "yyyy-MM-ddTHH:mm:ssZ" by hand: the whole index is written at every memo change, and a
    // formatted print costs more than the rest of an entry together.
    char text[] = "0000-00-00T00:00:00Z";
    const auto put = [&](int at, int digits, int value) {
        for (int i = at + digits - 1; i >= at; --i, value /= 10)
            text[i] = char('0' + value % 10);
    };
    put(0, 4, day.year());
    put(5, 2, day.month());
    put(8, 2, day.day());
    put(11, 2, time.hour());
    put(14, 2, time.minute());
    put(17, 2, time.second());
    return QString::fromLatin1(text, 20);
}

std::optional<QString> requiredString(const QJsonObject& object, QLatin1String key)
{
    const QJsonValue value = object.value(key);
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

std::optional<MemoIndexEntry> decodedEntry(const QJsonValue& value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const std::optional<QString> id = requiredString(object, idKey);
    const std::optional<QString> createdAt = requiredString(object, createdAtKey);
    const std::optional<QString> journalPath = requiredString(object, journalPathKey);
    const std::optional<QString> digest = requiredString(object, contentDigestKey);
    if (!id || !createdAt || !journalPath || !digest)
        return std::nullopt;
    const std::optional<QDateTime> date = decodedMemoIndexDate(*createdAt);
    if (!date)
        return std::nullopt;
    MemoIndexEntry entry{*id, *date, *journalPath, *digest, std::nullopt};
    const QJsonValue folder = object.value(folderPathKey);
    if (folder.isString())
        entry.folderPath = folder.toString();
    else if (!folder.isUndefined() && !folder.isNull())
        return std::nullopt;
    return entry;
}

void appendJsonString(QByteArray& json, const QString& text)
{
    json += '"';
    const QByteArray utf8 = text.toUtf8();
    const bool plain = std::none_of(utf8.begin(), utf8.end(), [](char c) {
        return c == '"' || c == '\\' || static_cast<unsigned char>(c) < 0x20;
    });
    if (plain) {
        json += utf8;
        json += '"';
        return;
    }
    for (const char c : utf8) {
        switch (c) {
        case '"':
            json += "\\\"";
            break;
        case '\\':
            json += "\\\\";
            break;
        case '\n':
            json += "\\n";
            break;
        case '\r':
            json += "\\r";
            break;
        case '\t':
            json += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20)
                json += QByteArray("\\u00") + QByteArray::number(int(c), 16).rightJustified(2, '0');
            else
                json += c;
        }
    }
    json += '"';
}

void appendMember(QByteArray& json, QLatin1String key, const QString& value, bool last)
{
    json += "        \"";
    json += QByteArrayView(key.data(), key.size());
    json += "\": ";
    appendJsonString(json, value);
    json += last ? "\n" : ",\n";
}

struct Candidate
{
    qsizetype insertionIndex = 0;
    QString time;
    QString digest;
    bool alreadyAnchored = false;
};

const QRegularExpression& lenientHeadingPattern()
{
    static const QRegularExpression pattern =
        compileTextPattern(QStringLiteral(R"re((?m)^(?:##\s+|\*\*)(\d{2}:\d{2})(?:\*\*)?\s*$)re"));
    return pattern;
}

// Whether the 100 characters (user-perceived ones) before `position` hold a memo anchor.
bool followsAnchor(QTextBoundaryFinder& graphemes, const QString& text, qsizetype position)
{
    graphemes.setPosition(position);
    qsizetype start = position;
    for (int i = 0; i < 100 && start > 0; ++i) {
        const qsizetype previous = graphemes.toPreviousBoundary();
        if (previous < 0)
            break;
        start = previous;
    }
    return QStringView(text)
        .sliced(start, position - start)
        .contains(QLatin1String("<a id=\"memo-"));
}

// The headings of `text` as candidates. Only headings at one of `times` can match a pending
// entry, so only those get their body digest and anchor test, the costly parts; the others are
// marked anchored, which keeps them out of every match.
QList<Candidate> headingCandidates(const QString& text, const QSet<QString>& times)
{
    QList<Candidate> candidates;
    QList<QRegularExpressionMatch> headings;
    QRegularExpressionMatchIterator it = lenientHeadingPattern().globalMatch(text);
    while (it.hasNext())
        headings.append(it.next());
    if (headings.isEmpty())
        return candidates;
    std::optional<QTextBoundaryFinder> graphemes; // built over the whole text: only when needed
    for (qsizetype i = 0; i < headings.size(); ++i) {
        const QRegularExpressionMatch& heading = headings.at(i);
        Candidate candidate;
        // "^" only matches at a line start, so the match begins the heading's line.
        candidate.insertionIndex = heading.capturedStart(0);
        candidate.time = heading.captured(1);
        if (!times.contains(candidate.time)) {
            candidate.alreadyAnchored = true;
            candidates.append(candidate);
            continue;
        }
        const qsizetype blockStart = heading.capturedEnd(0);
        const qsizetype blockEnd =
            i + 1 < headings.size() ? headings.at(i + 1).capturedStart(0) : text.size();
        QStringView block = QStringView(text).sliced(blockStart, blockEnd - blockStart);
        const qsizetype separator = block.lastIndexOf(QLatin1String("\n---"));
        if (separator >= 0)
            block = block.first(separator);
        candidate.digest = memoContentDigest(block.toString());
        if (!graphemes)
            graphemes.emplace(QTextBoundaryFinder::Grapheme, text);
        candidate.alreadyAnchored = followsAnchor(*graphemes, text, candidate.insertionIndex);
        candidates.append(candidate);
    }
    return candidates;
}

} // namespace

std::optional<QDateTime> decodedMemoIndexDate(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral(
        R"re(^([0-9]{4})-([0-9]{2})-([0-9]{2})T([0-9]{2}):([0-9]{2}):([0-9]{2})(Z|([+-])([0-9]{2}):?([0-9]{2}))$)re"));
    const QRegularExpressionMatch match = pattern.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const auto number = [&](int group) { return match.capturedView(group).toInt(); };
    const QDate day(number(1), number(2), number(3));
    const QTime time(number(4), number(5), number(6));
    if (!day.isValid() || !time.isValid())
        return std::nullopt;
    QDateTime result(day, time, Qt::UTC);
    if (match.capturedView(7) != QLatin1String("Z")) {
        const int offset = (number(9) * 60 + number(10)) * 60;
        result = result.addSecs(match.capturedView(8) == QLatin1String("+") ? -offset : offset);
    }
    return result;
}

QString memoIndexRelativePath()
{
    return QStringLiteral(".larch/memo-index.json");
}

QString memoContentDigest(const QString& text)
{
    // ICU's "\s": tab, line feed, form feed, carriage return and the Unicode separators. The
    // "\s" of our pattern engine also takes VT and NEL, which would digest a text differently
    // from the rule the index is written by, and such memos would not re-anchor.
    static const QRegularExpression whiteSpace(QStringLiteral("[\\t\\n\\f\\r\\p{Z}]+"),
                                               QRegularExpression::UseUnicodePropertiesOption);
    QString collapsed = text;
    collapsed.replace(whiteSpace, QStringLiteral(" "));
    const QByteArray hash =
        QCryptographicHash::hash(trimmedText(collapsed).toUtf8(), QCryptographicHash::Sha256);
    return QString::fromLatin1(hash.first(16).toHex());
}

QByteArray encodeMemoIndex(const QList<MemoIndexEntry>& entries)
{
    // Written by hand: QJsonArray grows slower than linearly, and the index is rewritten after
    // every memo change. The layout is QJsonDocument's indented one, keys in ascending order.
    // A large index is written in slices on all cores and the slices joined: the same bytes.
    const auto encodeSlice = [&](qsizetype from, qsizetype to) {
        QByteArray json;
        json.reserve((to - from) * 256);
        for (qsizetype i = from; i < to; ++i) {
            const MemoIndexEntry& entry = entries.at(i);
            json += "    {\n";
            appendMember(json, contentDigestKey, entry.contentDigest, false);
            appendMember(json, createdAtKey, encodedDate(entry.createdAt), false);
            if (entry.folderPath)
                appendMember(json, folderPathKey, *entry.folderPath, false);
            appendMember(json, idKey, entry.id, false);
            appendMember(json, journalPathKey, entry.journalPath, true);
            json += i + 1 < entries.size() ? "    },\n" : "    }\n";
        }
        return json;
    };
    constexpr qsizetype sliceSize = 256;
    const qsizetype slices = (entries.size() + sliceSize - 1) / sliceSize;
    const QList<QByteArray> parts = parallelMap<QByteArray>(slices, [&](qsizetype slice,
                                                                        QByteArray&) {
        return encodeSlice(slice * sliceSize, std::min(entries.size(), (slice + 1) * sliceSize));
    });
    QByteArray json = "[\n";
    json.reserve(entries.size() * 256);
    for (const QByteArray& part : parts)
        json += part;
    json += "]\n";
    return json;
}

std::optional<QList<MemoIndexEntry>> decodeMemoIndex(const QByteArray& bytes)
{
    // The file as this system writes it is read directly, about ten times faster than through
    // a JSON document; anything else takes the general way below.
    if (std::optional<QList<MemoIndexEntry>> plain = decodePlainMemoIndex(bytes))
        return plain;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    const QJsonArray array = document.array();
    QList<MemoIndexEntry> entries;
    entries.reserve(array.size());
    for (const QJsonValue& value : array) {
        std::optional<MemoIndexEntry> entry = decodedEntry(value);
        if (!entry)
            return std::nullopt;
        entries.append(std::move(*entry));
    }
    return entries;
}

QHash<QString, QList<MemoIndexEntry>> memoIndexByJournalPath(const QList<MemoIndexEntry>& entries)
{
    QHash<QString, QList<MemoIndexEntry>> groups;
    for (const MemoIndexEntry& entry : entries)
        groups[entry.journalPath].append(entry);
    return groups;
}

QString reanchorMemos(const QString& text, const QString& journalPath,
                      const QList<MemoIndexEntry>& entries)
{
    QList<const MemoIndexEntry*> pending;
    for (const MemoIndexEntry& entry : entries) {
        if (entry.journalPath == journalPath)
            pending.append(&entry);
    }
    if (pending.isEmpty())
        return text;
    QSet<QString> anchoredIds;
    QRegularExpressionMatchIterator anchors = memoAnchorPattern().globalMatch(text);
    while (anchors.hasNext())
        anchoredIds.insert(anchors.next().captured(1));
    pending.removeIf([&](const MemoIndexEntry* entry) { return anchoredIds.contains(entry->id); });
    if (pending.isEmpty())
        return text;

    QSet<QString> times;
    for (const MemoIndexEntry* entry : std::as_const(pending))
        times.insert(memoHeadingTime(entry->createdAt));
    const QList<Candidate> candidates = headingCandidates(text, times);
    QSet<qsizetype> used;
    QList<std::pair<qsizetype, QString>> insertions;
    for (const MemoIndexEntry* entry : pending) {
        const QString time = memoHeadingTime(entry->createdAt);
        const Candidate* match = nullptr;
        int count = 0;
        for (const Candidate& candidate : candidates) {
            if (candidate.alreadyAnchored || used.contains(candidate.insertionIndex) ||
                candidate.time != time || candidate.digest != entry->contentDigest)
                continue;
            match = &candidate;
            ++count;
        }
        if (count != 1)
            continue; // never guess between identical blocks
        used.insert(match->insertionIndex);
        insertions.append({match->insertionIndex,
                           memoAnchorLine(entry->id, entry->folderPath.value_or(QString())) +
                               QLatin1String("\n\n")});
    }
    if (insertions.isEmpty())
        return text;
    std::sort(insertions.begin(), insertions.end(),
              [](const auto& a, const auto& b) { return a.first > b.first; });
    QString result = text;
    for (const auto& [position, anchor] : insertions)
        result.insert(position, anchor);
    return result;
}

MemoIndexRead readMemoIndex(const QString& rootPath)
{
    MemoIndexRead read;
    QByteArray bytes;
    try {
        bytes = readFileBytes(rootPath + QLatin1Char('/') + memoIndexRelativePath());
    } catch (const FileError&) {
        return read; // a missing or unreadable index is an empty one
    }
    std::optional<QList<MemoIndexEntry>> entries = decodeMemoIndex(bytes);
    if (entries)
        read.entries = std::move(*entries);
    else
        read.undecodable = true;
    return read;
}

QList<MemoIndexEntry> VaultRepository::loadMemoIndex() const
{
    // A missing, unreadable or undecodable index is an empty one.
    return m_records->memoIndex().entries;
}

void VaultRepository::saveMemoIndex(const QList<MemoIndexEntry>& entries) const
{
    const WriteScope scope(*this);
    const QString file = m_rootPath + QLatin1Char('/') + memoIndexRelativePath();
    ::createFolder(QFileInfo(file).absolutePath());
    const QByteArray bytes = encodeMemoIndex(entries);
    writeFileAtomically(file, bytes);
    m_records->memoIndexWritten(bytes, entries);
}

void VaultRepository::upsertMemoIndexEntry(const MemoRecord& memo) const
{
    const WriteScope scope(*this);
    ::upsertMemoIndexEntry(*this, memo, m_records->memoIndex());
}

void VaultRepository::removeMemoIndexEntry(const QString& id) const
{
    const WriteScope scope(*this);
    ::removeMemoIndexEntry(*this, id, m_records->memoIndex());
}

MemoIndexEntry memoIndexEntry(const MemoRecord& memo)
{
    return MemoIndexEntry{memo.id, memo.createdAt, memo.journalPath,
                          memoContentDigest(memo.markdown), memo.folderPath};
}

void sortMemoIndexEntries(QList<MemoIndexEntry>& entries)
{
    const auto precedes = [](const MemoIndexEntry& a, const MemoIndexEntry& b) {
        return a.createdAt < b.createdAt;
    };
    if (!std::all_of(entries.cbegin(), entries.cend(),
                     [](const MemoIndexEntry& entry) { return entry.createdAt.isValid(); })) {
        std::stable_sort(entries.begin(), entries.end(), precedes);
        return;
    }
    // Valid dates compare as instants; each is taken once instead of in every comparison
    // (the new memo's local date would cost a time-zone computation each time).
    std::vector<std::pair<qint64, qsizetype>> order;
    order.reserve(size_t(entries.size()));
    for (qsizetype i = 0; i < entries.size(); ++i)
        order.emplace_back(entries.at(i).createdAt.toMSecsSinceEpoch(), i);
    std::stable_sort(order.begin(), order.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    QList<MemoIndexEntry> sorted;
    sorted.reserve(entries.size());
    for (const auto& item : order)
        sorted.append(std::move(entries[item.second]));
    entries = std::move(sorted);
}
