#include "articlelisting.h"

#include "fileio.h"
#include "recordstore.h"
#include "repositoryscope.h"
#include "vaulterror.h"
#include "vaultrepository.h"
#include "vaultwalk.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>
#include <vector>

const QStringList& excludedTopLevelNames()
{
    static const QStringList names = {QStringLiteral("Attachments"), QStringLiteral(".larch"),
                                      QStringLiteral(".Trash"), QStringLiteral("Journal"),
                                      QStringLiteral("Daily Notes")};
    return names;
}

VaultListing listVault(const QString& rootPath)
{
    VaultListing listing;
    walkListing(rootPath, listing.folders,
                [&](ArticleFile article) { listing.articles.append(std::move(article)); });
    return listing;
}

void walkListing(const QString& rootPath, QList<FolderItem>& folders,
                 const std::function<void(ArticleFile)>& addArticle,
                 const std::function<void(const VaultWalkEntry&)>& enterFolder)
{
    if (!pathExists(rootPath))
        return;
    walkVault(
        rootPath,
        [&](const VaultWalkEntry& entry) {
            // Excluded folders are never entered, so only a top-level entry (a path without
            // "/") can be one of them.
            if (!entry.relativePath.contains(QLatin1Char('/')) &&
                excludedTopLevelNames().contains(entry.name))
                return false;
            if (entry.isFolder) {
                folders.append(FolderItem{entry.relativePath});
                if (enterFolder)
                    enterFolder(entry);
                return true;
            }
            // The extension, lowercased, is "md"; tested in place, without a QFileInfo per file.
            if (!entry.name.endsWith(QLatin1String(".md"), Qt::CaseInsensitive))
                return false;
            // A link counts as an article only when it leads to a file; the walk never follows it.
            if (entry.isRegularFile || (entry.isSymbolicLink && isRegularFile(entry.absolutePath)))
                addArticle(
                    ArticleFile{entry.absolutePath, entry.relativePath, entry.isSymbolicLink});
            return false;
        },
        VaultWalkDates::skip);
}

QString noteTitle(const QString& path)
{
    // What QFileInfo::completeBaseName() gives for the file name, without building a QFileInfo
    // per article: everything before the last ".".
    const QString name = path.section(QLatin1Char('/'), -1);
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}

std::optional<QString> linePreview(QStringView line)
{
    // Files written on Windows end their lines with CR LF; the CR is not part of the line.
    if (line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    if (line.trimmed().isEmpty() || line.startsWith(QLatin1String("# ")))
        return std::nullopt;
    // Markdown punctuation goes; everything else, white space at the ends included, stays.
    // A switch rather than a search of the mark list for every character: the line is often
    // a whole paragraph.
    QString preview(line.size(), Qt::Uninitialized);
    QChar* out = preview.data();
    for (QChar c : line) {
        switch (c.unicode()) {
        case u'#':
        case u'*':
        case u'_':
        case u'>':
        case u'`':
        case u'~':
        case u'[':
        case u']':
        case u'(':
        case u')':
            break;
        default:
            *out++ = c;
        }
    }
    preview.truncate(out - preview.constData());
    return preview;
}

QString notePreview(const QString& text)
{
    const QStringView all(text);
    // Line by line, stopping at the first line that qualifies: an article can be long.
    for (qsizetype start = 0; start < all.size();) {
        qsizetype end = all.indexOf(QLatin1Char('\n'), start);
        if (end < 0)
            end = all.size();
        const QStringView line = all.sliced(start, end - start);
        start = end + 1;
        if (std::optional<QString> preview = linePreview(line))
            return *preview;
    }
    return QStringLiteral("空白笔记");
}

NoteSummary summarizeArticle(const ArticleFile& file, QByteArray& buffer, qint64& modifiedMsecs)
{
    NoteSummary summary;
    summary.path = file.path;
    summary.title = noteTitle(file.path);
    QString text;
    try {
        summary.modifiedAt = readFileInto(file.absolutePath, buffer, &modifiedMsecs);
        text = decodeUtf8Strict(buffer).value_or(QString());
    } catch (const FileError&) {
        // Unreadable articles stay visible in the list, just without text.
        summary.modifiedAt = fileModificationDate(file.absolutePath);
        modifiedMsecs = summary.modifiedAt.toMSecsSinceEpoch();
    }
    summary.preview = notePreview(text);
    summary.searchableContent = text;
    return summary;
}

NoteSummary summarizeArticle(const ArticleFile& file, QByteArray& buffer)
{
    qint64 modifiedMsecs = 0;
    return summarizeArticle(file, buffer, modifiedMsecs);
}

NoteSummary summarizeArticle(const ArticleFile& file)
{
    QByteArray buffer;
    return summarizeArticle(file, buffer);
}

QCollator naturalCollator()
{
    // The "C" locale collates by code point and ignores numeric mode; fall back to the root
    // collation rules in that case so that the order stays natural.
    QLocale locale;
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English, QLocale::UnitedStates);
    QCollator collator(locale);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}

void sortFoldersNaturally(QList<FolderItem>& folders)
{
    const QCollator collator = naturalCollator();
    std::stable_sort(folders.begin(), folders.end(), [&](const FolderItem& a, const FolderItem& b) {
        const int order = collator.compare(a.path, b.path);
        // Names equal but for case still come out in a fixed order.
        return order != 0 ? order < 0 : a.path < b.path;
    });
}

void sortNotesNewestFirst(QList<NoteSummary>& notes)
{
    // Comparing two local dates converts both to instants, a time-zone computation each; so
    // every note's instant is taken once and the sort compares numbers.
    QList<qint64> keys;
    keys.reserve(notes.size());
    for (const NoteSummary& note : std::as_const(notes))
        keys.append(note.modifiedAt.toMSecsSinceEpoch());
    sortNotesNewestFirst(notes, keys);
}

void sortNotesNewestFirst(QList<NoteSummary>& notes, const QList<qint64>& modifiedMsecs)
{
    std::vector<std::pair<qint64, qsizetype>> order;
    order.reserve(size_t(notes.size()));
    for (qsizetype i = 0; i < notes.size(); ++i)
        order.emplace_back(modifiedMsecs.at(i), i);
    std::stable_sort(order.begin(), order.end(),
                     [](const auto& a, const auto& b) { return a.first > b.first; });
    QList<NoteSummary> sorted;
    sorted.reserve(notes.size());
    for (const auto& item : order)
        sorted.append(std::move(notes[item.second]));
    notes = std::move(sorted);
}

VaultSnapshot assembleSnapshot(QList<FolderItem> folders, QList<NoteSummary> notes)
{
    sortFoldersNaturally(folders);
    sortNotesNewestFirst(notes);
    return VaultSnapshot{std::move(folders), std::move(notes)};
}

VaultSnapshot VaultRepository::loadSnapshot() const
{
    const ReadScope scope(*this);
    return m_records->snapshot();
}
