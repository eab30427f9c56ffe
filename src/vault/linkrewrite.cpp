#include "linkrewrite.h"

#include "fileio.h"
#include "textfileupdate.h"
#include "vaulterror.h"
#include "vaultpaths.h"
#include "vaultwalk.h"
#include "vaultwarnings.h"

#include <QFileInfo>
#include <QList>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <exception>
#include <functional>
#include <thread>
#include <vector>

QString rewriteLinkTarget(const QString& target, const QString& filePath, const ArticleMove& move)
{
    const qsizetype hash = target.indexOf(QLatin1Char('#'));
    const QString path = hash < 0 ? target : target.left(hash);
    if (path.isEmpty() || path.startsWith(QLatin1Char('/')) || path.contains(QLatin1String("://")))
        return target;
    // Elsewhere only a link whose last piece names the old file can change; without escapes
    // that can be seen without decoding and resolving.
    const bool isMovedArticle = filePath == move.to;
    if (!isMovedArticle && !path.contains(QLatin1Char('%'))) {
        const QString oldName = move.from.section(QLatin1Char('/'), -1);
        if (path != oldName && !path.endsWith(QLatin1Char('/') + oldName))
            return target;
    }
    const std::optional<QString> decoded = percentDecoded(path);
    if (!decoded || !decoded->toLower().endsWith(QLatin1String(".md")))
        return target;

    // The moved article still holds the links it had at its old place.
    const QString base = isMovedArticle ? move.from : filePath;
    const std::optional<QString> resolved = resolveMarkdownLink(path, base);
    if (!resolved)
        return target;

    QString newTarget;
    if (*resolved == move.from)
        newTarget = move.to; // also in the moved article: a link to itself follows it
    else if (isMovedArticle)
        newTarget = *resolved;
    else
        return target;
    QString link = relativeMarkdownLink(filePath, newTarget);
    if (hash >= 0)
        link += target.mid(hash);
    return link;
}

QString rewriteLinksInText(const QString& text, const QString& filePath, const ArticleMove& move)
{
    // The targets of inline links and images: after "](", the run of characters up to the first
    // white space or ")". A scan, not a regular expression: a rename reads every file of the
    // vault, and most of them hold no link to the moved article.
    static const QLatin1String opener("](");
    struct Target
    {
        qsizetype start;
        qsizetype length;
    };
    QList<Target> targets;
    for (qsizetype from = 0;;) {
        const qsizetype found = text.indexOf(opener, from);
        if (found < 0)
            break;
        const qsizetype start = found + opener.size();
        qsizetype end = start;
        while (end < text.size() && text.at(end) != QLatin1Char(')') && !text.at(end).isSpace())
            ++end;
        if (end > start)
            targets.append(Target{start, end - start});
        from = end;
    }
    QString result = text;
    // Last to first, so that earlier positions stay valid.
    for (qsizetype i = targets.size() - 1; i >= 0; --i) {
        const Target& target = targets.at(i);
        const QString written = text.mid(target.start, target.length);
        const QString replacement = rewriteLinkTarget(written, filePath, move);
        if (replacement != written)
            result.replace(target.start, target.length, replacement);
    }
    return result;
}

