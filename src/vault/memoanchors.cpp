#include "memoanchors.h"

#include "journal.h"

namespace {

// Characters after which "^" matches in the pattern's multi-line mode: the line breaks of its
// "(*ANY)" convention.
bool endsLine(char16_t c)
{
    return c == u'\n' || c == u'\r' || c == 0x0b || c == 0x0c || c == 0x85 || c == 0x2028 ||
           c == 0x2029;
}

bool isAsciiSpace(char16_t c)
{
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}

bool isAsciiLineBreak(char16_t c)
{
    return c >= u'\n' && c <= u'\r';
}

// The pattern's own answer for an anchor line at `start`, for the cases the scan leaves to it.
std::optional<MemoAnchor> matchedByPattern(const QString& text, qsizetype start)
{
    const QRegularExpressionMatch match =
        memoAnchorPattern().match(text, start, QRegularExpression::NormalMatch,
                                  QRegularExpression::AnchorAtOffsetMatchOption);
    if (!match.hasMatch())
        return std::nullopt;
    MemoAnchor anchor;
    anchor.start = match.capturedStart(0);
    anchor.end = match.capturedEnd(0);
    anchor.id = QStringView(text).sliced(match.capturedStart(1), match.capturedLength(1));
    if (match.hasCaptured(2))
        anchor.folder = QStringView(text).sliced(match.capturedStart(2), match.capturedLength(2));
    return anchor;
}

} // namespace

QList<MemoAnchor> findMemoAnchors(const QString& text)
{
    // The pattern, spelled out: at a line start, `<a id="`, then "memo-" and at least one more
    // character other than a double quote (line breaks included), `"`, optionally
    // ` data-folder="` + characters other than a double quote + `"`, then `></a>`; then white
    // space up to a line end or the end of the text, the match ending before the last line
    // break of that white space (or at the end of the text).
    static const QLatin1String opening("<a id=\"");
    static const QLatin1String idStart("memo-");
    static const QLatin1String folderStart(" data-folder=\"");
    static const QLatin1String closing("></a>");
    const QStringView all(text);
    QList<MemoAnchor> anchors;
    for (qsizetype from = 0;;) {
        const qsizetype start = all.indexOf(u'<', from);
        if (start < 0)
            break;
        from = start + 1;
        if (start > 0 && !endsLine(all.at(start - 1).unicode()))
            continue;
        QStringView rest = all.sliced(start);
        if (!rest.startsWith(opening) || !rest.sliced(opening.size()).startsWith(idStart))
            continue;
        const qsizetype idBegin = start + opening.size();
        const qsizetype idEnd = all.indexOf(u'"', idBegin + idStart.size());
        if (idEnd < 0 || idEnd == idBegin + idStart.size())
            continue;
        MemoAnchor anchor;
        anchor.start = start;
        anchor.id = all.sliced(idBegin, idEnd - idBegin);
        qsizetype position = idEnd + 1;
        if (all.sliced(position).startsWith(folderStart)) {
            const qsizetype folderBegin = position + folderStart.size();
            const qsizetype folderEnd = all.indexOf(u'"', folderBegin);
            if (folderEnd < 0)
                continue;
            anchor.folder = all.sliced(folderBegin, folderEnd - folderBegin);
            position = folderEnd + 1;
        }
        if (!all.sliced(position).startsWith(closing))
            continue;
        position += closing.size();
        qsizetype lastBreak = -1;
        while (position < all.size() && isAsciiSpace(all.at(position).unicode())) {
            if (isAsciiLineBreak(all.at(position).unicode()))
                lastBreak = position;
            ++position;
        }
        if (position < all.size() && all.at(position).unicode() >= 0x80) {
            // Beyond ASCII, white space and line breaks are the pattern's to judge.
            const std::optional<MemoAnchor> judged = matchedByPattern(text, start);
            if (!judged)
                continue;
            anchor = *judged;
        } else if (position == all.size()) {
            anchor.end = position;
        } else if (lastBreak >= 0) {
            anchor.end = lastBreak;
        } else {
            continue; // something else follows on the same line
        }
        anchors.append(anchor);
        from = anchor.end;
    }
    return anchors;
}
