#include "fileio.h"
#include "linkrewrite.h"
#include "testvault.h"
#include "vaultpaths.h"
#include "vaultrepository.h"

#include "pendingrename.h"

#include <QDirIterator>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

namespace {

QString utf8(const char* text)
{
    return QString::fromUtf8(text);
}

} // namespace

class LinkRewriteTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void target_data()
    {
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("expected");
        // The article 'Notes/a.md' became 'Notes/My plan.md'.
        QTest::newRow("journal with fragment")
            << QStringLiteral("../../../Notes/a.md#part")
            << QStringLiteral("Journal/2024/05/2024-05-01.md")
            << QStringLiteral("../../../Notes/My%20plan.md#part");
        QTest::newRow("empty fragment") << QStringLiteral("Notes/a.md#") << QStringLiteral("x.md")
                                        << QStringLiteral("Notes/My%20plan.md#");
        QTest::newRow("dot segments")
            << QStringLiteral("./Sub/../a.md") << QStringLiteral("Notes/b.md")
            << QStringLiteral("My%20plan.md");
        QTest::newRow("escaped old name")
            << QStringLiteral("Notes/%61.md") << QStringLiteral("x.md")
            << QStringLiteral("Notes/My%20plan.md");
        QTest::newRow("other article")
            << QStringLiteral("./b.md") << QStringLiteral("Notes/c.md") << QStringLiteral("./b.md");
        QTest::newRow("web") << QStringLiteral("https://example.com/Notes/a.md")
                             << QStringLiteral("a.md")
                             << QStringLiteral("https://example.com/Notes/a.md");
        QTest::newRow("root anchored") << QStringLiteral("/Notes/a.md") << QStringLiteral("x.md")
                                       << QStringLiteral("/Notes/a.md");
        QTest::newRow("climbs out") << QStringLiteral("../../a.md") << QStringLiteral("Notes/b.md")
                                    << QStringLiteral("../../a.md");
        QTest::newRow("malformed escape")
            << QStringLiteral("a%zz.md") << QStringLiteral("Notes/b.md")
            << QStringLiteral("a%zz.md");
        // In the moved article: same vault paths, canonical form; its own link follows it.
        QTest::newRow("moved: sibling")
            << QStringLiteral("./b.md") << QStringLiteral("Notes/My plan.md")
            << QStringLiteral("b.md");
        QTest::newRow("moved: self")
            << QStringLiteral("a.md#top") << QStringLiteral("Notes/My plan.md")
            << QStringLiteral("My%20plan.md#top");
        QTest::newRow("moved: up")
            << QStringLiteral("../README.md") << QStringLiteral("Notes/My plan.md")
            << QStringLiteral("../README.md");
    }
    void target()
    {
        QFETCH(QString, target);
        QFETCH(QString, file);
        QFETCH(QString, expected);
        const ArticleMove move{QStringLiteral("Notes/a.md"), QStringLiteral("Notes/My plan.md")};
        QCOMPARE(rewriteLinkTarget(target, file, move), expected);
    }

    void textKeepsTitlesAndOtherForms()
    {
        const ArticleMove move{QStringLiteral("a.md"), QStringLiteral("b (1).md")};
        const QString text = QStringLiteral("[x](a.md \"title\") [y](<a.md>) [z][ref] "
                                            "![i](a.md)\n[ref]: a.md\n`[c](a.md)` [w](a.md)");
        QCOMPARE(rewriteLinksInText(text, QStringLiteral("c.md"), move),
                 QStringLiteral("[x](b%20%281%29.md \"title\") [y](<a.md>) [z][ref] "
                                "![i](b%20%281%29.md)\n[ref]: a.md\n`[c](b%20%281%29.md)` "
                                "[w](b%20%281%29.md)"));
    }

    // Files are passed over without decoding when they cannot link to the article; that must
    // never skip a file whose links the exact rewrite would change.
    void quickCheckNeverMissesALink_data()
    {
        QTest::addColumn<QString>("text"); // every one but the last holds a link to the article
        QTest::newRow("plain") << QStringLiteral("x [a](a.md) y");
        QTest::newRow("escaped name") << QStringLiteral("[a](%61.md#f)");
        QTest::newRow("escaped slash") << QStringLiteral("[a](..%2FNotes%2Fa.md)");
        QTest::newRow("cut by other space") << QStringLiteral("[a](a.md\u00a0\"t\")");
        QTest::newRow("link inside target") << QStringLiteral("[a](x\u3000](a.md)");
        QTest::newRow("bracket without link") << QStringLiteral("]] ] ( [a](a.md)]");
        QTest::newRow("at the end") << QStringLiteral("[a](a.md");
        QTest::newRow("no link") << QStringLiteral("a.md (a.md) [a] (a.md)");
    }
    void quickCheckNeverMissesALink()
    {
        QFETCH(QString, text);
        TestVault vault;
        const ArticleMove move{QStringLiteral("Notes/a.md"), QStringLiteral("Notes/b c.md")};
        vault.write(QStringLiteral("Notes/other.md"), text);
        rewriteArticleLinks(vault.root(), move);
        const QString expected = rewriteLinksInText(text, QStringLiteral("Notes/other.md"), move);
        QCOMPARE(vault.readText(QStringLiteral("Notes/other.md")), expected);
        QCOMPARE(expected == text, QByteArray(QTest::currentDataTag()) == "no link");
    }

    // A rename over a small vault: every link to the article follows it, whatever the escapes.
    void renameRewritesWholeVault()
    {
        TestVault vault;
        const VaultRepository repository(vault.root());
        const auto put = [&](const char* path, const char* text) {
            vault.write(utf8(path), QByteArray(text));
        };
        put("Notes/a.md",
            "# a\n[self](a.md#top) [sib](./b.md) [deep](Sub/c.md) [web](http://x/a.md)\n");
        put("Notes/b.md", "[to a](a.md) [to a again](./a.md#sec) [c](Sub/c.md)\n");
        put("Notes/Sub/c.md", "[up](../a.md#%E6%A0%87%E9%A2%98)\n");
        put("README.md",
            "See [a](Notes/a.md) and [img](/Attachments/p.png) and [b](Notes/b.md).\n");
        put("读书 笔记/摘录 (1).md", "[a](../Notes/a.md)\n");
        put("Journal/2024/05/2024-05-01.md", "# 2024-05-01\n\n<a id=\"memo-1\"></a>\n\n## "
                                             "09:30\n\n[a](../../../Notes/a.md#part)\n\n---\n");
        put("Daily Notes/2024-05-02.md", "[a](../Notes/a.md)\n");
        // Never rewritten: attachments, hidden folders, undecodable text.
        put("Attachments/x.md", "[a](../Notes/a.md)\n");
        put("Notes/Attachments/y.md", "[a](../a.md)\n");
        put(".Trash/old.md", "[a](../Notes/a.md)\n");
        put("Notes/.draft.md", "[a](a.md)\n");
        vault.write(QStringLiteral("Notes/latin1.md"), QByteArray("caf\xe9 [a](a.md)\n"));
        put("Notes/untouched.md", "[c](Sub/c.md)\n");
        const QDateTime old = QDateTime::currentDateTime().addDays(-1);
        vault.setModified(QStringLiteral("Notes/untouched.md"), old);
        // A name from another system that is not UTF-8 is skipped, never read or listed.
        const QByteArray latinName =
            QFile::encodeName(vault.path(QStringLiteral("Notes/"))) + "d\xe9j\xe0.md";
        const int fd = ::open(latinName.constData(), O_WRONLY | O_CREAT, 0644);
        QVERIFY(fd >= 0 && ::write(fd, "[a](a.md)\n", 10) == 10 && ::close(fd) == 0);

        const QString newName = utf8("计划 [v2] (final) 100% #1");
        const NoteDocument moved = repository.renameNote(QStringLiteral("Notes/a.md"), newName);
        QCOMPARE(moved.path, utf8("Notes/计划 [v2] (final) 100% #1.md"));
        QVERIFY(!vault.exists(QStringLiteral("Notes/a.md")));
        // What was left alone is said: the file that is not text, and the name.
        const QList<VaultWarning> warnings = repository.takeWarnings();
        QCOMPARE(warnings.size(), 2);
        QVERIFY(warnings.at(0).text.contains(QStringLiteral("Notes/d")));
        QVERIFY(warnings.at(1).text.contains(QStringLiteral("Notes/latin1.md")));
        QCOMPARE(repository.loadSnapshot().notes.size(), 8);

        const QString escaped = utf8("计划%20[v2]%20%28final%29%20100%25%20%231.md");
        QCOMPARE(moved.markdown,
                 QStringLiteral("# a\n[self](") + escaped +
                     QStringLiteral("#top) [sib](b.md) [deep](Sub/c.md) [web](http://x/a.md)\n"));
        QCOMPARE(vault.readText(QStringLiteral("Notes/b.md")),
                 QStringLiteral("[to a](") + escaped + QStringLiteral(") [to a again](") + escaped +
                     QStringLiteral("#sec) [c](Sub/c.md)\n"));
        QCOMPARE(vault.readText(QStringLiteral("Notes/Sub/c.md")),
                 QStringLiteral("[up](../") + escaped + QStringLiteral("#%E6%A0%87%E9%A2%98)\n"));
        QCOMPARE(vault.readText(QStringLiteral("README.md")),
                 QStringLiteral("See [a](Notes/") + escaped +
                     QStringLiteral(") and [img](/Attachments/p.png) and [b](Notes/b.md).\n"));
        QCOMPARE(vault.readText(utf8("读书 笔记/摘录 (1).md")),
                 QStringLiteral("[a](../Notes/") + escaped + QStringLiteral(")\n"));
        QCOMPARE(vault.readText(QStringLiteral("Journal/2024/05/2024-05-01.md")),
                 QStringLiteral(
                     "# 2024-05-01\n\n<a id=\"memo-1\"></a>\n\n## 09:30\n\n[a](../../../Notes/") +
                     escaped + QStringLiteral("#part)\n\n---\n"));
        QCOMPARE(vault.readText(QStringLiteral("Daily Notes/2024-05-02.md")),
                 QStringLiteral("[a](../Notes/") + escaped + QStringLiteral(")\n"));

        QCOMPARE(vault.read(QStringLiteral("Attachments/x.md")),
                 QByteArray("[a](../Notes/a.md)\n"));
        QCOMPARE(vault.read(QStringLiteral("Notes/Attachments/y.md")),
                 QByteArray("[a](../a.md)\n"));
        QCOMPARE(vault.read(QStringLiteral(".Trash/old.md")), QByteArray("[a](../Notes/a.md)\n"));
        QCOMPARE(vault.read(QStringLiteral("Notes/.draft.md")), QByteArray("[a](a.md)\n"));
        QCOMPARE(vault.read(QStringLiteral("Notes/latin1.md")), QByteArray("caf\xe9 [a](a.md)\n"));
        // Files whose links did not change are not written.
        QCOMPARE(fileModificationDate(vault.path(QStringLiteral("Notes/untouched.md")))
                     .toSecsSinceEpoch(),
                 old.toSecsSinceEpoch());

        // The rewritten links lead to the file again.
        const std::optional<QString> back =
            resolveMarkdownLink(escaped, QStringLiteral("Notes/b.md"));
        QVERIFY(back);
        QVERIFY(vault.exists(*back));
    }

    // A rename moves the article only once every rewritten file is written, so a full disk
    // changes nothing; a process killed after the move has its rename finished at the next load.
    void renameIsWholeOrFinishedAtTheNextLoad_data()
    {
        QTest::addColumn<QString>("interruption");
        QTest::newRow("none") << QString();
        QTest::newRow("disk full") << QStringLiteral("full");
        QTest::newRow("killed after the move") << QStringLiteral("killed");
    }
    void renameIsWholeOrFinishedAtTheNextLoad()
    {
        QFETCH(QString, interruption);
        // A small file system that can be filled up where the test may mount one; else files
        // above a size cannot be written.
        const std::unique_ptr<ScratchFileSystem> scratch = ScratchFileSystem::mount(256 * 1024);
        const TestVault fallback;
        const QString root = scratch ? scratch->root() : fallback.root();
        const auto contents = [&] {
            QMap<QString, QByteArray> files;
            for (QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
                 it.hasNext();) {
                QFile file(it.next());
                if (it.fileName() != QLatin1String("filler") && file.open(QIODevice::ReadOnly))
                    files.insert(QDir(root).relativeFilePath(file.fileName()), file.readAll());
            }
            return files;
        };
        const VaultRepository repository(root);
        QDir(root).mkpath(QStringLiteral("Notes"));
        const QByteArray filler(2048, 'x');
        const auto put = [&](const QString& path, const QByteArray& text) {
            QFile file(root + QLatin1Char('/') + path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
        };
        put(QStringLiteral("Notes/100% done.md"), "# plan\n");
        // Other editors write a raw "%" before an escape; such links follow the article too.
        for (int i = 0; i < 16; ++i)
            put(QStringLiteral("Notes/n%1.md").arg(i), "[plan](100%%20done.md) " + filler);
        const QMap<QString, QByteArray> before = contents();
        const ArticleMove move{QStringLiteral("Notes/100% done.md"),
                               QStringLiteral("Notes/Done.md")};

        if (interruption == QLatin1String("full")) {
            if (scratch)
                scratch->fillUp();
            const FileSizeLimit limit(scratch ? (1 << 30) : 1024);
            QVERIFY_THROWS_EXCEPTION(FileError,
                                     repository.renameNote(move.from, QStringLiteral("Done")));
            QCOMPARE(contents(), before);
            return;
        }
        if (interruption == QLatin1String("killed")) {
            new PendingRenameRecord(root, move); // never destroyed: the process died
            moveItem(root + QLatin1Char('/') + move.from, root + QLatin1Char('/') + move.to);
            repository.prepareLayout(); // the next load, by the application or the program
            QVERIFY(!QFile::exists(pendingRenameFile(root)));
        } else {
            repository.renameNote(move.from, QStringLiteral("Done"));
        }
        for (int i = 0; i < 16; ++i)
            QCOMPARE(contents().value(QStringLiteral("Notes/n%1.md").arg(i)),
                     "[plan](Done.md) " + filler);
    }
};

QTEST_GUILESS_MAIN(LinkRewriteTest)
#include "tst_linkrewrite.moc"
