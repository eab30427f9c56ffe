#pragma once

#include "vaultrecords.h"
#include "vaultwalk.h"

#include <QByteArray>
#include <QCollator>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// The article listing: every folder and every article of the vault in one walk.
//
// loadSnapshot is listVault + summarizeArticle for each article + assembleSnapshot. The per-file
// step is independent of the others, so callers may run it in parallel over the listed articles
// and still get the same snapshot as long as they keep the results in listing order.

// One article found by the walk, not yet read.
struct ArticleFile
{
    QString absolutePath;
    QString path; // vault-relative, extension included
    bool isSymbolicLink = false;
    friend bool operator==(const ArticleFile&, const ArticleFile&) = default;
};

struct VaultListing
{
    QList<FolderItem> folders;   // in walk order
    QList<ArticleFile> articles; // in walk order
};

// Top-level names that never appear in the listing and are not descended into.
const QStringList& excludedTopLevelNames();

// Walks the vault below `rootPath` without reading or even asking the date of any file. A missing
// root gives an empty listing; an entry whose properties cannot be read throws FileError(list).
VaultListing listVault(const QString& rootPath);
// The same walk, handing each article to `addArticle` as soon as it is found, and each listed
// folder to `enterFolder`, when given, before the walk reads what it holds.
void walkListing(const QString& rootPath, QList<FolderItem>& folders,
                 const std::function<void(ArticleFile)>& addArticle,
                 const std::function<void(const VaultWalkEntry&)>& enterFolder = {});

// Reads one article and derives its summary; its date is the file's modification date when it
// was opened. Touches nothing but that file; safe on any thread. A file that cannot be read or is
// not valid UTF-8 is listed with empty text. `buffer` is scratch space that a caller may reuse
// from file to file.
NoteSummary summarizeArticle(const ArticleFile& file, QByteArray& buffer);
NoteSummary summarizeArticle(const ArticleFile& file);
// The same, also giving the date as milliseconds since the epoch, the key of the date order.
NoteSummary summarizeArticle(const ArticleFile& file, QByteArray& buffer, qint64& modifiedMsecs);

// The title of an article: its file name without the last extension.
QString noteTitle(const QString& path);

// The one-line preview of an article's text.
QString notePreview(const QString& text);
// The preview a line gives when it is the first that qualifies; nothing for a blank line or a
// top-level heading.
std::optional<QString> linePreview(QStringView line);

// Compares texts as a file browser orders names: case-insensitive, digit runs by value.
QCollator naturalCollator();

// Folders in the order a file browser shows them: case-insensitive, digit runs by value
// ("Week 9" before "Week 10").
void sortFoldersNaturally(QList<FolderItem>& folders);

// Newest first; articles with equal dates keep their order.
void sortNotesNewestFirst(QList<NoteSummary>& notes);
// The same with each note's date given as milliseconds since the epoch, in list order.
void sortNotesNewestFirst(QList<NoteSummary>& notes, const QList<qint64>& modifiedMsecs);

// Sorts both lists and puts them together.
VaultSnapshot assembleSnapshot(QList<FolderItem> folders, QList<NoteSummary> notes);
