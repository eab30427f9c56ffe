#include "vaultpaths.h"

#include "fileio.h"
#include "vaulterror.h"

#include <QStringList>

#include <algorithm>

QString trimmedText(const QString& text)
{
    return text.trimmed();
}

namespace {

// Line breaks and other control characters: C0, DEL, C1 (NEL among them) and the line and
// paragraph separators. A name holding one gives links no reader can follow or repair.
bool isControlCharacter(QChar c)
{
    const char16_t u = c.unicode();
    return u < 0x20 || (u >= 0x7f && u <= 0x9f) || u == 0x2028 || u == 0x2029;
}

} // namespace

QString validatedName(const QString& name)
{
    QString result = trimmedText(name);
    if (result.isEmpty() || result.contains(QLatin1Char('/')) ||
        result.contains(QLatin1Char(':')) || result == QLatin1String(".") ||
        result == QLatin1String("..") ||
        std::any_of(result.cbegin(), result.cend(), isControlCharacter))
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
    // A raw "#" would read as the start of a fragment.
    link.replace(QLatin1String("#"), QLatin1String("%23"));
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
        // A "%" that starts no escape stands for itself, as other editors write it
        // ("100%%20done.md" is "100% done.md").
        const int high = i + 2 < utf8.size() ? hexValue(QLatin1Char(utf8.at(i + 1))) : -1;
        const int low = i + 2 < utf8.size() ? hexValue(QLatin1Char(utf8.at(i + 2))) : -1;
        if (high < 0 || low < 0) {
            bytes.append(c);
            continue;
        }
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
