#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

// What the article search index records of a folded text, and what it looks up for a word.
//
// A searched word never holds white space, so it occurs in a text only inside one of the text's
// runs without white space. Each character of folded text is of one of four kinds: white space;
// a word character (a letter or digit of a script written with spaces); an ideograph (Chinese,
// Japanese kana, Korean syllables: scripts written without spaces); anything else (punctuation,
// symbols). The index records:
// - terms: every maximal run of word characters. A word made only of word characters occurs in
//   a text exactly when it occurs inside one of the text's terms;
// - grams: every ideograph and every pair of adjacent ideographs, and every other character. A
//   word of one or two ideographs, or of one other character, occurs exactly when its gram does.
// Any other word is looked up by all its parts, which finds every text holding it and maybe a
// few more, which are then checked.

enum class SearchCharKind { space, word, ideograph, other };
SearchCharKind searchCharKind(char16_t c);

// The keys of one article: its folded title and the terms and grams of its folded title and
// text, each list without repeats.
struct ArticleIndexKeys
{
    QString foldedTitle;
    QStringList terms;
    QList<quint64> grams;
    friend bool operator==(const ArticleIndexKeys&, const ArticleIndexKeys&) = default;
};
// Folds the title and the text (the article's searchable text is title + " " + text).
ArticleIndexKeys articleIndexKeys(const QString& title, QStringView text);
// The same for texts already folded.
ArticleIndexKeys foldedArticleIndexKeys(const QString& foldedTitle, QStringView foldedText);

// What to look up for one folded word: each listed part must be found (a term containing it, a
// gram), and when `exact` the articles found are exactly those that contain the word.
struct WordKeys
{
    QStringList termParts;
    QList<quint64> grams;
    bool exact = false;
};
WordKeys wordKeys(QStringView foldedWord);
