#pragma once

#include <QByteArrayView>
#include <QString>

#include <memory>

// The whole text of an article in a listing. The listing does not keep every article's text in
// memory: it records which bytes the file held (their digest) and reads the text when someone
// asks for it. Copies share one text, and the folded forms that searches need are kept once
// made. Two texts are equal when their UTF-8 bytes are.
class ArticleText
{
public:
    // The empty text.
    ArticleText();
    // A text at hand.
    ArticleText(const QString& text); // NOLINT: a text converts to an article text
    // The text of the file at `absolutePath`, whose bytes, strict UTF-8, had the digest `hash`
    // and the size `size` when the file was listed.
    static ArticleText inFile(const QString& absolutePath, quint64 hash, qint64 size);

    // The text. Read from the file when not at hand; a file that changed since it was listed
    // gives its text of now (the next listing takes the change), one that cannot be read or is
    // not UTF-8 any more gives the empty text.
    QString text() const;
    // foldForSearch of the text and its case-folded form, made once.
    QString foldedText() const;
    QString caseFoldedText() const;

    // The digest and size of the text's UTF-8 bytes.
    quint64 hash() const;
    qint64 byteSize() const;

    friend bool operator==(const ArticleText& a, const ArticleText& b);

private:
    struct State;
    explicit ArticleText(std::shared_ptr<State> state);
    static std::shared_ptr<State> emptyState();
    std::shared_ptr<State> m_state;
};
