#include "linkrewrite.h"

#include "fileio.h"
#include "vaultpaths.h"
#include "vaultwalk.h"

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

// What one file needs: its new text when its links changed, or the failure to read it.
struct FileRewrite
{
    std::optional<QString> text;
    std::exception_ptr failure;
};

FileRewrite rewriteFile(const VaultWalkEntry& file, const ArticleMove& move, QByteArray& buffer)
{
    FileRewrite result;
    try {
        readFileInto(file.absolutePath, buffer);
        if (file.relativePath != move.to &&
            !mayLinkTo(buffer, move.from.section(QLatin1Char('/'), -1).toUtf8()))
            return result;
        const std::optional<QString> text = decodeUtf8Strict(buffer);
        if (!text)
            return result; // never rewrite what could not be decoded
        QString rewritten = rewriteLinksInText(*text, file.relativePath, move);
        if (rewritten != *text)
            result.text = std::move(rewritten);
    } catch (...) {
        result.failure = std::current_exception();
    }
    return result;
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

} // namespace

void rewriteArticleLinks(const QString& rootPath, const ArticleMove& move)
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
    std::vector<FileRewrite> results(size_t(files.size()));
    const unsigned cores = std::max(1u, std::min(8u, std::thread::hardware_concurrency()));
    runInParallel(files.size(), std::min<qsizetype>(cores, files.size() / 32 + 1),
                  [&](qsizetype i, QByteArray& buffer) {
                      results[size_t(i)] = rewriteFile(files.at(i), move, buffer);
                  });

    // A file that could not be read ends the rewrite there, as if the files had been handled one
    // after the other: only the files before it are written. The writes themselves wait on the
    // disk more than on the processor, so they overlap; after a failed write the others still
    // finish (each is a correct rewrite), and the first failure in walk order is thrown.
    qsizetype end = 0;
    while (end < files.size() && !results[size_t(end)].failure)
        ++end;
    std::vector<qsizetype> changed;
    for (qsizetype i = 0; i < end; ++i) {
        if (results[size_t(i)].text)
            changed.push_back(i);
    }
    runInParallel(qsizetype(changed.size()), std::min<qsizetype>(8, qsizetype(changed.size())),
                  [&](qsizetype k, QByteArray&) {
                      FileRewrite& result = results[size_t(changed[size_t(k)])];
                      try {
                          writeTextFileAtomically(files.at(changed[size_t(k)]).absolutePath,
                                                  *result.text);
                      } catch (...) {
                          result.failure = std::current_exception();
                      }
                  });
    for (const FileRewrite& result : results) {
        if (result.failure)
            std::rethrow_exception(result.failure);
    }
}
