// Changes to memos: appending, editing, follow-ups and removal. Each rewrites one day file and
// then brings the memo index up to date; the day file always goes first.

#include "fileio.h"
#include "journal.h"
#include "memoindex.h"
#include "memolookup.h"
#include "repositoryscope.h"
#include "textfileupdate.h"
#include "vaulterror.h"
#include "vaultpaths.h"
#include "vaultrepository.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QUuid>

#include <cerrno>

namespace {

QString imageLine(const QString& path, const QString& journalFile)
{
    const QString decoded = percentDecoded(path).value_or(path);
    // Root-anchored attachment paths become links relative to the day file.
    const QString link = decoded.startsWith(QLatin1Char('/'))
                             ? relativeMarkdownLink(journalFile, decoded.mid(1))
                             : path;
    return QStringLiteral("![图片](") + link + QLatin1Char(')');
}

QString joinedNonEmpty(const QStringList& parts, QLatin1String separator)
{
    QStringList kept;
    for (const QString& part : parts) {
        if (!part.isEmpty())
            kept.append(part);
    }
    return kept.join(separator);
}

QString newMemoId()
{
    return QLatin1String("memo-") + QUuid::createUuid().toString(QUuid::WithoutBraces).toLower();
}

QString followUpStamp(const QDateTime& date)
{
    const QDateTime local = date.toLocalTime();
    return QString::asprintf("%04d-%02d-%02d %02d:%02d", local.date().year(), local.date().month(),
                             local.date().day(), local.time().hour(), local.time().minute());
}

// Collapses every run of four or more line feeds to two; runs of three stay.
QString collapsedBlankRuns(QString text)
{
    static const QRegularExpression runs(QStringLiteral("\n{4,}"));
    if (text.contains(QLatin1String("\n\n\n\n")))
        text.replace(runs, QStringLiteral("\n\n"));
    return text;
}

// The memo as "load all memos, take the first with the id" finds it, with the day files treated
// as loadMemos treats them; also the index as read, for the index update that follows.
MemoRecord findMemo(const VaultRepository& repository, const QString& id, MemoIndexRead& index)
{
    MemoLookup lookup = findMemoById(repository, id);
    if (!lookup.memo)
        throw VaultError(VaultError::noteNotFound);
    index = std::move(lookup.index);
    return *lookup.memo;
}

// A day file's text with the block of memo `id` replaced (removed when `replacement` is empty),
// tidied; VaultError::noteNotFound when the text has no such block.
QString replacedBlock(QString text, const QString& id, const QString& replacement)
{
    const std::optional<TextRange> block = memoBlockRange(id, text);
    if (!block)
        throw VaultError(VaultError::noteNotFound);
    const QString inserted =
        replacement.isEmpty() ? QString() : trimmedText(replacement) + QLatin1String("\n\n");
    text.replace(block->start, block->end - block->start, inserted);
    text = collapsedBlankRuns(std::move(text));
    if (!text.endsWith(QLatin1Char('\n')))
        text.append(QLatin1Char('\n'));
    return text;
}

} // namespace

QString storedMemoMarkdown(const MemoRecord& memo)
{
    const QList<MemoRecord> read = parseAnchoredMemos(
        replacedBlock(renderMemoBlock(memo), memo.id, renderMemoBlock(memo)), memo.journalPath);
    return read.isEmpty() ? trimmedText(memo.markdown) : read.first().markdown;
}

MemoRecord VaultRepository::createMemo(const QString& text, const QDateTime& createdAt,
                                       const QString& folderPath,
                                       const QStringList& imagePaths) const
{
    const QString journalFile = journalPath(createdAt);
    QStringList images;
    for (const QString& path : imagePaths)
        images.append(imageLine(path, journalFile));
    const QString body = joinedNonEmpty({trimmedText(text), images.join(QLatin1String("\n\n"))},
                                        QLatin1String("\n\n"));
    if (body.isEmpty())
        throw VaultError(VaultError::invalidName);

    const WriteScope scope(*this);
    const QString file = resolveVaultPath(journalFile);
    ::createFolder(QFileInfo(file).absolutePath());
    const MemoRecord memo{newMemoId(), createdAt, relativeVaultPath(file), body, folderPath};
    updateTextFile(file, [&](const std::optional<QString>& current) -> std::optional<QString> {
        return trimmedText(current.value_or(newJournalText(createdAt))) + QLatin1String("\n\n") +
               renderMemoBlock(memo) + QLatin1Char('\n');
    });
    updateMemoIndexAfterWrite([&] { upsertMemoIndexEntry(memo); }, QStringLiteral("记录已保存"));
    return memo;
}

