#pragma once

#include <QString>

// Keeping relative links pointing at an article after it was renamed.

// An article that moved: its vault-relative path before and after.
struct ArticleMove
{
    QString from;
    QString to;
};

// The target of one inline link written in the file `filePath`, after `move`. In every other
// file a link to the old path now leads to the new one; in the moved article itself links keep
// the vault path they led to from its old place, and a link to its own old path follows it.
// Links that are touched come out in the canonical relative form; web links, root-anchored
// paths and links to files other than Markdown are left as written.
QString rewriteLinkTarget(const QString& target, const QString& filePath, const ArticleMove& move);

// Rewrites the target of every inline link or image ("](" target) in `text`.
QString rewriteLinksInText(const QString& text, const QString& filePath, const ArticleMove& move);

// Rewrites the links of every Markdown file of the vault below `rootPath`, journal files
// included. Hidden folders and folders named "Attachments" are skipped, and so are symbolic
// links and files that are not valid UTF-8 (they are never rewritten). Only files whose text
// changes are written. A file that cannot be read ends the rewrite: the files before it in walk
// order are rewritten, the others are not, and the read error is thrown; a failed write is
// thrown too. Files already rewritten stay rewritten.
void rewriteArticleLinks(const QString& rootPath, const ArticleMove& move);
