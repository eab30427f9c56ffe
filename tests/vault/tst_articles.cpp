#include "articles.h"
#include "fileio.h"
#include "testvault.h"
#include "vaultrepository.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

QString text(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

} // namespace

class ArticlesTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void loadDocument()
    {
        TestVault vault;
        const VaultRepository repository(vault.root());
        vault.write(u"Notes/a.md"_s, "# A\r\n\r\nbody 中文\n"_ba);
        const QDateTime when(QDate(2024, 5, 1), QTime(9, 30, 15, 250));
        vault.setModified(u"Notes/a.md"_s, when);

        const NoteDocument document = repository.loadDocument(u"Notes/./a.md"_s);
        QCOMPARE(document.path, u"Notes/./a.md"_s); // as the caller gave it
        QCOMPARE(document.markdown, text("# A\r\n\r\nbody 中文\n"));
        QCOMPARE(document.modifiedAt, when);

        QVERIFY_VAULT_ERROR(repository.loadDocument(u"Notes/missing.md"_s),
                            VaultError::noteNotFound);
        vault.write(u"Notes/latin1.md"_s, "caf\xe9"_ba);
        QVERIFY_EXCEPTION_THROWN(repository.loadDocument(u"Notes/latin1.md"_s), FileError);
    }

    // Paths that leave the vault, or name the vault itself, fail before the disk is touched.
    void invalidPaths_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("absolute") << u"/etc/hosts"_s;
        QTest::newRow("parent") << u"../x.md"_s;
        QTest::newRow("inner parent") << u"Notes/../a.md"_s;
        QTest::newRow("root") << QString();
        QTest::newRow("dot") << u"."_s;
    }
    void invalidPaths()
    {
        QFETCH(QString, path);
        TestVault vault;
        const VaultRepository repository(vault.root());
        vault.write(u"Notes/a.md"_s, "# A\n"_ba);
        const QStringList before = vault.files();

        QVERIFY_VAULT_ERROR(repository.loadDocument(path), VaultError::invalidPath);
        QVERIFY_VAULT_ERROR(repository.saveDocument(NoteDocument{path, u"x"_s, {}}),
                            VaultError::invalidPath);
        QVERIFY_VAULT_ERROR(repository.renameNote(path, u"b"_s), VaultError::invalidPath);
        QVERIFY_VAULT_ERROR(repository.trashNote(path), VaultError::invalidPath);
        if (!path.isEmpty() && path != "."_L1) {
            // The root is a fine place for notes and folders, the others are not.
            QVERIFY_VAULT_ERROR(repository.createNote(path, u"n"_s), VaultError::invalidPath);
            QVERIFY_VAULT_ERROR(repository.createFolder(path, u"f"_s), VaultError::invalidPath);
        }
        QCOMPARE(vault.files(), before);
        QVERIFY(!vault.exists(u".Trash"_s));
        QVERIFY(!QFileInfo::exists(vault.root() + u"/../b.md"_s));
    }

    void saveWritesAndReturnsNewBaseline()
    {
        TestVault vault;
        const VaultRepository repository(vault.root());
        vault.write(u"Notes/a.md"_s, "old"_ba);
        const QDateTime loaded = QDateTime::currentDateTime().addSecs(-60);
        vault.setModified(u"Notes/a.md"_s, loaded);

        NoteDocument document = repository.loadDocument(u"Notes/a.md"_s);
        document.markdown = text("new\r\ntext 中文");
        const NoteDocument saved = repository.saveDocument(document);
        QCOMPARE(vault.read(u"Notes/a.md"_s), "new\r\ntext 中文"_ba);
        QCOMPARE(saved.markdown, document.markdown);
        QVERIFY(saved.modifiedAt > loaded);
        // The returned document is the next baseline: saving it again works.
        QCOMPARE(repository.saveDocument(saved).markdown, document.markdown);

        // A deleted file is never made afresh.
        repository.trashNote(u"Notes/a.md"_s);
        QVERIFY_VAULT_ERROR(repository.saveDocument(saved), VaultError::noteNotFound);
        QVERIFY(!vault.exists(u"Notes/a.md"_s));
    }

    void conflictWhenChangedOnDisk_data()
    {
        QTest::addColumn<qint64>("laterBy"); // milliseconds the file is newer than the baseline
        QTest::addColumn<bool>("conflict");
        QTest::newRow("two seconds") << qint64(2000) << true;
        QTest::newRow("two milliseconds") << qint64(2) << true;
        QTest::newRow("one millisecond") << qint64(1) << false;
        QTest::newRow("same") << qint64(0) << false;
        QTest::newRow("earlier") << qint64(-5000) << false;
    }
    void conflictWhenChangedOnDisk()
    {
        QFETCH(qint64, laterBy);
        QFETCH(bool, conflict);
        TestVault vault;
        const VaultRepository repository(vault.root());
        vault.write(u"a.md"_s, "disk"_ba);
        const QDateTime baseline(QDate(2024, 5, 1), QTime(9, 0));
        vault.setModified(u"a.md"_s, baseline.addMSecs(laterBy));

        const NoteDocument document{u"a.md"_s, u"mine"_s, baseline};
        if (conflict) {
            QVERIFY_VAULT_ERROR(repository.saveDocument(document), VaultError::conflict);
            QCOMPARE(vault.read(u"a.md"_s), "disk"_ba);
        } else {
            repository.saveDocument(document);
            QCOMPARE(vault.read(u"a.md"_s), "mine"_ba);
        }
    }

    void createNote()
    {
        TestVault vault;
        const VaultRepository repository(vault.root());
        repository.prepareLayout();

        const NoteDocument first = repository.createNote(u"Notes"_s, QString());
        QCOMPARE(first.path, text("Notes/未命名笔记.md"));
        QCOMPARE(vault.read(first.path), "# 未命名笔记\n\n"_ba);
        QCOMPARE(first.markdown, text("# 未命名笔记\n\n"));
        QCOMPARE(first.modifiedAt, fileModificationDate(vault.path(first.path)));

        const NoteDocument second = repository.createNote(u"Notes"_s, QString());
        QCOMPARE(second.path, text("Notes/未命名笔记 2.md"));
        QCOMPARE(vault.read(second.path), "# 未命名笔记 2\n\n"_ba);

        QCOMPARE(repository.createNote(u"Notes"_s, u" Plan.md "_s).path, u"Notes/Plan.md"_s);
        QCOMPARE(repository.createNote(QString(), u"v1.2 (draft)"_s).path, u"v1.2 (draft).md"_s);
        QCOMPARE(vault.read(u"v1.2 (draft).md"_s), "# v1.2 (draft)\n\n"_ba);

        // A folder that is missing is a platform error, and is not made.
        const QStringList files = vault.files();
        QVERIFY_EXCEPTION_THROWN(repository.createNote(u"Gone"_s, u"x"_s), FileError);
        QCOMPARE(vault.files(), files);
        QVERIFY(!vault.exists(u"Gone"_s));
    }

    // The rules of names are the name test's; here, that both check them before writing.
    void createNoteRejectsBeforeWriting_data()
    {
        QTest::addColumn<QString>("title");
        QTest::newRow("slash") << u"a/b"_s;
        QTest::newRow("only ending") << u".md"_s;
        QTest::newRow("dot dot") << u".."_s;
    }
    void createNoteRejectsBeforeWriting()
    {
        QFETCH(QString, title);
        TestVault vault;
        const VaultRepository repository(vault.root());
        repository.prepareLayout();
        QVERIFY_VAULT_ERROR(repository.createNote(u"Notes"_s, title), VaultError::invalidName);
        QVERIFY_VAULT_ERROR(repository.createFolder(u"Notes"_s, title), VaultError::invalidName);
        QVERIFY(vault.files().isEmpty());
        QCOMPARE(QDir(vault.path(u"Notes"_s))
                     .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList());
    }

    void createFolder()
    {
        TestVault vault;
        const VaultRepository repository(vault.root());
        QCOMPARE(repository.createFolder(QString(), u" Projects "_s), u"Projects"_s);
        QVERIFY(isDirectory(vault.path(u"Projects"_s)));
        QCOMPARE(repository.createFolder(u"Notes/Deep"_s, text("读书 (2024)")),
                 text("Notes/Deep/读书 (2024)"));
        QVERIFY(isDirectory(vault.path(text("Notes/Deep/读书 (2024)"))));

        // An existing folder is no error and is left as it is.
        vault.write(u"Projects/keep.md"_s, "k"_ba);
        QCOMPARE(repository.createFolder(QString(), u"Projects"_s), u"Projects"_s);
        QCOMPARE(vault.files(), QStringList{u"Projects/keep.md"_s});

        // A file in the way is a platform error.
        QVERIFY_EXCEPTION_THROWN(repository.createFolder(u"Projects"_s, u"keep.md.md"_s),
                                 FileError);
    }

    void renameInPlace()
    {
        TestVault vault;
        const VaultRepository repository(vault.root());
        vault.write(u"Notes/a.md"_s, "# a\n"_ba);
        vault.write(u"Notes/b.md"_s, "# b\n"_ba);

        // The same name changes nothing.
        const NoteDocument same = repository.renameNote(u"Notes/a.md"_s, u"a"_s);
        QCOMPARE(same.path, u"Notes/a.md"_s);
        QCOMPARE(vault.files(), (QStringList{u"Notes/a.md"_s, u"Notes/b.md"_s}));

        // A taken name gets a number; the other file is untouched.
        const NoteDocument renamed = repository.renameNote(u"Notes/a.md"_s, u"b.md"_s);
        QCOMPARE(renamed.path, u"Notes/b 2.md"_s);
        QCOMPARE(renamed.markdown, u"# a\n"_s);
        QCOMPARE(vault.files(), (QStringList{u"Notes/b 2.md"_s, u"Notes/b.md"_s}));
        QCOMPARE(vault.read(u"Notes/b.md"_s), "# b\n"_ba);

        QVERIFY_VAULT_ERROR(repository.renameNote(u"Notes/b.md"_s, u"x/y"_s),
                            VaultError::invalidName);
        QVERIFY_EXCEPTION_THROWN(repository.renameNote(u"Notes/none.md"_s, u"z"_s), FileError);
        QCOMPARE(vault.files(), (QStringList{u"Notes/b 2.md"_s, u"Notes/b.md"_s}));
    }

    void trashIsFlatAndNeverOverwrites()
    {
        TestVault vault;
        const VaultRepository repository(vault.root());
        vault.write(u"Notes/Sub/Plan.md"_s, "one"_ba);
        vault.write(u"Plan.md"_s, "two"_ba);
        vault.write(u"Other/Plan.md"_s, "three"_ba);

        repository.trashNote(u"Notes/Sub/Plan.md"_s);
        repository.trashNote(u"Plan.md"_s);
        repository.trashNote(u"Other/Plan.md"_s);
        QCOMPARE(vault.files(),
                 (QStringList{u".Trash/Plan 2.md"_s, u".Trash/Plan 3.md"_s, u".Trash/Plan.md"_s}));
        QCOMPARE(vault.read(u".Trash/Plan.md"_s), "one"_ba);
        QCOMPARE(vault.read(u".Trash/Plan 2.md"_s), "two"_ba);
        QCOMPARE(vault.read(u".Trash/Plan 3.md"_s), "three"_ba);

        QVERIFY_EXCEPTION_THROWN(repository.trashNote(u"Notes/gone.md"_s), FileError);
    }

    // Text kept aside when its article's file changed or went away outside: copies beside it
    // and in the trash never replace a file, and an article is written back only where nothing is.
    void keptTextNeverOverwrites()
    {
        TestVault vault;
        const VaultRepository repository(vault.root());
        vault.write(u"Notes/Plan.md"_s, "theirs"_ba);
        vault.write(u".Trash/Plan.md"_s, "trashed"_ba);

        QCOMPARE(repository.saveDocumentCopy(u"Notes/Plan.md"_s, text("我的 1")),
                 u"Notes/Plan 2.md"_s);
        QCOMPARE(repository.saveDocumentCopy(u"Notes/Plan.md"_s, text("我的 2")),
                 u"Notes/Plan 3.md"_s);
        QCOMPARE(repository.trashDocumentText(u"Notes/Plan.md"_s, text("我的 3")),
                 u".Trash/Plan 2.md"_s);
        // Beside an article whose folder is gone: the folder comes back.
        QCOMPARE(repository.saveDocumentCopy(u"Gone/Idea.md"_s, text("想法")), u"Gone/Idea.md"_s);
        QCOMPARE(vault.read(u"Notes/Plan.md"_s), "theirs"_ba);
        QCOMPARE(vault.read(u"Notes/Plan 2.md"_s), text("我的 1").toUtf8());
        QCOMPARE(vault.read(u"Notes/Plan 3.md"_s), text("我的 2").toUtf8());
        QCOMPARE(vault.read(u".Trash/Plan.md"_s), "trashed"_ba);
        QCOMPARE(vault.read(u".Trash/Plan 2.md"_s), text("我的 3").toUtf8());
        QCOMPARE(vault.read(u"Gone/Idea.md"_s), text("想法").toUtf8());

        const NoteDocument restored =
            repository.restoreDocument(NoteDocument{u"Away/Deep/Note.md"_s, text("回来"), {}});
        QCOMPARE(restored.markdown, text("回来"));
        QCOMPARE(vault.read(u"Away/Deep/Note.md"_s), text("回来").toUtf8());
        QVERIFY_VAULT_ERROR(
            repository.restoreDocument(NoteDocument{u"Notes/Plan.md"_s, text("x"), {}}),
            VaultError::conflict);
        QCOMPARE(vault.read(u"Notes/Plan.md"_s), "theirs"_ba);
    }

    void convertMemoToNote()
    {
        TestVault vault;
        const VaultRepository repository(vault.root());
        const QString day = u"Journal/2024/05/2024-05-01.md"_s;
        const QByteArray first = "<a id=\"memo-3f2b8c1e-5a47-4d2a-9b1e-0c6f7d8e9a10\"></a>\n\n"
                                 "## 09:30\n\nfirst\n\n---\n\n";
        vault.write(day, "# 2024-05-01\n\n"_ba + first +
                             "<a id=\"memo-91c0d2aa\" data-folder=\"Reading\"></a>\n\n## 14:05\n\n"
                             "Buy [milk]\n\n---\n");

        // The folder is made when missing.
        const NoteDocument article =
            repository.convertMemoToNote(u"memo-91c0d2aa"_s, u"Shopping [list]"_s, u"Lists/Food"_s);
        QCOMPARE(article.path, u"Lists/Food/Shopping [list].md"_s);
        QCOMPARE(vault.read(article.path), "# Shopping [list]\n\nBuy [milk]\n"_ba);
        QCOMPARE(article.markdown, u"# Shopping [list]\n\nBuy [milk]\n"_s);

        const QByteArray link = "[Shopping \\[list\\]](../../../Lists/Food/Shopping%20[list].md)";
        QCOMPARE(vault.read(day), "# 2024-05-01\n\n"_ba + first +
                                      "<a id=\"memo-91c0d2aa\" data-folder=\"Reading\"></a>\n\n"
                                      "## 14:05\n\n" +
                                      link + "\n\n---\n\n");
        const QList<MemoRecord> memos = repository.loadMemos();
        QCOMPARE(memos.size(), 2);
        QCOMPARE(memos.at(1).markdown, QString::fromUtf8(link));
        QCOMPARE(memos.at(1).folderPath, u"Reading"_s);
        QVERIFY(vault.readText(u".larch/memo-index.json"_s).contains(u"memo-91c0d2aa"_s));

        // Converting the link memo again: a free name; its text has no title of its own.
        const NoteDocument again = repository.convertMemoToNote(
            u"memo-91c0d2aa"_s, u"Shopping [list].md"_s, u"Lists/Food"_s);
        QCOMPARE(again.path, u"Lists/Food/Shopping [list] 2.md"_s);
        QCOMPARE(again.markdown, u"# Shopping [list] 2\n\n"_s + QString::fromUtf8(link) + '\n'_L1);
    }

    void convertMemoToNoteRejectsBeforeWriting_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("expectedError");
        QTest::newRow("unknown memo")
            << u"memo-none"_s << u"t"_s << u"New"_s << int(VaultError::noteNotFound);
        QTest::newRow("prefix of an id")
            << u"memo-1"_s << u"t"_s << u"New"_s << int(VaultError::noteNotFound);
        QTest::newRow("no title") << u"memo-123"_s << QString() << u"New"_s
                                  << int(VaultError::invalidName);
        QTest::newRow("slash") << u"memo-123"_s << u"a/b"_s << u"New"_s
                               << int(VaultError::invalidName);
        QTest::newRow("climbing folder")
            << u"memo-123"_s << u"t"_s << u"../New"_s << int(VaultError::invalidPath);
        QTest::newRow("absolute folder")
            << u"memo-123"_s << u"t"_s << u"/tmp"_s << int(VaultError::invalidPath);
    }
    void convertMemoToNoteRejectsBeforeWriting()
    {
        QFETCH(QString, id);
        QFETCH(QString, title);
        QFETCH(QString, folder);
        QFETCH(int, expectedError);
        TestVault vault;
        const QString day = u"Journal/2024/05/2024-05-01.md"_s;
        const QByteArray text = "# 2024-05-01\n\n<a id=\"memo-123\"></a>\n\n## 09:30\n\nx\n\n---\n";
        vault.write(day, text);
        QVERIFY_VAULT_ERROR(VaultRepository(vault.root()).convertMemoToNote(id, title, folder),
                            VaultError::Code(expectedError));
        // Reading the memos may fill in the index, nothing else.
        QCOMPARE(vault.files().filter(QRegularExpression(u"^(?!\\.larch/)"_s)), QStringList{day});
        QCOMPARE(vault.read(day), text);
        QVERIFY(!vault.exists(u"New"_s));
    }
};

QTEST_GUILESS_MAIN(ArticlesTest)
#include "tst_articles.moc"
