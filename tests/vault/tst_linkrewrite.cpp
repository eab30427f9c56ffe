#include "fileio.h"
#include "linkrewrite.h"
#include "testvault.h"
#include "vaultpaths.h"
#include "vaultrepository.h"

#include "pendingrename.h"

#include <QTest>

#include <array>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

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
            << u"../../../Notes/a.md#part"_s << u"Journal/2024/05/2024-05-01.md"_s
            << u"../../../Notes/My%20plan.md#part"_s;
        QTest::newRow("empty fragment")
            << u"Notes/a.md#"_s << u"x.md"_s << u"Notes/My%20plan.md#"_s;
        QTest::newRow("dot segments") << u"./Sub/../a.md"_s << u"Notes/b.md"_s << u"My%20plan.md"_s;
        QTest::newRow("escaped old name")
            << u"Notes/%61.md"_s << u"x.md"_s << u"Notes/My%20plan.md"_s;
        QTest::newRow("other article") << u"./b.md"_s << u"Notes/c.md"_s << u"./b.md"_s;
        QTest::newRow("web") << u"https://example.com/Notes/a.md"_s << u"a.md"_s
                             << u"https://example.com/Notes/a.md"_s;
        QTest::newRow("root anchored") << u"/Notes/a.md"_s << u"x.md"_s << u"/Notes/a.md"_s;
        QTest::newRow("climbs out") << u"../../a.md"_s << u"Notes/b.md"_s << u"../../a.md"_s;
        QTest::newRow("malformed escape") << u"a%zz.md"_s << u"Notes/b.md"_s << u"a%zz.md"_s;
        // In the moved article: same vault paths, canonical form; its own link follows it.
        QTest::newRow("moved: sibling") << u"./b.md"_s << u"Notes/My plan.md"_s << u"b.md"_s;
        QTest::newRow("moved: self")
            << u"a.md#top"_s << u"Notes/My plan.md"_s << u"My%20plan.md#top"_s;
        QTest::newRow("moved: up")
            << u"../README.md"_s << u"Notes/My plan.md"_s << u"../README.md"_s;
    }
    void target()
    {
        QFETCH(QString, target);
        QFETCH(QString, file);
        QFETCH(QString, expected);
        const ArticleMove move{u"Notes/a.md"_s, u"Notes/My plan.md"_s};
        QCOMPARE(rewriteLinkTarget(target, file, move), expected);
    }

    void textKeepsTitlesAndOtherForms()
    {
        const ArticleMove move{u"a.md"_s, u"b (1).md"_s};
        const QString text = u"[x](a.md \"title\") [y](<a.md>) [z][ref] "
                             "![i](a.md)\n[ref]: a.md\n`[c](a.md)` [w](a.md)"_s;
        QCOMPARE(rewriteLinksInText(text, u"c.md"_s, move),
                 u"[x](b%20%281%29.md \"title\") [y](<a.md>) [z][ref] "
                 "![i](b%20%281%29.md)\n[ref]: a.md\n`[c](b%20%281%29.md)` "
                 "[w](b%20%281%29.md)"_s);
    }

    // Files are passed over without decoding when they cannot link to the article; that must
    // never skip a file whose links the exact rewrite would change.
    void quickCheckNeverMissesALink_data()
    {
        QTest::addColumn<QString>("text"); // every one but the last holds a link to the article
        QTest::newRow("plain") << u"x [a](a.md) y"_s;
        QTest::newRow("escaped name") << u"[a](%61.md#f)"_s;
        QTest::newRow("escaped slash") << u"[a](..%2FNotes%2Fa.md)"_s;
        QTest::newRow("cut by other space") << u"[a](a.md\u00a0\"t\")"_s;
        QTest::newRow("link inside target") << u"[a](x\u3000](a.md)"_s;
        QTest::newRow("bracket without link") << u"]] ] ( [a](a.md)]"_s;
        QTest::newRow("at the end") << u"[a](a.md"_s;
        QTest::newRow("no link") << u"a.md (a.md) [a] (a.md)"_s;
    }
    void quickCheckNeverMissesALink()
    {
        QFETCH(QString, text);
        TestVault vault;
        const ArticleMove move{u"Notes/a.md"_s, u"Notes/b c.md"_s};
        vault.write(u"Notes/other.md"_s, text);
        rewriteArticleLinks(vault.root(), move);
        const QString expected = rewriteLinksInText(text, u"Notes/other.md"_s, move);
        QCOMPARE(vault.readText(u"Notes/other.md"_s), expected);
        QCOMPARE(expected == text, QByteArray(QTest::currentDataTag()) == "no link");
    }

    // A rename over a small vault: every link to the article follows it, whatever the escapes.
    void renameRewritesWholeVault()
    {
        TestVault vault;
        const VaultRepository repository(vault.root());
        // Each file's text before the rename, and after it with "%1" for the new name escaped;
        // no text after: never rewritten (attachments, hidden folders).
        const QList<std::array<const char*, 3>> files{
            {"Notes/b.md", "[to a](a.md) [to a again](./a.md#sec) [c](Sub/c.md)\n",
             "[to a](%1) [to a again](%1#sec) [c](Sub/c.md)\n"},
            {"Notes/Sub/c.md", "[up](../a.md#%E6%A0%87%E9%A2%98)\n",
             "[up](../%1#%E6%A0%87%E9%A2%98)\n"},
            {"README.md",
             "See [a](Notes/a.md) and [img](/Attachments/p.png) and [b](Notes/b.md).\n",
             "See [a](Notes/%1) and [img](/Attachments/p.png) and [b](Notes/b.md).\n"},
            {"读书 笔记/摘录 (1).md", "[a](../Notes/a.md)\n", "[a](../Notes/%1)\n"},
            {"Journal/2024/05/2024-05-01.md",
             "# 2024-05-01\n\n<a id=\"memo-1\"></a>\n\n## 09:30\n\n"
             "[a](../../../Notes/a.md#part)\n\n---\n",
             "# 2024-05-01\n\n<a id=\"memo-1\"></a>\n\n## 09:30\n\n"
             "[a](../../../Notes/%1#part)\n\n---\n"},
            {"Daily Notes/2024-05-02.md", "[a](../Notes/a.md)\n", "[a](../Notes/%1)\n"},
            {"Attachments/x.md", "[a](../Notes/a.md)\n", nullptr},
            {"Notes/Attachments/y.md", "[a](../a.md)\n", nullptr},
            {".Trash/old.md", "[a](../Notes/a.md)\n", nullptr},
            {"Notes/.draft.md", "[a](a.md)\n", nullptr},
        };
        for (const auto& [path, before, after] : files)
            vault.write(utf8(path), QByteArray(before));
        vault.write(u"Notes/a.md"_s, "# a\n[self](a.md#top) [sib](./b.md) [deep](Sub/c.md) "
                                     "[web](http://x/a.md)\n"_ba);
        // Undecodable text is never rewritten either.
        vault.write(u"Notes/latin1.md"_s, "caf\xe9 [a](a.md)\n"_ba);
        vault.write(u"Notes/untouched.md"_s, "[c](Sub/c.md)\n"_ba);
        const QDateTime old = QDateTime::currentDateTime().addDays(-1);
        vault.setModified(u"Notes/untouched.md"_s, old);
        // A name from another system that is not UTF-8 is skipped, never read or listed.
        const QByteArray latinName = QFile::encodeName(vault.path(u"Notes/"_s)) + "d\xe9j\xe0.md";
        const int fd = ::open(latinName.constData(), O_WRONLY | O_CREAT, 0644);
        QVERIFY(fd >= 0 && ::write(fd, "[a](a.md)\n", 10) == 10 && ::close(fd) == 0);

        const QString newName = utf8("计划 [v2] (final) 100% #1");
        const NoteDocument moved = repository.renameNote(u"Notes/a.md"_s, newName);
        QCOMPARE(moved.path, utf8("Notes/计划 [v2] (final) 100% #1.md"));
        QVERIFY(!vault.exists(u"Notes/a.md"_s));
        // What was left alone is said: the file that is not text, and the name.
        const QList<VaultWarning> warnings = repository.takeWarnings();
        QCOMPARE(warnings.size(), 2);
        QVERIFY(warnings.at(0).text.contains(u"Notes/d"_s));
        QVERIFY(warnings.at(1).text.contains(u"Notes/latin1.md"_s));
        QCOMPARE(repository.loadSnapshot().notes.size(), 8);

        const QString escaped = utf8("计划%20[v2]%20%28final%29%20100%25%20%231.md");
        QCOMPARE(moved.markdown,
                 u"# a\n[self]("_s + escaped +
                     u"#top) [sib](b.md) [deep](Sub/c.md) [web](http://x/a.md)\n"_s);
        for (const auto& [path, before, after] : files)
            QCOMPARE(vault.readText(utf8(path)), after ? utf8(after).arg(escaped) : utf8(before));
        QCOMPARE(vault.read(u"Notes/latin1.md"_s), "caf\xe9 [a](a.md)\n"_ba);
        // Files whose links did not change are not written.
        QCOMPARE(fileModificationDate(vault.path(u"Notes/untouched.md"_s)).toSecsSinceEpoch(),
                 old.toSecsSinceEpoch());

        // The rewritten links lead to the file again.
        const std::optional<QString> back = resolveMarkdownLink(escaped, u"Notes/b.md"_s);
        QVERIFY(back);
        QVERIFY(vault.exists(*back));
    }

    // A rename moves the article only once every rewritten file is written, so a full disk
    // changes nothing; a process killed after the move has its rename finished at the next load.
    void renameIsWholeOrFinishedAtTheNextLoad_data()
    {
        QTest::addColumn<QString>("interruption");
        QTest::newRow("none") << QString();
        QTest::newRow("disk full") << u"full"_s;
        QTest::newRow("killed after the move") << u"killed"_s;
    }
    void renameIsWholeOrFinishedAtTheNextLoad()
    {
        QFETCH(QString, interruption);
        // A small file system that can be filled up where the test may mount one; else files
        // above a size cannot be written.
        const std::unique_ptr<ScratchFileSystem> scratch = ScratchFileSystem::mount(256 * 1024);
        const TestVault fallback;
        const QString root = scratch ? scratch->root() : fallback.root();
        const VaultRepository repository(root);
        QDir(root).mkpath(u"Notes"_s);
        const QByteArray filler(2048, 'x');
        const auto put = [&](const QString& path, const QByteArray& text) {
            QFile file(root + '/'_L1 + path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
        };
        put(u"Notes/100% done.md"_s, "# plan\n");
        // Other editors write a raw "%" before an escape; such links follow the article too.
        for (int i = 0; i < 16; ++i)
            put(u"Notes/n%1.md"_s.arg(i), "[plan](100%%20done.md) " + filler);
        const QMap<QString, QByteArray> before = fileContents(root);
        const ArticleMove move{u"Notes/100% done.md"_s, u"Notes/Done.md"_s};

        if (interruption == "full"_L1) {
            if (scratch)
                scratch->fillUp();
            const FileSizeLimit limit(scratch ? (1 << 30) : 1024);
            QVERIFY_THROWS_EXCEPTION(FileError, repository.renameNote(move.from, u"Done"_s));
            QMap<QString, QByteArray> after = fileContents(root);
            after.remove(u"filler"_s);
            QCOMPARE(after, before);
            return;
        }
        if (interruption == "killed"_L1) {
            new PendingRenameRecord(root, move); // never destroyed: the process died
            moveItem(root + '/'_L1 + move.from, root + '/'_L1 + move.to);
            repository.prepareLayout(); // the next load, by the application or the program
            QVERIFY(!QFile::exists(pendingRenameFile(root)));
        } else {
            repository.renameNote(move.from, u"Done"_s);
        }
        for (int i = 0; i < 16; ++i)
            QCOMPARE(readFileBytes(root + u"/Notes/n%1.md"_s.arg(i)), "[plan](Done.md) " + filler);
    }
};

QTEST_GUILESS_MAIN(LinkRewriteTest)
#include "tst_linkrewrite.moc"
