#include "memocontent.h"

#include "journal.h"
#include "vaultpaths.h"

#include <QRegularExpression>
#include <QTextBoundaryFinder>

namespace {

// Where a pattern line starts with "^\s": ICU also finds a line start between CR and LF, and
// never a line end there, so those two anchors are spelled out to cut CRLF text the same way.
#define ICU_LINE_START "(?:^|(?<=\\r)(?=\\n))"
#define ICU_LINE_END "$(?!(?<=\\r)\\n)"

const QRegularExpression& followUpHeadingPattern()
{
    static const QRegularExpression pattern =
        compileTextPattern(QStringLiteral(R"re((?m)^###\s+续记\s+·\s+(.+?)\s*$)re"));
    return pattern;
}

const QRegularExpression& imagePattern()
{
    static const QRegularExpression pattern =
        compileTextPattern(QStringLiteral(R"re(!\[([^\]]*)\]\(([^)]+)\))re"));
    return pattern;
}

const QRegularExpression& imageLinePattern()
{
    static const QRegularExpression pattern = compileTextPattern(
        QStringLiteral("(?m)" ICU_LINE_START R"re(\s*!\[[^\]]*\]\([^)]+\)\s*)re" ICU_LINE_END));
    return pattern;
}

const QRegularExpression& articleReferencePattern()
{
    static const QRegularExpression pattern =
        compileTextPattern(QStringLiteral(R"re(^\s*\[[^\]]+\]\(([^)#]+\.md)\)\s*$)re"));
    return pattern;
}

const QRegularExpression& articleLinkTextPattern()
{
    static const QRegularExpression pattern =
        compileTextPattern(QStringLiteral(R"re(^\s*\[([^\]]+)\]\([^)]+\.md\)\s*$)re"));
    return pattern;
}

const QRegularExpression& inlineImagePattern()
{
    static const QRegularExpression pattern =
        compileTextPattern(QStringLiteral(R"re(!\[([^\]]*)\]\([^)]*\))re"));
    return pattern;
}

const QRegularExpression& linkPattern()
{
    static const QRegularExpression pattern =
        compileTextPattern(QStringLiteral(R"re(\[([^\]]+)\]\([^)]*\))re"));
    return pattern;
}

const QRegularExpression& headingMarksPattern()
{
    static const QRegularExpression pattern =
        compileTextPattern(QStringLiteral("(?m)" ICU_LINE_START R"re(\s{0,3}#{1,6}\s+)re"));
    return pattern;
}

const QRegularExpression& listMarksPattern()
{
    static const QRegularExpression pattern = compileTextPattern(
        QStringLiteral("(?m)" ICU_LINE_START R"re(\s*[-*+]\s+(?:\[[ xX]\]\s+)?)re"));
    return pattern;
}

const QRegularExpression& emphasisPattern()
{
    static const QRegularExpression pattern = compileTextPattern(QStringLiteral("[*_>`~]"));
    return pattern;
}

const QRegularExpression& tagPattern()
{
    static const QRegularExpression pattern =
        compileTextPattern(QStringLiteral(R"re((?<![\p{L}\p{N}_])#([\p{L}\p{N}_/-]+))re"));
    return pattern;
}

const QRegularExpression& blankRunPattern()
{
    static const QRegularExpression pattern = compileTextPattern(QStringLiteral("\n{3,}"));
    return pattern;
}

#undef ICU_LINE_START
#undef ICU_LINE_END

const QString firstGroup = QStringLiteral("\\1");

} // namespace

QString primaryMarkdown(const QString& markdown)
{
    const QRegularExpressionMatch heading = followUpHeadingPattern().match(markdown);
    if (!heading.hasMatch())
        return markdown;
    return trimmedText(markdown.first(heading.capturedStart(0)));
}

QString followUpMarkdown(const QString& markdown)
{
    const QRegularExpressionMatch heading = followUpHeadingPattern().match(markdown);
    if (!heading.hasMatch())
        return QString();
    return trimmedText(markdown.sliced(heading.capturedStart(0)));
}

QList<MemoFollowUp> followUps(const QString& markdown)
{
    QList<QRegularExpressionMatch> headings;
    QRegularExpressionMatchIterator it = followUpHeadingPattern().globalMatch(markdown);
    while (it.hasNext())
        headings.append(it.next());
    QList<MemoFollowUp> sections;
    for (qsizetype i = 0; i < headings.size(); ++i) {
        const qsizetype start = headings.at(i).capturedEnd(0);
        const qsizetype end =
            i + 1 < headings.size() ? headings.at(i + 1).capturedStart(0) : markdown.size();
        sections.append(MemoFollowUp{headings.at(i).captured(1),
                                     trimmedText(markdown.sliced(start, end - start))});
    }
    return sections;
}

QList<MemoImageReference> imageReferences(const QString& text)
{
    QList<MemoImageReference> images;
    QRegularExpressionMatchIterator it = imagePattern().globalMatch(text);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        images.append(MemoImageReference{match.captured(1), match.captured(2)});
    }
    return images;
}

QString removingImageLines(const QString& text)
{
    QString result = text;
    result.remove(imageLinePattern());
    return trimmedText(result);
}

QString textWithoutMedia(const QString& text)
{
    QString result = text;
    result.remove(imageLinePattern());
    result.replace(articleLinkTextPattern(), firstGroup);
    result.replace(blankRunPattern(), QStringLiteral("\n\n"));
    return trimmedText(result);
}

QString plainText(const QString& markdown)
{
    QString result = textWithoutMedia(primaryMarkdown(markdown));
    result.replace(inlineImagePattern(), firstGroup);
    result.replace(linkPattern(), firstGroup);
    result.remove(headingMarksPattern());
    result.remove(listMarksPattern());
    result.remove(emphasisPattern());
    result = trimmedText(result);
    return result.isEmpty() ? QStringLiteral("空白记录") : result;
}

std::optional<QString> referencedArticleLink(const MemoRecord& memo)
{
    const QRegularExpressionMatch match = articleReferencePattern().match(memo.markdown);
    if (!match.hasMatch())
        return std::nullopt;
    const QString target = match.captured(1);
    return percentDecoded(target).value_or(target);
}

QString replacingPrimaryText(const MemoRecord& memo, const QString& newText)
{
    QStringList images;
    for (const MemoImageReference& image : imageReferences(primaryMarkdown(memo))) {
        const QString alt = image.altText.isEmpty() ? QStringLiteral("图片") : image.altText;
        images.append(QLatin1String("![") + alt + QLatin1String("](") + image.markdownPath +
                      QLatin1Char(')'));
    }
    QStringList parts;
    for (const QString& part :
         {trimmedText(newText), images.join(QLatin1String("\n\n")), followUpMarkdown(memo)}) {
        if (!part.isEmpty())
            parts.append(part);
    }
    return parts.join(QLatin1String("\n\n"));
}

QStringList memoTags(const QString& text)
{
    QStringList tags;
    // Every tag starts with "#": most memos have none, and the search of the pattern over each
    // of twenty thousand memos shows when they are all searched.
    if (!text.contains(QLatin1Char('#')))
        return tags;
    QRegularExpressionMatchIterator it = tagPattern().globalMatch(text);
    while (it.hasNext())
        tags.append(it.next().captured(1));
    return tags;
}

std::pair<QString, bool> leadingCharacters(const QString& text, int count)
{
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int seen = 0;
    while (seen < count && finder.toNextBoundary() >= 0)
        ++seen;
    if (seen < count || finder.position() >= text.size())
        return {text, false};
    return {text.left(finder.position()), true};
}