MemoRecord VaultRepository::updateMemo(const QString& id, const QString& markdown) const
{
    const WriteScope scope(*this);
    MemoIndexRead index;
    MemoRecord memo = findMemo(*this, id, index);
    memo.markdown = trimmedText(markdown);
    replaceMemoBlock(memo, renderMemoBlock(memo));
    updateMemoIndexAfterWrite([&] { ::upsertMemoIndexEntry(*this, memo, std::move(index)); },
                              QStringLiteral("记录已保存"));
    return memo;
}

MemoRecord VaultRepository::updateMemoFrom(const QString& id, const QString& markdown,
                                           const QString& base) const
{
    const WriteScope scope(*this);
    MemoIndexRead index;
    MemoRecord memo = findMemo(*this, id, index);
    memo.markdown = trimmedText(markdown);
    const QString file = resolveVaultPath(memo.journalPath);
    const auto textIn = [&](const QString& dayText) -> std::optional<QString> {
        for (const MemoRecord& found : parseAnchoredMemos(dayText, memo.journalPath)) {
            if (found.id == id)
                return found.markdown;
        }
        return std::nullopt;
    };
    QString written;
    // Checked against the file as it is when written, under the lock: a change made between
    // the editor's last read and now is never written over.
    updateTextFile(file, [&](const std::optional<QString>& current) -> std::optional<QString> {
        if (!current || !textIn(*current))
            throw VaultError(VaultError::noteNotFound);
        if (*textIn(*current) != base)
            throw VaultError(VaultError::conflict);
        written = replacedBlock(*current, memo.id, renderMemoBlock(memo));
        return written;
    });
    memo.markdown = textIn(written).value_or(memo.markdown);
    updateMemoIndexAfterWrite([&] { ::upsertMemoIndexEntry(*this, memo, std::move(index)); },
                              QStringLiteral("记录已保存"));
    return memo;
}

MemoRecord VaultRepository::appendFollowUp(const QString& id, const QString& text,
                                           const QDateTime& date) const
{
    const WriteScope scope(*this);
    MemoIndexRead index;
    MemoRecord memo = findMemo(*this, id, index);
    const QString addition = trimmedText(text);
    if (addition.isEmpty())
        throw VaultError(VaultError::invalidName);
    memo.markdown = trimmedText(memo.markdown) + QStringLiteral("\n\n### 续记 · ") +
                    followUpStamp(date) + QLatin1String("\n\n") + addition;
    replaceMemoBlock(memo, renderMemoBlock(memo));
    updateMemoIndexAfterWrite([&] { ::upsertMemoIndexEntry(*this, memo, std::move(index)); },
                              QStringLiteral("续记已保存"));
    return memo;
}

void VaultRepository::deleteMemo(const QString& id) const
{
    const WriteScope scope(*this);
    MemoIndexRead index;
    const MemoRecord memo = findMemo(*this, id, index);
    replaceMemoBlock(memo, QString());
    updateMemoIndexAfterWrite([&] { ::removeMemoIndexEntry(*this, id, std::move(index)); },
                              QStringLiteral("记录已删除"));
}

void VaultRepository::replaceMemoBlock(const MemoRecord& memo, const QString& replacement) const
{
    const WriteScope scope(*this);
    const QString file = resolveVaultPath(memo.journalPath);
    // Applied to the file as it is when written: an edit another program made meanwhile stays.
    updateTextFile(file, [&](const std::optional<QString>& current) -> std::optional<QString> {
        if (!current)
            throw FileError(FileError::read, file, ENOENT);
        return replacedBlock(*current, memo.id, replacement);
    });
}
