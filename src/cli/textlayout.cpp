#include "textlayout.h"

#include <QChar>

#include <algorithm>
#include <iterator>

namespace {

struct CodePointRange
{
    char32_t first;
    char32_t last;
};

// East Asian Wide and Fullwidth characters, and the emoji that terminals draw two columns wide.
// Sorted, so a binary search finds a code point's range.
constexpr CodePointRange wideRanges[] = {
    {0x1100, 0x115F},   {0x231A, 0x231B},   {0x2329, 0x232A},   {0x23E9, 0x23EC},
    {0x23F0, 0x23F0},   {0x23F3, 0x23F3},   {0x25FD, 0x25FE},   {0x2614, 0x2615},
    {0x2648, 0x2653},   {0x267F, 0x267F},   {0x2693, 0x2693},   {0x26A1, 0x26A1},
    {0x26AA, 0x26AB},   {0x26BD, 0x26BE},   {0x26C4, 0x26C5},   {0x26CE, 0x26CE},
    {0x26D4, 0x26D4},   {0x26EA, 0x26EA},   {0x26F2, 0x26F3},   {0x26F5, 0x26F5},
    {0x26FA, 0x26FA},   {0x26FD, 0x26FD},   {0x2705, 0x2705},   {0x270A, 0x270B},
    {0x2728, 0x2728},   {0x274C, 0x274C},   {0x274E, 0x274E},   {0x2753, 0x2755},
    {0x2757, 0x2757},   {0x2795, 0x2797},   {0x27B0, 0x27B0},   {0x27BF, 0x27BF},
    {0x2B1B, 0x2B1C},   {0x2B50, 0x2B50},   {0x2B55, 0x2B55},   {0x2E80, 0x303E},
    {0x3041, 0x33FF},   {0x3400, 0x4DBF},   {0x4E00, 0x9FFF},   {0xA000, 0xA4CF},
    {0xA960, 0xA97F},   {0xAC00, 0xD7A3},   {0xF900, 0xFAFF},   {0xFE10, 0xFE19},
    {0xFE30, 0xFE6F},   {0xFF00, 0xFF60},   {0xFFE0, 0xFFE6},   {0x16FE0, 0x16FE4},
    {0x17000, 0x18CFF}, {0x1B000, 0x1B2FF}, {0x1F004, 0x1F004}, {0x1F0CF, 0x1F0CF},
    {0x1F18E, 0x1F18E}, {0x1F191, 0x1F19A}, {0x1F200, 0x1F2FF}, {0x1F300, 0x1F64F},
    {0x1F680, 0x1F6FF}, {0x1F7E0, 0x1F7EB}, {0x1F90C, 0x1F9FF}, {0x1FA70, 0x1FAFF},
    {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD},
};

bool isWide(char32_t codePoint)
{
    const auto after = std::upper_bound(
        std::begin(wideRanges), std::end(wideRanges), codePoint,
        [](char32_t value, const CodePointRange& range) { return value < range.first; });
    return after != std::begin(wideRanges) && codePoint <= std::prev(after)->last;
}

// Splits a text into code points, keeping each one's UTF-16 text.
template <typename Visit> void forEachCodePoint(const QString& text, Visit visit)
{
    for (qsizetype i = 0; i < text.size();) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            if (!visit(QChar::surrogateToUcs4(c, text.at(i + 1)), i, 2))
                return;
            i += 2;
        } else {
            if (!visit(char32_t(c.unicode()), i, 1))
                return;
            ++i;
        }
    }
}

} // namespace

int codePointWidth(char32_t codePoint)
{
    if (codePoint < 0x20 || (codePoint >= 0x7F && codePoint < 0xA0))
        return 0;
    switch (QChar::category(codePoint)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_Enclosing:
    case QChar::Other_Format:
        return 0;
    default:
        break;
    }
    if (codePoint >= 0x1160 && codePoint <= 0x11FF) // Hangul vowels and finals join the syllable
        return 0;
    return isWide(codePoint) ? 2 : 1;
}

int displayWidth(const QString& text)
{
    int width = 0;
    forEachCodePoint(text, [&](char32_t codePoint, qsizetype, qsizetype) {
        width += codePointWidth(codePoint);
        return true;
    });
    return width;
}

QString elidedToWidth(const QString& text, int columns)
{
    if (displayWidth(text) <= columns)
        return text;
    const QString ellipsis = QStringLiteral("…");
    const int room = columns - displayWidth(ellipsis);
    if (room < 0)
        return {};
    int width = 0;
    qsizetype end = 0;
    forEachCodePoint(text, [&](char32_t codePoint, qsizetype position, qsizetype length) {
        const int next = width + codePointWidth(codePoint);
        if (next > room)
            return false;
        width = next;
        end = position + length;
        return true;
    });
    return text.left(end) + ellipsis;
}

QString paddedToWidth(const QString& text, int columns)
{
    const int width = displayWidth(text);
    return width >= columns ? text : text + QString(columns - width, QLatin1Char(' '));
}

QString singleLine(const QString& text)
{
    QString result;
    result.reserve(text.size());
    bool pendingSpace = false;
    for (const QChar c : text) {
        if (c.isSpace()) {
            pendingSpace = !result.isEmpty();
            continue;
        }
        if (pendingSpace)
            result.append(QLatin1Char(' '));
        pendingSpace = false;
        result.append(c);
    }
    return result;
}

QString alignedRows(const QList<QStringList>& rows, int totalColumns, int minimumLastColumn)
{
    qsizetype columnCount = 0;
    for (const QStringList& row : rows)
        columnCount = std::max(columnCount, row.size());
    QList<int> widths(columnCount, 0);
    for (const QStringList& row : rows)
        for (qsizetype column = 0; column + 1 < row.size(); ++column)
            widths[column] = std::max(widths[column], displayWidth(row.at(column)));

    const QString gap = QStringLiteral("  ");
    QString result;
    for (const QStringList& row : rows) {
        QString line;
        int used = 0;
        for (qsizetype column = 0; column < row.size(); ++column) {
            if (column > 0) {
                line += gap;
                used += 2;
            }
            if (column + 1 < row.size()) {
                line += paddedToWidth(row.at(column), widths[column]);
                used += widths[column];
            } else {
                line +=
                    elidedToWidth(row.at(column), std::max(minimumLastColumn, totalColumns - used));
            }
        }
        while (line.endsWith(QLatin1Char(' ')))
            line.chop(1);
        result += line + QLatin1Char('\n');
    }
    return result;
}

QString displayDateTime(const QDateTime& date)
{
    const QDateTime local = date.toLocalTime();
    const QDate day = local.date();
    const QTime time = local.time();
    return QString::asprintf("%04d-%02d-%02d %02d:%02d", day.year(), day.month(), day.day(),
                             time.hour(), time.minute());
}
