#include "vaultpaths.h"

#include "fileio.h"
#include "vaulterror.h"

#include <QStringList>

QString trimmedText(const QString& text)
{
    return text.trimmed();
}

QString validatedName(const QString& name)
{
    QString result = trimmedText(name);
    if (result.isEmpty() || result.contains(QLatin1Char('/')) || result.contains(QLatin1Char(':')) ||
        result == QLatin1String(".") || result == QLatin1String(".."))
        throw VaultError(VaultError::invalidName);
    if (result.endsWith(QLatin1String(".md"), Qt::CaseInsensitive))
        result.chop(3);
    // A name that was only ".md" would make a hidden, nameless file.
    if (result.isEmpty())
        throw VaultError(VaultError::invalidName);
    return result;
}

QString joinVaultPath(const QString& parent, const QString& name)
{
    return parent.isEmpty() ? name : parent + QLatin1Char('/') + name;
}

namespace {

QStringList folderPieces(const QString& file)
{
    QStringList pieces = file.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (!pieces.isEmpty())
        pieces.removeLast();
    return pieces;
}

int hexValue(QChar c)
{
    const ushort u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

} // namespace

QString relativeMarkdownLink(const QString& fromFile, const QString& target)
{
    const QStringList from = folderPieces(fromFile);
    const QStringList to = target.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    qsizetype common = 0;
    while (common < from.size() && common < to.size() && from.at(common) == to.at(common))
        ++common;
    QStringList pieces;
    for (qsizetype i = common; i < from.size(); ++i)
        pieces.append(QStringLiteral(".."));
    for (qsizetype i = common; i < to.size(); ++i)
        pieces.append(to.at(i));
    QString link = pieces.join(QLatin1Char('/'));
    link.replace(QLatin1String("%"), QLatin1String("%25"));
    link.replace(QLatin1String(" "), QLatin1String("%20"));
    link.replace(QLatin1String("("), QLatin1String("%28"));
    link.replace(QLatin1String(")"), QLatin1String("%29"));
    return link;
}

std::optional<QString> percentDecoded(const QString& text)
{
    if (!text.contains(QLatin1Char('%')))
        return text;
    QByteArray bytes;
    const QByteArray utf8 = text.toUtf8();
    bytes.reserve(utf8.size());
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const char c = utf8.at(i);
        if (c != '%') {
            bytes.append(c);
            continue;
        }
        if (i + 2 >= utf8.size())
            return std::nullopt;
        const int high = hexValue(QLatin1Char(utf8.at(i + 1)));
        const int low = hexValue(QLatin1Char(utf8.at(i + 2)));
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes.append(char(high * 16 + low));
        i += 2;
    }
    return decodeUtf8Strict(bytes);
}

std::optional<QString> resolveMarkdownLink(const QString& link, const QString& fromFile)
{
    const QString decoded = percentDecoded(link).value_or(link);
    QStringList stack = folderPieces(fromFile);
    const QStringList pieces = decoded.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& piece : pieces) {
        if (piece == QLatin1String("."))
            continue;
        if (piece == QLatin1String("..")) {
            if (stack.isEmpty())
                return std::nullopt;
            stack.removeLast();
            continue;
        }
        stack.append(piece);
    }
    return stack.join(QLatin1Char('/'));
}
