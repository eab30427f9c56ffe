#include "startupcache.h"

#include "articlelisting.h"
#include "articlesearchindex.h"
#include "contenthash.h"
#include "parallelmap.h"
#include "recordstore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimeZone>

#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Raised whenever the layout of the file or the meaning of a record changes: an older cache is
// then ignored.
constexpr quint32 formatVersion = 3;
constexpr char magic[8] = {'L', 'A', 'R', 'C', 'H', 'R', 'C', '\n'};
constexpr qsizetype headerSize = 8 + 4 + 4 + 8 + 8;

class Writer
{
public:
    template <typename T> void put(T value)
    {
        m_out.append(reinterpret_cast<const char*>(&value), sizeof value);
    }
    void putString(const QString& text)
    {
        put(quint32(text.size()));
        m_out.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    }
    void putBytes(const QByteArray& bytes)
    {
        put(quint64(bytes.size()));
        m_out.append(bytes);
    }
    void putCheck(const FileCheck& check)
    {
        const FileIdentity& id = check.identity;
        for (const qint64 value : {id.size, id.modifiedNs, id.changedNs, qint64(id.inode),
                                   qint64(id.device), check.verifiedAtNs, qint64(check.hash)})
            put(value);
    }
    void putDate(const QDateTime& date)
    {
        // A local date by its local day and time, as the memo reader makes it; any other by its
        // instant.
        put(quint8(date.timeSpec()));
        if (date.timeSpec() == Qt::LocalTime) {
            put(qint64(date.date().toJulianDay()));
            put(qint32(date.time().msecsSinceStartOfDay()));
        } else {
            put(qint64(date.toMSecsSinceEpoch()));
            put(qint32(date.offsetFromUtc()));
        }
    }
    QByteArray& bytes() { return m_out; }

private:
    QByteArray m_out;
};

// A date as stored, made into a QDateTime once the whole file has been read: local dates cost a
// time-zone computation each, which the cores share.
struct StoredDate
{
    quint8 timeSpec = 0;
    qint64 first = 0;
    qint32 second = 0;

    QDateTime made() const
    {
        if (timeSpec == Qt::LocalTime)
            return QDateTime(QDate::fromJulianDay(first), QTime::fromMSecsSinceStartOfDay(second));
        if (timeSpec == Qt::UTC)
            return QDateTime::fromMSecsSinceEpoch(first, Qt::UTC);
        return QDateTime::fromMSecsSinceEpoch(first, Qt::OffsetFromUTC, second);
    }
};

class Reader
{
public:
    explicit Reader(QByteArrayView bytes) : m_bytes(bytes) {}
    bool ok() const { return m_ok; }

    template <typename T> T get()
    {
        T value{};
        if (!take(sizeof value))
            return value;
        std::memcpy(&value, m_bytes.data() + m_at - qsizetype(sizeof value), sizeof value);
        return value;
    }
    QString getString()
    {
        const quint32 length = get<quint32>();
        if (!take(qsizetype(length) * 2))
            return {};
        return QString(reinterpret_cast<const QChar*>(m_bytes.data() + m_at - length * 2),
                       qsizetype(length));
    }
    QByteArray getBytes()
    {
        const quint64 length = get<quint64>();
        if (length > quint64(m_bytes.size()) || !take(qsizetype(length)))
            return {};
        return m_bytes.sliced(m_at - qsizetype(length), qsizetype(length)).toByteArray();
    }
    FileCheck getCheck()
    {
        FileCheck check;
        check.identity.size = get<qint64>();
        check.identity.modifiedNs = get<qint64>();
        check.identity.changedNs = get<qint64>();
        check.identity.inode = quint64(get<qint64>());
        check.identity.device = quint64(get<qint64>());
        check.verifiedAtNs = get<qint64>();
        check.hash = quint64(get<qint64>());
        return check;
    }
    StoredDate getDate()
    {
        StoredDate date;
        date.timeSpec = get<quint8>();
        date.first = get<qint64>();
        date.second = get<qint32>();
        return date;
    }
    // A count of records, each at least `minimum` bytes long.
    qsizetype getCount(qsizetype minimum)
    {
        const quint32 count = get<quint32>();
        if (qsizetype(count) * minimum > m_bytes.size() - m_at) {
            m_ok = false;
            return 0;
        }
        return qsizetype(count);
    }
    bool atEnd() const { return m_at == m_bytes.size(); }

private:
    bool take(qsizetype length)
    {
        if (!m_ok || length < 0 || length > m_bytes.size() - m_at) {
            m_ok = false;
            return false;
        }
        m_at += length;
        return true;
    }