namespace {

bool isAsciiSpace(char c)
{
    return c == ' ' || (c >= '\t' && c <= '\r');
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Percent-decoding that keeps malformed escapes as they stand.
QByteArray looselyDecoded(QByteArrayView bytes)
{
    QByteArray result;
    result.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (bytes.at(i) == '%' && i + 2 < bytes.size() && hexDigit(bytes.at(i + 1)) >= 0 &&
            hexDigit(bytes.at(i + 2)) >= 0) {
            result.append(char(hexDigit(bytes.at(i + 1)) * 16 + hexDigit(bytes.at(i + 2))));
            i += 2;
        } else {
            result.append(bytes.at(i));
        }
    }
    return result;
}

// Whether a file other than the moved article may hold a link that leads to its old place, read
// straight from the bytes. It may say yes too often, never too rarely: every link target that
// resolves to the old path names the old file, escaped or not, so each "](" is followed by text
// that holds the name once escapes are undone. Most files of a vault pass without being decoded.
bool mayLinkTo(const QByteArray& bytes, const QByteArray& oldName)
{
    const char* data = bytes.constData();
    const qsizetype size = bytes.size();
    for (qsizetype from = 0; from + 2 <= size;) {
        // "]" is rare in prose, so a search for it alone is the fastest way to each "](".
        const void* found = std::memchr(data + from, ']', size_t(size - from - 1));
        if (!found)
            return false;
        const qsizetype bracket = static_cast<const char*>(found) - data;
        if (data[bracket + 1] != '(') {
            from = bracket + 1;
            continue;
        }
        const qsizetype start = bracket + 2;
        qsizetype end = start;
        while (end < size && data[end] != ')' && !isAsciiSpace(data[end]))
            ++end;
        const QByteArrayView target(data + start, end - start);
        if (target.contains('%') ? looselyDecoded(target).contains(oldName)
                                 : target.contains(oldName))
            return true;
        from = start; // a target cut short by other white space may be followed by another link
    }
    return false;
}

// What reading one file gave: its rewrite, or why its links stay as they are.
struct FileOutcome
{
    std::optional<PlannedLinkRewrite> rewrite;
    QString problem;
};

QString problemSentence(const QString& path, const QString& reason)
{
    return QStringLiteral("没有更新“%1”中的链接：%2。").arg(path, reason);
}

FileOutcome planFile(const VaultWalkEntry& file, const QString& rootPath, const ArticleMove& move,
                     QByteArray& buffer)
{
    // Planned before the move, the article is still at its old place; it is rewritten as the
    // file it will be.
    const QString path = file.relativePath == move.from ? move.to : file.relativePath;
    FileOutcome outcome;
    std::optional<FileIdentity> version;
    try {
        std::optional<QByteArray> bytes = readFileVersion(file.absolutePath, version);
        if (!bytes)
            return outcome; // gone since the walk
        buffer = std::move(*bytes);
    } catch (const FileError& error) {
        outcome.problem = problemSentence(path, error.clause());
        return outcome;
    }
    if (path != move.to && !mayLinkTo(buffer, move.from.section(QLatin1Char('/'), -1).toUtf8()))
        return outcome;
    const std::optional<QString> text = decodeUtf8Strict(buffer);
    if (!text) {
        // Never rewritten: writing it back would destroy the bytes that are not text.
        outcome.problem = problemSentence(path, notUtf8Reason());
        return outcome;
    }
    QString rewritten = rewriteLinksInText(*text, path, move);
    if (rewritten != *text)
        outcome.rewrite = PlannedLinkRewrite{rootPath + QLatin1Char('/') + path, path, version,
                                             std::move(rewritten)};
    return outcome;
}

// Runs work(0 ... count - 1) on `threads` threads, this one included. Each thread has a scratch
// buffer of its own that lives as long as the call.
void runInParallel(qsizetype count, qsizetype threads,
                   const std::function<void(qsizetype, QByteArray&)>& work)
{
    std::atomic<qsizetype> next{0};
    const auto worker = [&] {
        QByteArray scratch;
        for (qsizetype i = next++; i < count; i = next++)
            work(i, scratch);
    };
    std::vector<std::thread> pool;
    for (qsizetype i = 1; i < threads; ++i)
        pool.emplace_back(worker);
    worker();
    for (std::thread& thread : pool)
        thread.join();
}

// Writes and flushes wait on the disk more than on the processor, so they overlap.
qsizetype writerThreads(qsizetype count)
{
    return std::min<qsizetype>(8, count);
}

// Puts one planned rewrite in place: the staged text if the file is still the version read,
// else the file as it is now, rewritten afresh. The problem, if any.
QString applyFile(const PlannedLinkRewrite& file, std::optional<StagedFile>& staged,
                  const ArticleMove& move)
{
    try {
        if (!staged)
            staged.emplace(file.absolutePath, file.text.toUtf8());
        if (staged->commitIfUnchanged(file.version))
            return {};
        staged.reset();
        updateTextFile(file.absolutePath,
                       [&](const std::optional<QString>& text) -> std::optional<QString> {
                           if (!text)
                               return std::nullopt;
                           QString rewritten = rewriteLinksInText(*text, file.path, move);
                           if (rewritten == *text)
                               return std::nullopt;
                           return rewritten;
                       });
    } catch (const StorageError& error) {
        return problemSentence(file.path, error.clause());
    }
    return {};
}

} // namespace

