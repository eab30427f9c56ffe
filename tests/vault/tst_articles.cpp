#include "articles.h"
#include "fileio.h"
#include "testvault.h"
#include "vaultrepository.h"

#include <QTest>

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
        vault.write(QStringLiteral("Notes/a.md"), QByteArray("# A\r\n\r\nbody 中文\n"));
        const QDateTime when(QDate(2024, 5, 1), QTime(9, 30, 15, 250));
        vault.setModified(QStringLiteral("Notes/a.md"), when);

        const NoteDocument document = repository.loadDocument(QStringLiteral("Notes/./a.md"));
        QCOMPARE(document.path, QStringLiteral("Notes/./a.md")); // as the caller gave it
        QCOMPARE(document.markdown, text("# A\r\n\r\nbody 中文\n"));
        QCOMPARE(document.modifiedAt, when);

        QVERIFY_VAULT_ERROR(repository.loadDocument(QStringLiteral("Notes/missing.md")),
                            VaultError::noteNotFound);
        vault.write(QStringLiteral("Notes/latin1.md"), QByteArray("caf\xe9"));
        QVERIFY_EXCEPTION_THROWN(repository.loadDocument(QStringLiteral("Notes/latin1.md")),
                                 FileError);
    }

    // Paths that leave the vault, or name the vault itself, fail before the disk is touched.
    void invalidPaths_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("absolute") << QStringLiteral("/etc/hosts");
        QTest::newRow("parent") << QStringLiteral("../x.md");
        QTest::newRow("inner parent") << QStringLiteral("Notes/../a.md");
        QTest::newRow("root") << QString();
        QTest::newRow("dot") << QStringLiteral(".");
    }
    void invalidPaths()
    {
        QFETCH(QString, path);
        TestVault vault;
        const VaultRepository repository(vault.root());
        vault.write(QStringLiteral("Notes/a.md"), QByteArray("# A\n"));
        const QStringList before = vault.files();

        QVERIFY_VAULT_ERROR(repository.loadDocument(path), VaultError::invalidPath);
        QVERIFY_VAULT_ERROR(repository.saveDocument(NoteDocument{path, QStringLiteral("x"), {}}),
                            VaultError::invalidPath);
        QVERIFY_VAULT_ERROR(repository.renameNote(path, QStringLiteral("b")),
                            VaultError::invalidPath);
        QVERIFY_VAULT_ERROR(repository.trashNote(path), VaultError::invalidPath);
        if (!path.isEmpty() && path != QLatin1String(".")) {
            // The root is a fine place for notes and folders, the others are not.
            QVERIFY_VAULT_ERROR(repository.createNote(path, QStringLiteral("n")),
                                VaultError::invalidPath);
            QVERIFY_VAULT_ERROR(repository.createFolder(path, QStringLiteral("f")),
                                VaultError::invalidPath);
        }
        QCOMPARE(vault.files(), before);
        QVERIFY(!vault.exists(QStringLiteral(".Trash")));
        QVERIFY(!QFileInfo::exists(vault.root() + QStringLiteral("/../b.md")));
    }

    void saveWritesAndReturnsNewBaseline()
    {
        TestVault vault;
        const VaultRepository repository(vault.root());
        vault.write(QStringLiteral("Notes/a.md"), QByteArray("old"));
        const QDateTime loaded = QDateTime::currentDateTime().addSecs(-60);
        vault.setModified(QStringLiteral("Notes/a.md"), loaded);

        NoteDocument document = repository.loadDocument(QStringLiteral("Notes/a.md"));
        document.markdown = text("new\r\ntext 中文");
        const NoteDocument saved = repository.saveDocument(document);
        QCOMPARE(vault.read(QStringLiteral("Notes/a.md")), QByteArray("new\r\ntext 中文"));
        QCOMPARE(saved.markdown, document.markdown);
        QVERIFY(saved.modifiedAt > loaded);
        // The returned document is the next baseline: saving it again works.
        QCOMPARE(repository.saveDocument(saved).markdown, document.markdown);
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
        vault.write(QStringLiteral("a.md"), QByteArray("disk"));
        const QDateTime baseline(QDate(2024, 5, 1), QTime(9, 0));
        vault.setModified(QStringLiteral("a.md"), baseline.addMSecs(laterBy));

        const NoteDocument document{QStringLiteral("a.md"), QStringLiteral("mine"), baseline};
        if (conflict) {
            QVERIFY_VAULT_ERROR(repository.saveDocument(document), VaultError::conflict);
            QCOMPARE(vault.read(QStringLiteral("a.md")), QByteArray("disk"));
        } else {
            repository.saveDocument(document);
            QCOMPARE(vault.read(QStringLiteral("a.md")), QByteArray("mine"));
        }
    }

    void saveNeverRecreatesDeletedFile()
    {
        TestVault vault;
        const VaultRepository repository(vault.root());
        vault.write(QStringLiteral("Notes/a.md"), QByteArray("x"));
        const NoteDocument document = repository.loadDocument(QStringLiteral("Notes/a.md"));
        repository.trashNote(QStringLiteral("Notes/a.md"));
        QVERIFY_VAULT_ERROR(repository.saveDocument(document), VaultError::noteNotFound);
        QVERIFY(!vault.exists(QStringLiteral("Notes/a.md")));
    }

    void createNote()
    {
        TestVault vault;
        const VaultRepository repository(vault.root());
        repository.prepareLayout();

        const NoteDocument first = repository.createNote(QStringLiteral("Notes"), QString());
        QCOMPARE(first.path, text("Notes/未命名笔记.md"));
        QCOMPARE(vault.read(first.path), QByteArray("# 未命名笔记\n\n"));
        QCOMPARE(first.markdown, text("# 未命名笔记\n\n"));
        QCOMPARE(first.modifiedAt, fileModificationDate(vault.path(first.path)));

        const NoteDocument second = repository.createNote(QStringLiteral("Notes"), QString());
        QCOMPARE(second.path, text("Notes/未命名笔记 2.md"));
        QCOMPARE(vault.read(second.path), QByteArray("# 未命名笔记 2\n\n"));

        QCOMPARE(repository.createNote(QStringLiteral("Notes"), QStringLiteral(" Plan.md ")).path,
                 QStringLiteral("Notes/Plan.md"));
        QCOMPARE(repository.createNote(QString(), QStringLiteral("v1.2 (draft)")).path,
                 QStringLiteral("v1.2 (draft).md"));
        QCOMPARE(vault.read(QStringLiteral("v1.2 (draft).md")), QByteArray("# v1.2 (draft)\n\n"));
    }

    void createNoteRejectsBeforeWriting_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("title");
        QTest::newRow("slash") << QStringLiteral("Notes") << QStringLiteral("a/b");
        QTest::newRow("colon") << QStringLiteral("Notes") << QStringLiteral("12:30");
        QTest::newRow("spaces") << QStringLiteral("Notes") << QStringLiteral("   ");
        QTest::newRow("only ending") << QStringLiteral("Notes") << QStringLiteral(".md");
        QTest::newRow("dot dot") << QStringLiteral("Notes") << QStringLiteral("..");
    }
    void createNoteRejectsBeforeWriting()
    {
        QFETCH(QString, folder);
        QFETCH(QString, title);
        TestVault vault;
        const VaultRepository repository(vault.root());
        repository.prepareLayout();
        QVERIFY_VAULT_ERROR(repository.createNote(folder, title), VaultError::invalidName);
        QVERIFY_VAULT_ERROR(repository.createFolder(folder, title), VaultError::invalidName);
        QVERIFY(vault.files().isEmpty());
        QCOMPARE(QDir(vault.path(QStringLiteral("Notes")))
                     .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList());
    }

    void createNoteInMissingFolderFails()
    {
        TestVault vault;
        const VaultRepository repository(vault.root());
        QVERIFY_EXCEPTION_THROWN(repository.createNote(QStringLiteral("Gone"), QStringLiteral("x")),
                                 FileError);
        QVERIFY(vault.files().isEmpty());
        QVERIFY(!vault.exists(QStringLiteral("Gone")));
    }

    void createFolder()
    {
        TestVault vault;
        const VaultRepository repository(vault.root());
        QCOMPARE(repository.createFolder(QString(), QStringLiteral(" Projects ")),
                 QStringLiteral("Projects"));
        QVERIFY(isDirectory(vault.path(QStringLiteral("Projects"))));
        QCOMPARE(repository.createFolder(QStringLiteral("Notes/Deep"), text("读书 (2024)")),
                 text("Notes/Deep/读书 (2024)"));
        QVERIFY(isDirectory(vault.path(text("Notes/Deep/读书 (2024)"))));

        // An existing folder is no error and is left as it is.
        vault.write(QStringLiteral("Projects/keep.md"), QByteArray("k"));
        QCOMPARE(repository.createFolder(QString(), QStringLiteral("Projects")),
                 QStringLiteral("Projects"));
        QCOMPARE(vault.files(), QStringList{QStringLiteral("Projects/keep.md")});

        // A file in the way is a platform error.
        QVERIFY_EXCEPTION_THROWN(
            repository.createFolder(QStringLiteral("Projects"), QStringLiteral("keep.md.md")),
            FileError);
    }

    void renameInPlace()
    {
        TestVault vault;
        const VaultRepository repository(vault.root());
        vault.write(QStringLiteral("Notes/a.md"), QByteArray("# a\n"));
        vault.write(QStringLiteral("Notes/b.md"), QByteArray("# b\n"));

        // The same name changes nothing.
        const NoteDocument same =
            repository.renameNote(QStringLiteral("Notes/a.md"), QStringLiteral("a"));
        QCOMPARE(same.path, QStringLiteral("Notes/a.md"));
        QCOMPARE(vault.files(),
                 (QStringList{QStringLiteral("Notes/a.md"), QStringLiteral("Notes/b.md")}));

        // A taken name gets a number; the other file is untouched.
        const NoteDocument renamed =
            repository.renameNote(QStringLiteral("Notes/a.md"), QStringLiteral("b.md"));
        QCOMPARE(renamed.path, QStringLiteral("Notes/b 2.md"));
        QCOMPARE(renamed.markdown, QStringLiteral("# a\n"));
        QCOMPARE(vault.files(),
                 (QStringList{QStringLiteral("Notes/b 2.md"), QStringLiteral("Notes/b.md")}));
        QCOMPARE(vault.read(QStringLiteral("Notes/b.md")), QByteArray("# b\n"));

        QVERIFY_VAULT_ERROR(
            repository.renameNote(QStringLiteral("Notes/b.md"), QStringLiteral("x/y")),
            VaultError::invalidName);
        QVERIFY_EXCEPTION_THROWN(
            repository.renameNote(QStringLiteral("Notes/none.md"), QStringLiteral("z")), FileError);
        QCOMPARE(vault.files(),
                 (QStringList{QStringLiteral("Notes/b 2.md"), QStringLiteral("Notes/b.md")}));
    }

    void trashIsFlatAndNeverOverwrites()
    {
        TestVault vault;
        const VaultRepository repository(vault.root());
        vault.write(QStringLiteral("Notes/Sub/Plan.md"), QByteArray("one"));
        vault.write(QStringLiteral("Plan.md"), QByteArray("two"));
        vault.write(QStringLiteral("Other/Plan.md"), QByteArray("three"));

        repository.trashNote(QStringLiteral("Notes/Sub/Plan.md"));
        repository.trashNote(QStringLiteral("Plan.md"));
        repository.trashNote(QStringLiteral("Other/Plan.md"));
        QCOMPARE(vault.files(), (QStringList{QStringLiteral(".Trash/Plan 2.md"),
                                             QStringLiteral(".Trash/Plan 3.md"),
                                             QStringLiteral(".Trash/Plan.md")}));
        QCOMPARE(vault.read(QStringLiteral(".Trash/Plan.md")), QByteArray("one"));
        QCOMPARE(vault.read(QStringLiteral(".Trash/Plan 2.md")), QByteArray("two"));
        QCOMPARE(vault.read(QStringLiteral(".Trash/Plan 3.md")), QByteArray("three"));

        QVERIFY_EXCEPTION_THROWN(repository.trashNote(QStringLiteral("Notes/gone.md")), FileError);
    }

    void convertMemoToNote()
    {
        TestVault vault;
        const VaultRepository repository(vault.root());
        const QString day = QStringLiteral("Journal/2024/05/2024-05-01.md");
        const QByteArray first = "<a id=\"memo-3f2b8c1e-5a47-4d2a-9b1e-0c6f7d8e9a10\"></a>\n\n"
                                 "## 09:30\n\nfirst\n\n---\n\n";
        vault.write(day, QByteArray("# 2024-05-01\n\n") + first +
                             "<a id=\"memo-91c0d2aa\" data-folder=\"Reading\"></a>\n\n## 14:05\n\n"
                             "Buy [milk]\n\n---\n");

        // The folder is made when missing.
        const NoteDocument article = repository.convertMemoToNote(QStringLiteral("memo-91c0d2aa"),
                                                                  QStringLiteral("Shopping [list]"),
                                                                  QStringLiteral("Lists/Food"));
        QCOMPARE(article.path, QStringLiteral("Lists/Food/Shopping [list].md"));
        QCOMPARE(vault.read(article.path), QByteArray("# Shopping [list]\n\nBuy [milk]\n"));
        QCOMPARE(article.markdown, QStringLiteral("# Shopping [list]\n\nBuy [milk]\n"));

        const QByteArray link = "[Shopping \\[list\\]](../../../Lists/Food/Shopping%20[list].md)";
        QCOMPARE(vault.read(day), QByteArray("# 2024-05-01\n\n") + first +
                                      "<a id=\"memo-91c0d2aa\" data-folder=\"Reading\"></a>\n\n"
                                      "## 14:05\n\n" +
                                      link + "\n\n---\n\n");
        const QList<MemoRecord> memos = repository.loadMemos();
        QCOMPARE(memos.size(), 2);
        QCOMPARE(memos.at(1).markdown, QString::fromUtf8(link));
        QCOMPARE(memos.at(1).folderPath, QStringLiteral("Reading"));
        QVERIFY(vault.readText(QStringLiteral(".larch/memo-index.json"))
                    .contains(QStringLiteral("memo-91c0d2aa")));

        // Converting the link memo again: a free name; its text has no title of its own.
        const NoteDocument again = repository.convertMemoToNote(
            QStringLiteral("memo-91c0d2aa"), QStringLiteral("Shopping [list].md"),
            QStringLiteral("Lists/Food"));
        QCOMPARE(again.path, QStringLiteral("Lists/Food/Shopping [list] 2.md"));
        QCOMPARE(again.markdown, QStringLiteral("# Shopping [list] 2\n\n") +
                                     QString::fromUtf8(link) + QLatin1Char('\n'));
    }

    void convertMemoToNoteRejectsBeforeWriting_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("expectedError");
        QTest::newRow("unknown memo") << QStringLiteral("memo-none") << QStringLiteral("t")
                                      << QStringLiteral("New") << int(VaultError::noteNotFound);
        QTest::newRow("prefix of an id") << QStringLiteral("memo-1") << QStringLiteral("t")
                                         << QStringLiteral("New") << int(VaultError::noteNotFound);
        QTest::newRow("no title") << QStringLiteral("memo-123") << QString()
                                  << QStringLiteral("New") << int(VaultError::invalidName);
        QTest::newRow("slash") << QStringLiteral("memo-123") << QStringLiteral("a/b")
                               << QStringLiteral("New") << int(VaultError::invalidName);
        QTest::newRow("climbing folder")
            << QStringLiteral("memo-123") << QStringLiteral("t") << QStringLiteral("../New")
            << int(VaultError::invalidPath);
        QTest::newRow("absolute folder") << QStringLiteral("memo-123") << QStringLiteral("t")
                                         << QStringLiteral("/tmp") << int(VaultError::invalidPath);
    }
    void convertMemoToNoteRejectsBeforeWriting()
    {
        QFETCH(QString, id);
        QFETCH(QString, title);
        QFETCH(QString, folder);
        QFETCH(int, expectedError);
        TestVault vault;
        const QString day = QStringLiteral("Journal/2024/05/2024-05-01.md");
        const QByteArray text = "# 2024-05-01\n\n<a id=\"memo-123\"></a>\n\n## 09:30\n\nx\n\n---\n";
        vault.write(day, text);
        QVERIFY_VAULT_ERROR(VaultRepository(vault.root()).convertMemoToNote(id, title, folder),
                            VaultError::Code(expectedError));
        // Reading the memos may fill in the index, nothing else.
        QCOMPARE(vault.files().filter(QRegularExpression(QStringLiteral("^(?!\\.larch/)"))),
                 QStringList{day});
        QCOMPARE(vault.read(day), text);
        QVERIFY(!vault.exists(QStringLiteral("New")));
    }
};

QTEST_GUILESS_MAIN(ArticlesTest)
#include "tst_articles.moc"
