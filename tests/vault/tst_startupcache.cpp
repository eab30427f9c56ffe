// The start-up cache may only save time: a start from a good cache, from a damaged one, from
// another vault's or another version's, gives what reading every file gives; files changed
// after they were read (even with their size and date kept) are read again.

#include "recordstore.h"
#include "startupcache.h"
#include "testvault.h"
#include "vaultrepository.h"

#include <QTest>

namespace {

struct Loaded
{
    VaultSnapshot snapshot;
    QList<MemoRecord> memos;
};

Loaded load(const VaultRepository& repository)
{
    return Loaded{repository.loadSnapshot(), repository.loadMemos()};
}

Loaded loadAfresh(const QString& root)
{
    VaultRepository repository(root);
    repository.records().setStartupCacheEnabled(false);
    return load(repository);
}

void compare(const Loaded& got, const Loaded& expected)
{
    QCOMPARE(got.snapshot, expected.snapshot);
    for (qsizetype i = 0; i < got.snapshot.notes.size(); ++i)
        QCOMPARE(got.snapshot.notes.at(i).searchableContent.text(),
                 expected.snapshot.notes.at(i).searchableContent.text());
    QCOMPARE(got.memos, expected.memos);
}

void fillVault(const TestVault& vault)
{
    const VaultRepository repository(vault.root());
    repository.prepareLayout();
    for (int i = 0; i < 12; ++i)
        vault.write(QStringLiteral("Notes/笔记 %1.md").arg(i),
                    QStringLiteral("# 标题\n\nline %1 项目总结 café\n").arg(i));
    vault.write(QStringLiteral("Notes/broken.md"), QByteArray("\xff\xfe"));
    for (int i = 0; i < 6; ++i)
        repository.createMemo(QStringLiteral("memo %1 #tag").arg(i),
                              QDateTime(QDate(2024, 5, 1 + i % 3), QTime(8, i)), QString(), {});
}

// Reads the vault with a new repository and writes its cache; returns the cache file.
QString writeCache(const TestVault& vault)
{
    const VaultRepository repository(vault.root());
    load(repository);
    repository.buildSearchIndex();
    repository.saveStartupCache();
    const QString file = repository.records().startupCachePath();
    return QFileInfo::exists(file) ? file : QString();
}

QByteArray readAll(const QString& file)
{
    QFile in(file);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

void writeAll(const QString& file, const QByteArray& bytes)
{
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
    out.write(bytes);
}

} // namespace

class StartupCacheTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void damagedCacheChangesNothing_data()
    {
        QTest::addColumn<QString>("damage");
        for (const char* damage : {"none", "truncated", "bit flipped", "header bit flipped",
                                   "other version", "other vault", "empty", "garbage"})
            QTest::newRow(damage) << QString::fromLatin1(damage);
    }
    void damagedCacheChangesNothing()
    {
        QFETCH(QString, damage);
        TestVault vault;
        fillVault(vault);
        const QString cache = writeCache(vault);
        QVERIFY(!cache.isEmpty());
        QByteArray bytes = readAll(cache);
        if (damage == QLatin1String("truncated"))
            bytes.chop(bytes.size() / 3);
        else if (damage == QLatin1String("bit flipped"))
            bytes[bytes.size() * 2 / 3] = char(bytes.at(bytes.size() * 2 / 3) ^ 0x10);
        else if (damage == QLatin1String("header bit flipped"))
            bytes[17] = char(bytes.at(17) ^ 0x01);
        else if (damage == QLatin1String("other version"))
            bytes[8] = char(bytes.at(8) + 1);
        else if (damage == QLatin1String("empty"))
            bytes.clear();
        else if (damage == QLatin1String("garbage"))
            bytes = QByteArray(4096, 'x');
        if (damage == QLatin1String("other vault")) {
            // A cache of a vault with other contents, placed where this vault's cache goes.
            TestVault other;
            fillVault(other);
            other.write(QStringLiteral("Notes/only there.md"), QByteArray("elsewhere"));
            bytes = readAll(writeCache(other));
        }
        writeAll(cache, bytes);

        const VaultRepository repository(vault.root());
        compare(load(repository), loadAfresh(vault.root()));
        // A cache it could not use is written anew, and then used.
        repository.saveStartupCache();
        if (damage != QLatin1String("none"))
            QVERIFY(readAll(cache) != bytes);
        compare(load(VaultRepository(vault.root())), loadAfresh(vault.root()));
    }

    void changesAfterReadingAreReadAgain_data()
    {
        QTest::addColumn<QString>("change");
        for (const char* change : {"same size and date", "appended", "memo anchor stripped",
                                   "memo index changed", "removed", "added", "touched"})
            QTest::newRow(change) << QString::fromLatin1(change);
    }
    void changesAfterReadingAreReadAgain()
    {
        QFETCH(QString, change);
        TestVault vault;
        fillVault(vault);
        const QString article = QStringLiteral("Notes/笔记 3.md");
        const QString day = QStringLiteral("Journal/2024/05/2024-05-02.md");
        // The cache holds the files as read; each changes after the reading, before or while
        // the cache is written.
        const VaultRepository first(vault.root());
        load(first);
        first.buildSearchIndex();
        const QDateTime date = QFileInfo(vault.path(article)).lastModified();
        if (change == QLatin1String("same size and date")) {
            QByteArray bytes = vault.read(article);
            bytes.replace("line", "LINE");
            vault.write(article, bytes);
            vault.setModified(article, date);
        } else if (change == QLatin1String("appended")) {
            vault.write(article, vault.read(article) + "more 海边\n");
        } else if (change == QLatin1String("memo anchor stripped")) {
            QString text = vault.readText(day);
            text.remove(text.indexOf(QLatin1String("<a id=")),
                        text.indexOf(QLatin1String("\n\n## ")) -
                            text.indexOf(QLatin1String("<a id=")));
            vault.write(day, text);
        } else if (change == QLatin1String("memo index changed")) {
            vault.write(QStringLiteral(".larch/memo-index.json"), QByteArray("[]"));
        } else if (change == QLatin1String("removed")) {
            QFile::remove(vault.path(article));
        } else if (change == QLatin1String("added")) {
            vault.write(QStringLiteral("Notes/new.md"), QByteArray("new\n"));
        } else {
            vault.setModified(article, date.addSecs(-3600));
        }
        first.saveStartupCache();

        const VaultRepository second(vault.root());
        const Loaded loaded = load(second);
        compare(loaded, loadAfresh(vault.root()));
        second.buildSearchIndex();
        const VaultSnapshot indexed = second.loadSnapshot();
        QVERIFY(indexed.searchIndex);
        for (const qint32 slot : indexed.searchSlots)
            QVERIFY(slot >= 0);
    }
};

QTEST_GUILESS_MAIN(StartupCacheTest)
#include "tst_startupcache.moc"
