#pragma once

#include "vaultrecords.h"

#include <QHashFunctions>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

// The parts of a memo's text as the interface shows them: its own text, its images, the
// follow-up sections added later, the article it stands for, and its tags. Pure functions,
// usable from any thread; none fails.

// One "### 续记 · <stamp>" section of a memo.
struct MemoFollowUp
{
    QString timestamp; // the heading's text after "续记 · ", as written
    QString markdown;  // the section's body, trimmed

    QString id() const { return timestamp + QChar(u'\0') + markdown; }
    friend bool operator==(const MemoFollowUp&, const MemoFollowUp&) = default;
};

// One "![alt](path)" image inside a memo; the path is as written (relative to the day file,
// percent-escaped).
struct MemoImageReference
{
    QString altText;
    QString markdownPath;

    QString id() const { return markdownPath; }
    friend bool operator==(const MemoImageReference&, const MemoImageReference&) = default;
};

// What the sidebar has selected: everything, the quick list, or one article folder.
class LibrarySelection
{
public:
    enum class Kind { all, quick, folder };

    LibrarySelection() = default;
    static LibrarySelection all() { return LibrarySelection(Kind::all, {}); }
    static LibrarySelection quick() { return LibrarySelection(Kind::quick, {}); }
    static LibrarySelection folder(const QString& path) { return {Kind::folder, path}; }

    Kind kind() const { return m_kind; }
    // The selected folder's vault-relative path; empty unless kind() is folder.
    QString folderPath() const { return m_folderPath; }

    friend bool operator==(const LibrarySelection&, const LibrarySelection&) = default;
    friend size_t qHash(const LibrarySelection& selection, size_t seed = 0)
    {
        return qHashMulti(seed, int(selection.m_kind), selection.m_folderPath);
    }

private:
    LibrarySelection(Kind kind, QString folderPath)
        : m_kind(kind), m_folderPath(std::move(folderPath))
    {
    }

    Kind m_kind = Kind::all;
    QString m_folderPath;
};

// The memo's own text, without follow-up sections (trimmed when it has any, else unchanged).
QString primaryMarkdown(const QString& markdown);
inline QString primaryMarkdown(const MemoRecord& memo)
{
    return primaryMarkdown(memo.markdown);
}

// All follow-up sections as one trimmed text; empty when there are none.
QString followUpMarkdown(const QString& markdown);
inline QString followUpMarkdown(const MemoRecord& memo)
{
    return followUpMarkdown(memo.markdown);
}

// The follow-up sections in text order; sections with an empty body included.
QList<MemoFollowUp> followUps(const QString& markdown);
inline QList<MemoFollowUp> followUps(const MemoRecord& memo)
{
    return followUps(memo.markdown);
}

// Every image of the text, in text order.
QList<MemoImageReference> imageReferences(const QString& text);

// The text without the lines that consist of one image, trimmed.
QString removingImageLines(const QString& text);

// The text without image lines; a text that is one link to an article becomes the link's text.
QString textWithoutMedia(const QString& text);

// The memo's own text as plain text for previews and cards; "空白记录" when nothing is left.
QString plainText(const QString& markdown);
inline QString plainText(const MemoRecord& memo)
{
    return plainText(memo.markdown);
}

// For a memo that is nothing but a link to an article, the link's target, percent-decoded,
// relative to the memo's day file.
std::optional<QString> referencedArticleLink(const MemoRecord& memo);

// A whole new body for the memo: the new text, then the memo's images (each on its own line,
// in their order), then its follow-up sections.
QString replacingPrimaryText(const MemoRecord& memo, const QString& newText);

// The names of the "#tag"s in the text, in text order, repeats kept.
QStringList memoTags(const QString& text);

// The first `count` user-perceived characters of `text` (for excerpts and labels), and whether
// anything was cut off.
std::pair<QString, bool> leadingCharacters(const QString& text, int count);
