#pragma once

#include <QString>

#include <functional>

// Article files: names, contents and free places for new files. The operations themselves are
// methods of VaultRepository (articles.cpp, memoconversion.cpp).

// The title of an article created without one.
QString defaultNoteTitle();

// What a new article holds: its title as a top-level heading, then an empty line.
QString newArticleContent(const QString& baseName);

// The base name of an article file: its name without the ".md" ending.
QString articleBaseName(const QString& filePath);

// `filePath` itself when nothing exists there, otherwise the first free "<base> <n>.<ext>" for
// n = 2 ... 9999, and beyond that "<base> <UUID>.<ext>".
QString uniqueFilePath(const QString& filePath);

// Writes a new file under the first free name from `candidate` (as uniqueFilePath picks it),
// with a text that depends on the name chosen; returns the file. Another writer may take a name
// between the test and the write: then the next one is tried, so no file is ever replaced.
QString createUniqueFile(const QString& candidate,
                         const std::function<QString(const QString& file)>& contentFor);

// The article made from a memo's text: the text as it is when it already opens with a
// top-level heading, otherwise under a heading of `baseName`; always ending in a line feed.
QString convertedArticleContent(const QString& memoMarkdown, const QString& baseName);

// A text usable as a link label: square brackets escaped.
QString escapedLinkLabel(const QString& text);