    QByteArrayView m_bytes;
    qsizetype m_at = 0;
    bool m_ok = true;
};

// The folder a cache is for, as both the application and `larch` name it: symbolic links
// resolved.
QString canonicalRoot(const QString& rootPath)
{
    const QString canonical = QFileInfo(rootPath).canonicalFilePath();
    return canonical.isEmpty() ? rootPath : canonical;
}

QString timeZoneId()
{
    return QString::fromUtf8(QTimeZone::systemTimeZoneId());
}

// The memos of a day file as stored: the memos' sort keys and journal paths are derived.
struct StoredDayFile
{
    QString path;
    DayFileRecord record;
    QList<StoredDate> dates; // of the memos
};

} // namespace

QString StartupCache::pathFor(const QString& rootPath)
{
    const QByteArray key = canonicalRoot(rootPath).toUtf8();
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
           QStringLiteral("/larch-notes/") +
           QString::number(contentHash(key), 16).rightJustified(16, QLatin1Char('0')) +
           QStringLiteral(".cache");
}

bool StartupCacheCodec::write(VaultRecordStore& store, const QString& file)
{
    Writer out;
    out.putString(canonicalRoot(store.m_root));
    out.putString(timeZoneId());

    // Articles, in walk order; those that could not be read are left to the next reading.
    qsizetype count = 0;
    for (const QString& path : std::as_const(store.m_articleOrder))
        count += store.m_articles.find(path)->retry ? 0 : 1;
    out.put(quint32(count));
    for (const QString& path : std::as_const(store.m_articleOrder)) {
        const ArticleRecord& record = store.m_articles.find(path).value();
        if (record.retry)
            continue;
        out.putString(path);
        out.put(quint8((record.isSymbolicLink ? 1 : 0) |
                       (record.summary.searchableContent.byteSize() > 0 ? 2 : 0)));
        out.putCheck(record.check);
        out.putString(record.summary.preview);
    }
    // The folders as the walk meets them and as they are sorted for people (the sorting is slow).
    for (const QList<FolderItem>* list : {&store.m_walkedFolders, &store.m_folders}) {
        out.put(quint32(list->size()));
        for (const FolderItem& folder : *list)
            out.putString(folder.path);
    }

    // Whether the index held every memo of these day files: a start need not decode it to know.
    const auto& incomplete = store.m_indexIncomplete;
    const bool indexComplete = incomplete && std::get<0>(*incomplete) == store.m_indexVersion &&
                               std::get<1>(*incomplete) == store.m_memosVersion &&
                               !std::get<2>(*incomplete) && !store.m_indexUndecodable;
    out.put(quint8((store.m_indexCheck ? 1 : 0) | (indexComplete ? 2 : 0)));
    if (store.m_indexCheck)
        out.putCheck(*store.m_indexCheck);
    count = 0;
    for (const QString& path : std::as_const(store.m_dayFileOrder))
        count += store.m_dayFiles.find(path)->retry ? 0 : 1;
    out.put(quint32(count));
    for (const QString& path : std::as_const(store.m_dayFileOrder)) {
        const DayFileRecord& record = store.m_dayFiles.find(path).value();
        if (record.retry)
            continue;
        out.putString(path);
        out.put(quint8(record.isSymbolicLink ? 1 : 0));
        out.putCheck(record.check);
        out.put(record.indexFingerprint);
        out.put(quint32(record.memos.size()));
        for (qsizetype m = 0; m < record.memos.size(); ++m) {
            const MemoRecord& memo = record.memos.at(m);
            out.putString(memo.id);
            out.putDate(memo.createdAt);
            out.put(record.keys.at(m));
            out.putString(memo.markdown);
            out.putString(memo.folderPath);
        }
    }

    out.put(quint8(store.m_searchIndex ? 1 : 0));
    if (store.m_searchIndex) {
        const ArticleIndexBuilder::Stored index = store.m_searchIndex->stored();
        out.putBytes(index.postings);
        out.put(quint32(index.paths.size()));
        for (qsizetype i = 0; i < index.paths.size(); ++i) {
            out.putString(index.paths.at(i));
            out.putString(index.foldedTitles.at(i));
        }
    }

    QByteArray bytes(magic, sizeof magic);
    Writer header;
    header.put(formatVersion);
    header.put(quint32(0));
    header.put(quint64(out.bytes().size()));
    header.put(contentHash(out.bytes()));
    bytes += header.bytes();
    bytes += out.bytes();

    // Written beside the cache and renamed over it, so that a reader never sees half of it. Not
    // synced to disk: a cache lost in a crash only costs time.
    if (!QDir().mkpath(QFileInfo(file).absolutePath()))
        return false;
    QByteArray temporary = QFile::encodeName(file + QStringLiteral(".XXXXXX"));
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0)
        return false;
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        written += n;
    }
    const bool complete = ::close(fd) == 0 && written == bytes.size();
    if (!complete || ::rename(temporary.constData(), QFile::encodeName(file).constData()) != 0) {
        ::unlink(temporary.constData());
        return false;
    }
    return true;
}

