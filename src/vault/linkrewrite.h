#pragma once

#include "fileidentity.h"
#include "stagedfile.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

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

// The rewrite of every Markdown file of the vault below `rootPath` after `move`, journal files
// included, planned from what the files hold now: the article may still be at its old path (a
// rename plans before it moves the file) or already at its new one. Hidden folders, folders
// named "Attachments", symbolic links and names that are not valid UTF-8 are skipped. Only
// files whose text changes are planned; files that cannot be read, or are not valid UTF-8 but
// may hold a link to the article, are listed as problems instead, each a sentence.
struct PlannedLinkRewrite
{
    QString absolutePath;                // where the file is once the article has moved
    QString path;                        // its vault path then
    std::optional<FileIdentity> version; // the version that was read
    QString text;                        // its text with the links rewritten
};
struct LinkRewritePlan
{
    QList<PlannedLinkRewrite> files;
    QStringList problems;
};
LinkRewritePlan planLinkRewrite(const QString& rootPath, const ArticleMove& move);

// Writes every planned file beside its target without putting it in place, so that a rename can
// find out that the disk is full before it moves anything. Throws the first FileError; nothing
// is left behind then.
std::vector<std::optional<StagedFile>> stageLinkRewrite(const LinkRewritePlan& plan);

// Puts the planned files in place once the article has moved: the staged text where given and
// the file is still the version read, else the file as it is now, rewritten afresh (so another
// program's change is kept). Never throws: returns the plan's problems and every file that could
// not be written, each a sentence.
QStringList applyLinkRewrite(const LinkRewritePlan& plan,
                             std::vector<std::optional<StagedFile>>& staged,
                             const ArticleMove& move);

// Plans and writes at once, after the article has moved; problems become warnings.
void rewriteArticleLinks(const QString& rootPath, const ArticleMove& move);
