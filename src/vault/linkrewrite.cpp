#include "linkrewrite.h"

#include "fileio.h"
#include "vaultpaths.h"
#include "vaultwalk.h"

#include <QFileInfo>
#include <QList>
#include <QRegularExpression>

QString rewriteLinkTarget(const QString& target, const QString& filePath, const ArticleMove& move)
{
    const qsizetype hash = target.indexOf(QLatin1Char('#'));
    const QString path = hash < 0 ? target : target.left(hash);
    if (path.isEmpty() || path.startsWith(QLatin1Char('/')) || path.contains(QLatin1String("://")))
        return target;
    const std::optional<QString> decoded = percentDecoded(path);
    if (!decoded || !decoded->toLower().endsWith(QLatin1String(".md")))
        return target;

    // The moved article still holds the links it had at its old place.
    const bool isMovedArticle = filePath == move.to;
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
    static const QRegularExpression linkTarget(QStringLiteral("(?<=\\]\\()([^\\s)]+)"),
                                               QRegularExpression::UseUnicodePropertiesOption);
    QList<QRegularExpressionMatch> matches;
    for (QRegularExpressionMatchIterator it = linkTarget.globalMatch(text); it.hasNext();)
        matches.append(it.next());
    QString result = text;
    // Last to first, so that earlier positions stay valid.
    for (qsizetype i = matches.size() - 1; i >= 0; --i) {
        const QRegularExpressionMatch& match = matches.at(i);
        const QString replacement = rewriteLinkTarget(match.captured(1), filePath, move);
        if (replacement != match.captured(1))
            result.replace(match.capturedStart(1), match.capturedLength(1), replacement);
    }
    return result;
}

void rewriteArticleLinks(const QString& rootPath, const ArticleMove& move)
{
    walkVault(rootPath, [&](const VaultWalkEntry& entry) {
        if (entry.isFolder)
            return entry.name != QLatin1String("Attachments");
        if (!entry.isRegularFile || QFileInfo(entry.name).suffix().toLower() != QLatin1String("md"))
            return false;
        const std::optional<QString> text = decodeUtf8Strict(readFileBytes(entry.absolutePath));
        if (!text)
            return false; // never rewrite what could not be decoded
        const QString rewritten = rewriteLinksInText(*text, entry.relativePath, move);
        if (rewritten != *text)
            writeTextFileAtomically(entry.absolutePath, rewritten);
        return false;
    });
}