bool StartupCacheCodec::read(VaultRecordStore& store, const QString& file)
{
    QFile cache(file);
    if (!cache.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = cache.readAll();
    if (bytes.size() < headerSize || std::memcmp(bytes.constData(), magic, sizeof magic) != 0)
        return false;
    Reader header(QByteArrayView(bytes).sliced(sizeof magic, headerSize - qsizetype(sizeof magic)));
    const quint32 version = header.get<quint32>();
    header.get<quint32>();
    const quint64 size = header.get<quint64>();
    const quint64 hash = header.get<quint64>();
    const QByteArrayView payload = QByteArrayView(bytes).sliced(headerSize);
    if (version != formatVersion || size != quint64(payload.size()) || hash != contentHash(payload))
        return false;

    Reader in(payload);
    if (in.getString() != canonicalRoot(store.m_root) || in.getString() != timeZoneId())
        return false;

    // Everything is read into local values first: the store takes them only when the whole
    // file made sense.
    const qsizetype articleCount = in.getCount(65);
    struct StoredArticle
    {
        QString path;
        quint8 flags = 0;
        FileCheck check;
        QString preview;
    };
    QList<StoredArticle> articles(articleCount);
    for (StoredArticle& article : articles) {
        article.path = in.getString();
        article.flags = in.get<quint8>();
        article.check = in.getCheck();
        article.preview = in.getString();
    }
    QList<FolderItem> walkedFolders(in.getCount(4));
    for (FolderItem& folder : walkedFolders)
        folder.path = in.getString();
    QList<FolderItem> folders(in.getCount(4));
    for (FolderItem& folder : folders)
        folder.path = in.getString();
    std::optional<FileCheck> indexCheck;
    const quint8 indexFlags = in.get<quint8>();
    if (indexFlags & 1)
        indexCheck = in.getCheck();
    QList<StoredDayFile> dayFiles(in.getCount(70));
    for (StoredDayFile& day : dayFiles) {
        day.path = in.getString();
        day.record.isSymbolicLink = in.get<quint8>() & 1;
        day.record.check = in.getCheck();
        day.record.indexFingerprint = in.get<quint64>();
        const qsizetype memoCount = in.getCount(30);
        day.record.memos.resize(memoCount);
        day.record.keys.resize(memoCount);
        day.dates.resize(memoCount);
        for (qsizetype m = 0; m < memoCount; ++m) {
            MemoRecord& memo = day.record.memos[m];
            memo.id = in.getString();
            day.dates[m] = in.getDate();
            day.record.keys[m] = in.get<qint64>();
            memo.journalPath = day.path;
            memo.markdown = in.getString();
            memo.folderPath = in.getString();
        }
    }
    std::unique_ptr<ArticleIndexBuilder> searchIndex;
    if (in.get<quint8>()) {
        ArticleIndexBuilder::Stored stored;
        stored.postings = in.getBytes();
        const qsizetype slotCount = in.getCount(8);
        for (qsizetype i = 0; i < slotCount; ++i) {
            stored.paths.append(in.getString());
            stored.foldedTitles.append(in.getString());
        }
        if (in.ok())
            searchIndex = ArticleIndexBuilder::fromStored(stored);
        if (!searchIndex)
            return false;
    }
    if (!in.ok() || !in.atEnd())
        return false;

    QList<QDateTime> articleDates(articles.size());
    QDateTime* madeDates = articleDates.data();
    StoredDayFile* days = dayFiles.data();
    parallelMap<bool>(articles.size() + dayFiles.size(), [&](qsizetype i, QByteArray&) {
        if (i < articles.size()) {
            madeDates[i] =
                QDateTime::fromMSecsSinceEpoch(msecsOfNs(articles.at(i).check.identity.modifiedNs));
        } else {
            StoredDayFile& day = days[i - articles.size()];
            for (qsizetype m = 0; m < day.dates.size(); ++m)
                day.record.memos[m].createdAt = day.dates.at(m).made();
        }
        return true;
    });
    for (qsizetype i = 0; i < articles.size(); ++i) {
        StoredArticle& article = articles[i];
        ArticleRecord record;
        record.check = article.check;
        record.isSymbolicLink = article.flags & 1;
        record.modifiedMsecs = msecsOfNs(article.check.identity.modifiedNs);
        record.summary.path = article.path;
        record.summary.title = noteTitle(article.path);
        record.summary.preview = std::move(article.preview);
        record.summary.modifiedAt = articleDates.at(i);
        if (article.flags & 2)
            record.summary.searchableContent =
                ArticleText::inFile(store.m_root + QLatin1Char('/') + article.path,
                                    article.check.hash, article.check.identity.size);
        store.m_articleOrder.append(article.path);
        if (record.isSymbolicLink)
            store.m_articleLinks.insert(article.path);
        store.m_articles.insert(article.path, std::move(record));
    }
    store.m_walkedFolders = std::move(walkedFolders);
    store.m_folders = std::move(folders);
    const bool useIndex = !store.m_indexCheck && !store.m_indexEntries;
    if (useIndex) {
        store.m_indexCheck = indexCheck;
        // The day files were parsed with the index the cache describes.
        store.m_journalIndexVersion = store.m_indexVersion;
    } else {
        // The index was read before the cache: the day files' entries are compared with it.
        store.m_journalIndexVersion = 0;
    }
    for (StoredDayFile& day : dayFiles) {
        store.m_dayFileOrder.append(day.path);
        if (day.record.isSymbolicLink)
            store.m_dayFileLinks.insert(day.path);
        store.m_dayFiles.insert(day.path, std::move(day.record));
    }
    store.m_searchIndex = std::move(searchIndex);
    if (useIndex && (indexFlags & 2)) {
        store.memosChanged();
        store.m_indexIncomplete = std::tuple(store.m_indexVersion, store.m_memosVersion, false);
    }
    return true;
}