LinkRewritePlan planLinkRewrite(const QString& rootPath, const ArticleMove& move)
{
    QList<VaultWalkEntry> files;
    walkVault(
        rootPath,
        [&](const VaultWalkEntry& entry) {
            if (entry.isFolder)
                return entry.name != QLatin1String("Attachments");
            if (entry.isRegularFile &&
                QFileInfo(entry.name).suffix().toLower() == QLatin1String("md"))
                files.append(entry);
            return false;
        },
        VaultWalkDates::skip);

    // Reading and scanning every file is most of the work and each file stands alone, so it is
    // shared among the cores.
    std::vector<FileOutcome> outcomes(static_cast<size_t>(files.size()));
    const unsigned cores = std::max(1u, std::min(8u, std::thread::hardware_concurrency()));
    runInParallel(files.size(), std::min<qsizetype>(cores, files.size() / 32 + 1),
                  [&](qsizetype i, QByteArray& buffer) {
                      outcomes[size_t(i)] = planFile(files.at(i), rootPath, move, buffer);
                  });
    LinkRewritePlan plan;
    for (FileOutcome& outcome : outcomes) {
        if (outcome.rewrite)
            plan.files.append(std::move(*outcome.rewrite));
        if (!outcome.problem.isEmpty())
            plan.problems.append(outcome.problem);
    }
    return plan;
}

std::vector<std::optional<StagedFile>> stageLinkRewrite(const LinkRewritePlan& plan)
{
    const qsizetype count = plan.files.size();
    std::vector<std::optional<StagedFile>> staged(static_cast<size_t>(count));
    std::vector<std::exception_ptr> failures(static_cast<size_t>(count));
    runInParallel(count, writerThreads(count), [&](qsizetype i, QByteArray&) {
        const PlannedLinkRewrite& file = plan.files.at(i);
        try {
            // Named: the staged files wait for the move, and a process has few descriptors.
            staged[size_t(i)].emplace(file.absolutePath, file.text.toUtf8(),
                                      StagedFile::Naming::named);
        } catch (...) {
            failures[size_t(i)] = std::current_exception();
        }
    });
    for (const std::exception_ptr& failure : failures) {
        if (failure)
            std::rethrow_exception(failure); // the staged files go with the vector
    }
    return staged;
}

QStringList applyLinkRewrite(const LinkRewritePlan& plan,
                             std::vector<std::optional<StagedFile>>& staged,
                             const ArticleMove& move)
{
    const qsizetype count = plan.files.size();
    staged.resize(size_t(count));
    std::vector<QString> problems(static_cast<size_t>(count));
    runInParallel(count, writerThreads(count), [&](qsizetype i, QByteArray&) {
        problems[size_t(i)] = applyFile(plan.files.at(i), staged[size_t(i)], move);
    });
    QStringList result = plan.problems;
    for (const QString& problem : problems) {
        if (!problem.isEmpty())
            result.append(problem);
    }
    return result;
}

void rewriteArticleLinks(const QString& rootPath, const ArticleMove& move)
{
    const LinkRewritePlan plan = planLinkRewrite(rootPath, move);
    std::vector<std::optional<StagedFile>> staged;
    for (const QString& problem : applyLinkRewrite(plan, staged, move))
        reportVaultWarning(VaultWarning::Kind::operation, problem);
}
