#pragma once

#include "randomsource.h"

#include <QByteArray>
#include <QString>

// Makes the prose of the generated vault: mixed Chinese and English sentences, Markdown blocks
// (headings, lists, task lists, code, quotes, tables) and tags, as UTF-8 bytes.
class TextMaker
{
public:
    explicit TextMaker(RandomSource& random) : m_random(random) {}

    QByteArray englishSentence();
    QByteArray chineseSentence();
    // Either language, sometimes with a tag woven in.
    QByteArray sentence();
    QByteArray paragraph(int minSentences, int maxSentences);

    // A heading line without its "#" marks.
    QByteArray headingText();
    // Names users give to articles and folders: mixed languages, spaces, now and then a year or
    // parentheses; never "/" or ":".
    QString articleTitle();
    QString folderName();

    QByteArray bulletList();
    QByteArray numberedList();
    QByteArray taskList();
    QByteArray codeBlock();
    QByteArray quote();
    QByteArray table();
    QByteArray tag();
    QByteArray webLink();

private:
    QByteArray words(int count, bool chinese);
    RandomSource& m_random;
};
