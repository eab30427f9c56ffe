#include "articlelisting.h"
#include "fileio.h"
#include "testvault.h"
#include "vaultrepository.h"

#include <QTest>

namespace {

QStringList folderPaths(const VaultSnapshot& snapshot)
{
    QStringList paths;
    for (const FolderItem& folder : snapshot.folders)
        paths.append(folder.path);
    return paths;
}

QStringList notePaths(const VaultSnapshot& snapshot)
{
    QStringList paths;
    for (const NoteSummary& note : snapshot.notes)
        paths.append(note.path);
    return paths;
}

QDateTime at(int day, int hour)
{
    return QDateTime(QDate(2024, 5, day), QTime(hour, 0));
}

} // namespace

class ArticleListingTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void freshLayoutListsOnlyNotes()
    {
        TestVault vault;
        const VaultRepository repository(vault.root());
        repository.prepareLayout();
        const VaultSnapshot snapshot = repository.loadSnapshot();
        QCOMPARE(folderPaths(snapshot), QStringList{QStringLiteral("Notes")});
        QVERIFY(snapshot.notes.isEmpty());
    }

    void takesArticlesAndFoldersOutsideReservedPlaces()
    {
        TestVault vault;
        const QDateTime when = at(1, 9);
        const QStringList files = {
            QStringLiteral("README.md"),
            QStringLiteral("Notes/Plan.md"),
            QStringLiteral("Notes/Loud.MD"),
            QStringLiteral("Notes/Attachments/inner.md"), // only top-level names are reserved
            QStringLiteral("Projects/Deep/x.md"),
            QStringLiteral("Notes/.hidden.md"),
            QStringLiteral("Notes/.git/config.md"),
            QStringLiteral(".Trash/old.md"),
            QStringLiteral(".larch/memo-index.json"),
            QStringLiteral("Journal/2024/05/2024-05-01.md"),
            QStringLiteral("Daily Notes/x.md"),
            QStringLiteral("Attachments/image.md"),
            QStringLiteral("Notes/picture.png"),
            QStringLiteral("Notes/plain.txt"),
        };
        for (const QString& file : files) {
            vault.write(file, QByteArray("text"));
            vault.setModified(file, when);
        }
        QDir().mkpath(vault.path(QStringLiteral("Notes/folder.md")));

        const VaultSnapshot snapshot = VaultRepository(vault.root()).loadSnapshot();
        QCOMPARE(folderPaths(snapshot),
                 (QStringList{QStringLiteral("Notes"), QStringLiteral("Notes/Attachments"),
                              QStringLiteral("Notes/folder.md"), QStringLiteral("Projects"),
                              QStringLiteral("Projects/Deep")}));
        QStringList notes = notePaths(snapshot);
        notes.sort();
        QCOMPARE(notes,
                 (QStringList{QStringLiteral("Notes/Attachments/inner.md"),
                              QStringLiteral("Notes/Loud.MD"), QStringLiteral("Notes/Plan.md"),
                              QStringLiteral("Projects/Deep/x.md"), QStringLiteral("README.md")}));
    }

    void summaryFields()
    {
        TestVault vault;
        const QByteArray text = "# Roadmap\n\nShip **now** by [May](x.md)\n";
        vault.write(QStringLiteral("Notes/Weekly plan.md"), text);
        vault.setModified(QStringLiteral("Notes/Weekly plan.md"), at(2, 10));
        vault.write(QStringLiteral("Notes/broken.md"), QByteArray("ok \xff\xfe"));
        vault.setModified(QStringLiteral("Notes/broken.md"), at(1, 10));

        const VaultSnapshot snapshot = VaultRepository(vault.root()).loadSnapshot();
        QCOMPARE(snapshot.notes.size(), 2);
        const NoteSummary plan = snapshot.notes.at(0);
        QCOMPARE(plan.path, QStringLiteral("Notes/Weekly plan.md"));
        QCOMPARE(plan.title, QStringLiteral("Weekly plan"));
        QCOMPARE(plan.preview, QStringLiteral("Ship now by Mayx.md"));
        QCOMPARE(plan.searchableContent.text(), QString::fromUtf8(text));
        QCOMPARE(plan.modifiedAt, at(2, 10));

        // Not valid UTF-8: still listed, without text.
        const NoteSummary broken = snapshot.notes.at(1);
        QCOMPARE(broken.title, QStringLiteral("broken"));
        QCOMPARE(broken.searchableContent.text(), QString());
        QCOMPARE(broken.preview, QStringLiteral("空白笔记"));
    }

    void foldersInNaturalCaseInsensitiveOrder()
    {
        TestVault vault;
        for (const char* folder : {"Week 10", "week 2", "Week 9", "banana", "Apple", "Week 1/b",
                                   "Week 1/A", "Week 1/a10", "Week 1/a9", "中文"})
            QDir().mkpath(vault.path(QString::fromUtf8(folder)));
        const VaultSnapshot snapshot = VaultRepository(vault.root()).loadSnapshot();
        QCOMPARE(folderPaths(snapshot),
                 (QStringList{QStringLiteral("Apple"), QStringLiteral("banana"),
                              QStringLiteral("Week 1"), QStringLiteral("Week 1/A"),
                              QStringLiteral("Week 1/a9"), QStringLiteral("Week 1/a10"),
                              QStringLiteral("Week 1/b"), QStringLiteral("week 2"),
                              QStringLiteral("Week 9"), QStringLiteral("Week 10"),
                              QStringLiteral("中文")}));
    }

    void articlesNewestFirstAndStable()
    {
        TestVault vault;
        // Equal dates keep the walk's order, which is by name within a folder.
        const QList<QPair<const char*, QDateTime>> files = {
            {"a.md", at(1, 9)},       {"b.md", at(3, 9)},       {"c.md", at(1, 9)},
            {"Notes/d.md", at(2, 9)}, {"Notes/e.md", at(1, 9)}, {"z.md", at(3, 9)},
        };
        for (const auto& [name, when] : files) {
            vault.write(QString::fromUtf8(name), QByteArray("x"));
            vault.setModified(QString::fromUtf8(name), when);
        }
        const VaultSnapshot snapshot = VaultRepository(vault.root()).loadSnapshot();
        QCOMPARE(notePaths(snapshot),
                 (QStringList{QStringLiteral("b.md"), QStringLiteral("z.md"),
                              QStringLiteral("Notes/d.md"), QStringLiteral("Notes/e.md"),
                              QStringLiteral("a.md"), QStringLiteral("c.md")}));
    }

    void perFileStepMatchesSnapshot()
    {
        TestVault vault;
        vault.write(QStringLiteral("Notes/one.md"), QByteArray("# T\n\nbody"));
        vault.write(QStringLiteral("two.md"), QByteArray("- item"));
        const VaultListing listing = listVault(vault.root());
        QList<NoteSummary> notes;
        // Any order of reading gives the same snapshot once results are put back in listing order.
        for (qsizetype i = listing.articles.size() - 1; i >= 0; --i)
            notes.prepend(summarizeArticle(listing.articles.at(i)));
        QCOMPARE(assembleSnapshot(listing.folders, notes),
                 VaultRepository(vault.root()).loadSnapshot());
    }

    void preview_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("preview");
        QTest::newRow("heading skipped")
            << QStringLiteral("# Roadmap\n\nShip **now** by [May](x.md)")
            << QStringLiteral("Ship now by Mayx.md");
        QTest::newRow("only headings")
            << QStringLiteral("# A\n# B\n") << QStringLiteral("空白笔记");
        QTest::newRow("empty") << QString() << QStringLiteral("空白笔记");
        QTest::newRow("quote keeps spaces")
            << QStringLiteral("  > quoted") << QStringLiteral("   quoted");
        QTest::newRow("lower heading") << QStringLiteral("## Plan") << QStringLiteral(" Plan");
        QTest::newRow("all markup")
            << QStringLiteral("a#b*c_d>e`f~g[h]i(j)k") << QStringLiteral("abcdefghijk");
        QTest::newRow("crlf lines") << QStringLiteral("# Title\r\n\r\nFirst *line*\r\nSecond\r\n")
                                    << QStringLiteral("First line");
    }
    void preview()
    {
        QFETCH(QString, text);
        QFETCH(QString, preview);
        QCOMPARE(notePreview(text), preview);
    }
};

QTEST_GUILESS_MAIN(ArticleListingTest)
#include "tst_articlelisting.moc"
