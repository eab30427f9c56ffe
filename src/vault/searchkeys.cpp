#include "searchkeys.h"

#include "searchfold.h"

#include <QSet>

#include <algorithm>

namespace {

quint64 unigram(char16_t c)
{
    return (quint64(1) << 32) | c;
}

quint64 bigram(char16_t first, char16_t second)
{
    return (quint64(2) << 32) | (quint64(first) << 16) | second;
}

// Adds the keys of one folded field (title or text) to the sets.
void collectKeys(QStringView text, QSet<QStringView>& terms, QSet<quint64>& grams)
{
    const char16_t* data = text.utf16();
    const qsizetype size = text.size();
    for (qsizetype i = 0; i < size;) {
        const char16_t c = data[i];
        switch (searchCharKind(c)) {
        case SearchCharKind::space:
            ++i;
            break;
        case SearchCharKind::word: {
            qsizetype end = i + 1;
            while (end < size && searchCharKind(data[end]) == SearchCharKind::word)
                ++end;
            terms.insert(text.sliced(i, end - i));
            i = end;
            break;
        }
        case SearchCharKind::ideograph:
            grams.insert(unigram(c));
            if (i + 1 < size && searchCharKind(data[i + 1]) == SearchCharKind::ideograph)
                grams.insert(bigram(c, data[i + 1]));
            ++i;
            break;
        case SearchCharKind::other:
            grams.insert(unigram(c));
            ++i;
            break;
        }
    }
}

} // namespace

SearchCharKind searchCharKind(char16_t c)
{
    // White space as searchTokens splits at it.
    if (c < 0x80) {
        if ((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z'))
            return SearchCharKind::word;
        return c == u' ' || (c >= 0x09 && c <= 0x0d) ? SearchCharKind::space
                                                     : SearchCharKind::other;
    }
    if ((c >= 0x3040 && c <= 0x30FF) || (c >= 0x3400 && c <= 0x4DBF) ||
        (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xAC00 && c <= 0xD7A3))
        return SearchCharKind::ideograph;
    const QChar character(c);
    if (character.isSpace())
        return SearchCharKind::space;
    if (!character.isSurrogate() && character.isLetterOrNumber())
        return SearchCharKind::word;
    return SearchCharKind::other;
}

ArticleIndexKeys articleIndexKeys(const QString& title, QStringView text)
{
    return foldedArticleIndexKeys(foldForSearch(title), foldForSearch(text));
}

ArticleIndexKeys foldedArticleIndexKeys(const QString& foldedTitle, QStringView foldedText)
{
    QSet<QStringView> terms;
    QSet<quint64> grams;
    collectKeys(foldedTitle, terms, grams);
    collectKeys(foldedText, terms, grams);
    ArticleIndexKeys keys;
    keys.foldedTitle = foldedTitle;
    keys.terms.reserve(terms.size());
    for (QStringView term : std::as_const(terms))
        keys.terms.append(term.toString());
    std::sort(keys.terms.begin(), keys.terms.end());
    keys.grams = QList<quint64>(grams.cbegin(), grams.cend());
    std::sort(keys.grams.begin(), keys.grams.end());
    return keys;
}

WordKeys wordKeys(QStringView word)
{
    WordKeys keys;
    int segments = 0;
    SearchCharKind only = SearchCharKind::space;
    qsizetype onlyLength = 0;
    for (qsizetype i = 0; i < word.size();) {
        const SearchCharKind kind = searchCharKind(word.at(i).unicode());
        qsizetype end = i + 1;
        while (end < word.size() && searchCharKind(word.at(end).unicode()) == kind)
            ++end;
        const QStringView segment = word.sliced(i, end - i);
        ++segments;
        only = kind;
        onlyLength = segment.size();
        switch (kind) {
        case SearchCharKind::word:
            keys.termParts.append(segment.toString());
            break;
        case SearchCharKind::ideograph:
            if (segment.size() == 1)
                keys.grams.append(unigram(segment.at(0).unicode()));
            for (qsizetype k = 0; k + 1 < segment.size(); ++k)
                keys.grams.append(bigram(segment.at(k).unicode(), segment.at(k + 1).unicode()));
            break;
        case SearchCharKind::other:
            for (QChar c : segment)
                keys.grams.append(unigram(c.unicode()));
            break;
        case SearchCharKind::space:
            break; // never in a word; left to the check
        }
        i = end;
    }
    keys.exact = segments == 1 && (only == SearchCharKind::word ||
                                   (only == SearchCharKind::ideograph && onlyLength <= 2) ||
                                   (only == SearchCharKind::other && onlyLength == 1));
    return keys;
}
