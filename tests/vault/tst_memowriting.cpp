#include "fileio.h"
#include "journal.h"
#include "memoindex.h"
#include "testvault.h"
#include "vaultrepository.h"

#include <QRegularExpression>
#include <QTest>

namespace {

QDateTime local(int hour, int minute, int second = 0)
{
    return QDateTime(QDate(2024, 5, 1), QTime(hour, minute, second));
}

const QString dayPath = QStringLiteral("Journal/2024/05/2024-05-01.md");

QString anchor(const QString& id)
{
    return QStringLiteral("<a id=\"%1\"></a>").arg(id);
}

} // namespace

class MemoWritingTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void createMemoAppendsToAFreshDayFile()
    {
        TestVault vault;
        VaultRepository repository(vault.root());
        const QDateTime createdAt = local(9, 30, 12).addMSecs(250);
        const MemoRecord memo = repository.createMemo(QStringLiteral("  hello \n"), createdAt,
                                                      QStringLiteral("Reading/Books"), {});
        QVERIFY(
            QRegularExpression(
                QStringLiteral(
                    "^memo-[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}$"))
                .match(memo.id)
                .hasMatch());
        QCOMPARE(memo, (MemoRecord{memo.id, createdAt, dayPath, QStringLiteral("hello"),
                                   QStringLiteral("Reading/Books")}));
        QCOMPARE(
            vault.readText(dayPath),
            QStringLiteral("# 2024-05-01\n\n<a id=\"%1\" data-folder=\"Reading/Books\"></a>\n\n"
                           "## 09:30\n\nhello\n\n---\n")
                .arg(memo.id));
        const QList<MemoIndexEntry> index = repository.loadMemoIndex();
        QCOMPARE(index.size(), 1);
        QCOMPARE(index.first().contentDigest, memoContentDigest(QStringLiteral("hello")));
        QCOMPARE(index.first().folderPath, QStringLiteral("Reading/Books"));

        // Read back, the memo has the minute of its heading.
        const QList<MemoRecord> loaded = repository.loadMemos();
        QCOMPARE(loaded.size(), 1);
        QCOMPARE(loaded.first().createdAt, local(9, 30));
        QCOMPARE(loaded.first().markdown, memo.markdown);
    }

    void createMemoAppendsAfterExistingText()
    {
        TestVault vault;
        VaultRepository repository(vault.root());
        vault.write(dayPath, QByteArray("\n\n# 2024-05-01\n\nnotes of mine\n\n\n"));
        const MemoRecord first = repository.createMemo(QStringLiteral("one"), local(9, 0), {}, {});
        const MemoRecord second =
            repository.createMemo(QStringLiteral("two"), local(10, 5), {}, {});
        QCOMPARE(vault.readText(dayPath),
                 QStringLiteral("# 2024-05-01\n\nnotes of mine\n\n%1\n\n## 09:00\n\none\n\n---\n\n"
                                "%2\n\n## 10:05\n\ntwo\n\n---\n")
                     .arg(anchor(first.id), anchor(second.id)));
    }

    void createMemoImageLines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("images");
        QTest::addColumn<QString>("body");
        QTest::newRow("images only")
            << QStringLiteral("  \n")
            << QStringList{QStringLiteral("/Attachments/a b.png"),
                           QStringLiteral("images/x%20y.png")}
            << QStringLiteral(
                   "![图片](../../../Attachments/a%20b.png)\n\n![图片](images/x%20y.png)");
        QTest::newRow("text and escaped root path")
            << QStringLiteral("look")
            << QStringList{QStringLiteral("/Attachments/image-0a1b%2A.png")}
            << QStringLiteral("look\n\n![图片](../../../Attachments/image-0a1b*.png)");
        QTest::newRow("malformed escape kept")
            << QString() << QStringList{QStringLiteral("/x%zz.png")}
            << QStringLiteral("![图片](../../../x%25zz.png)");
    }
    void createMemoImageLines()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, images);
        QFETCH(QString, body);
        TestVault vault;
        VaultRepository repository(vault.root());
        const MemoRecord memo = repository.createMemo(text, local(9, 30), {}, images);
        QCOMPARE(memo.markdown, body);
        QCOMPARE(vault.readText(dayPath),
                 QStringLiteral("# 2024-05-01\n\n%1\n\n## 09:30\n\n%2\n\n---\n")
                     .arg(anchor(memo.id), body));
    }

    void createMemoRejectsAnEmptyMemoBeforeWriting()
    {
        TestVault vault;
        VaultRepository repository(vault.root());
        QVERIFY_VAULT_ERROR(repository.createMemo(QStringLiteral(" \n\t"), local(9, 30), {}, {}),
                            VaultError::invalidName);
        QCOMPARE(vault.files(), QStringList());
    }

    void updateMemoRendersTheBlockAfresh_data()
    {
        QTest::addColumn<QString>("block");
        QTest::addColumn<QString>("heading");
        QTest::newRow("bold heading")
            << QStringLiteral("**14:05**\n\nold") << QStringLiteral("## 14:05");
        QTest::newRow("no heading") << QStringLiteral("old") << QStringLiteral("## 00:00");
    }
    void updateMemoRendersTheBlockAfresh()
    {
        QFETCH(QString, block);
        QFETCH(QString, heading);
        TestVault vault;
        VaultRepository repository(vault.root());
        vault.write(
            dayPath,
            QStringLiteral("# 2024-05-01\n\n<a id=\"memo-a\" data-folder=\"F\"></a>\n\n") + block +
                QStringLiteral("\n\n---\n\n<a id=\"memo-b\"></a>\n\n## 15:00\n\nb\n\n---\n"));
        const MemoRecord memo =
            repository.updateMemo(QStringLiteral("memo-a"), QStringLiteral("\n new\n"));
        QCOMPARE(memo.markdown, QStringLiteral("new"));
        QCOMPARE(memo.folderPath, QStringLiteral("F"));
        QCOMPARE(vault.readText(dayPath),
                 QStringLiteral("# 2024-05-01\n\n<a id=\"memo-a\" data-folder=\"F\"></a>\n\n") +
                     heading +
                     QStringLiteral(
                         "\n\nnew\n\n---\n\n<a id=\"memo-b\"></a>\n\n## 15:00\n\nb\n\n---\n"));
        QCOMPARE(repository.loadMemoIndex().first().contentDigest,
                 memoContentDigest(QStringLiteral("new")));
    }

    void updateMemoAcceptsAnEmptyBodyAndRejectsUnknownIds()
    {
        TestVault vault;
        VaultRepository repository(vault.root());
        const MemoRecord memo = repository.createMemo(QStringLiteral("x"), local(9, 30), {}, {});
        repository.updateMemo(memo.id, QStringLiteral("  "));
        QCOMPARE(vault.readText(dayPath),
                 QStringLiteral("# 2024-05-01\n\n%1\n\n## 09:30\n\n---\n\n").arg(anchor(memo.id)));
        QVERIFY_VAULT_ERROR(repository.updateMemo(QStringLiteral("memo-none"), QStringLiteral("x")),
                            VaultError::noteNotFound);
    }

    void appendFollowUpTwice()
    {
        TestVault vault;
        VaultRepository repository(vault.root());
        const MemoRecord memo =
            repository.createMemo(QStringLiteral("buy milk"), local(9, 30), {}, {});
        repository.appendFollowUp(memo.id, QStringLiteral(" done \n"), local(10, 0, 59));
        // The stamp is local time, whatever zone the date was made in.
        const MemoRecord updated = repository.appendFollowUp(
            memo.id, QStringLiteral("again"), QDateTime(QDate(2024, 5, 1), QTime(16, 45), Qt::UTC));
        const QString body = QStringLiteral("buy milk\n\n### 续记 · 2024-05-01 10:00\n\ndone\n\n"
                                            "### 续记 · 2024-05-02 00:45\n\nagain");
        QCOMPARE(updated.markdown, body);
        QCOMPARE(vault.readText(dayPath),
                 QStringLiteral("# 2024-05-01\n\n%1\n\n## 09:30\n\n%2\n\n---\n\n")
                     .arg(anchor(memo.id), body));
    }

    void appendFollowUpChecksBeforeWriting()
    {
        TestVault vault;
        VaultRepository repository(vault.root());
        const MemoRecord memo = repository.createMemo(QStringLiteral("x"), local(9, 30), {}, {});
        const QByteArray before = vault.read(dayPath);
        QVERIFY_VAULT_ERROR(repository.appendFollowUp(QStringLiteral("memo-none"),
                                                      QStringLiteral("  "), local(10, 0)),
                            VaultError::noteNotFound);
        QVERIFY_VAULT_ERROR(
            repository.appendFollowUp(memo.id, QStringLiteral(" \n "), local(10, 0)),
            VaultError::invalidName);
        QCOMPARE(vault.read(dayPath), before);
    }

    void deleteMemoInTheMiddle()
    {
        TestVault vault;
        VaultRepository repository(vault.root());
        const MemoRecord a = repository.createMemo(QStringLiteral("a"), local(9, 0), {}, {});
        const MemoRecord b = repository.createMemo(QStringLiteral("b"), local(9, 1), {}, {});
        const MemoRecord c = repository.createMemo(QStringLiteral("c"), local(9, 2), {}, {});
        repository.deleteMemo(b.id);
        QCOMPARE(vault.readText(dayPath),
                 QStringLiteral(
                     "# 2024-05-01\n\n%1\n\n## 09:00\n\na\n\n---\n\n%2\n\n## 09:02\n\nc\n\n---\n")
                     .arg(anchor(a.id), anchor(c.id)));
        QCOMPARE(repository.loadMemoIndex().size(), 2);
        repository.deleteMemo(c.id);
        QCOMPARE(
            vault.readText(dayPath),
            QStringLiteral("# 2024-05-01\n\n%1\n\n## 09:00\n\na\n\n---\n\n").arg(anchor(a.id)));
        repository.deleteMemo(a.id);
        QCOMPARE(vault.readText(dayPath), QStringLiteral("# 2024-05-01\n\n"));
        QVERIFY(repository.loadMemoIndex().isEmpty());
        QVERIFY_VAULT_ERROR(repository.deleteMemo(a.id), VaultError::noteNotFound);
    }

    void replaceMemoBlockTidiesTheWholeFile()
    {
        TestVault vault;
        VaultRepository repository(vault.root());
        vault.write(dayPath, QStringLiteral("# 2024-05-01\n\n\n\n\nuser text\n\n\nthree\n\n"
                                            "<a id=\"memo-a\"></a>\n\n## 09:00\n\na\n\n---"));
        const MemoRecord memo{QStringLiteral("memo-a"), local(9, 0), dayPath, QString(), QString()};
        repository.replaceMemoBlock(memo,
                                    QStringLiteral("\n<a id=\"memo-a\"></a>\n\nreplaced\n\n"));
        QCOMPARE(
            vault.readText(dayPath),
            QStringLiteral(
                "# 2024-05-01\n\nuser text\n\n\nthree\n\n<a id=\"memo-a\"></a>\n\nreplaced\n\n"));
        // Without a trailing line feed the file gets one.
        vault.write(dayPath, QStringLiteral("x\n<a id=\"memo-a\"></a>\ny"));
        repository.replaceMemoBlock(memo, QString());
        QCOMPARE(vault.readText(dayPath), QStringLiteral("x\n"));
        QVERIFY_VAULT_ERROR(repository.replaceMemoBlock(memo, QStringLiteral("z")),
                            VaultError::noteNotFound);
        QVERIFY_VAULT_ERROR(
            repository.replaceMemoBlock(
                MemoRecord{QStringLiteral("memo-a"), {}, QStringLiteral("../x.md"), {}, {}},
                QStringLiteral("z")),
            VaultError::invalidPath);
    }

    void failedWritesKeepTheDayFile()
    {
        TestVault vault;
        VaultRepository repository(vault.root());
        const MemoRecord memo = repository.createMemo(QStringLiteral("x"), local(9, 30), {}, {});
        const QByteArray before = vault.read(dayPath);
        const QStringList files = vault.files();
        {
            const FileSizeLimit limit(before.size());
            QVERIFY_THROWS_EXCEPTION(
                FileError, repository.createMemo(QStringLiteral("y"), local(9, 31), {}, {}));
            QVERIFY_THROWS_EXCEPTION(FileError, repository.appendFollowUp(
                                                    memo.id, QStringLiteral("more"), local(10, 0)));
        }
        QCOMPARE(vault.read(dayPath), before);
        QCOMPARE(vault.files(), files);
    }

    // The day file is the truth: once it holds the change the operation has happened, also when
    // the index cannot follow; the index is filled in by a later load.
    void failedIndexWriteIsAWarning_data()
    {
        QTest::addColumn<bool>("diskFull"); // else a file where ".larch" should be
        QTest::addColumn<QString>("operation");
        for (const char* operation : {"create", "update", "followUp", "delete"}) {
            QTest::addRow("disk full, %s", operation) << true << operation;
            QTest::addRow("ledger folder is a file, %s", operation) << false << operation;
        }
    }
    void failedIndexWriteIsAWarning()
    {
        QFETCH(bool, diskFull);
        QFETCH(QString, operation);
        TestVault vault;
        VaultRepository repository(vault.root());
        // Two memos, so that even the index after a removal is too large for the full disk.
        repository.createMemo(QStringLiteral("w"), local(9, 0), {}, {});
        MemoRecord memo = repository.createMemo(QStringLiteral("x"), local(9, 30), {}, {});
        const QByteArray index = vault.read(QStringLiteral(".larch/memo-index.json"));
        if (!diskFull) {
            QVERIFY(QFile::remove(vault.path(QStringLiteral(".larch/memo-index.json"))));
            QVERIFY(QDir(vault.path(QStringLiteral(".larch"))).removeRecursively());
            vault.write(QStringLiteral(".larch"), QByteArray("not a folder"));
        }
        {
            // Day files fit, the index (some 250 bytes an entry) does not.
            const FileSizeLimit limit(diskFull ? 240 : 1 << 20);
            if (operation == QLatin1String("create"))
                memo = repository.createMemo(QStringLiteral("y"), local(9, 31), {}, {});
            else if (operation == QLatin1String("update"))
                memo = repository.updateMemo(memo.id, QStringLiteral("z"));
            else if (operation == QLatin1String("followUp"))
                memo = repository.appendFollowUp(memo.id, QStringLiteral("z"), local(10, 0));
            else
                repository.deleteMemo(memo.id);
        }
        const QList<VaultWarning> warnings = repository.takeWarnings();
        QCOMPARE(warnings.size(), 1);
        QVERIFY(warnings.first().text.contains(QStringLiteral("记录索引没有更新")));
        const QList<MemoRecord> memos = repository.loadMemos();
        QCOMPARE(memos.size(), operation == QLatin1String("create")   ? 3
                               : operation == QLatin1String("delete") ? 1
                                                                      : 2);
        if (diskFull && operation != QLatin1String("create"))
            QCOMPARE(vault.read(QStringLiteral(".larch/memo-index.json")), index);
        if (!diskFull) {
            QVERIFY(QFile::remove(vault.path(QStringLiteral(".larch"))));
            repository.loadMemos();
        }
        // Loading puts every memo of the day files into the index; a deleted one's entry may stay.
        const bool staleEntry = diskFull && operation == QLatin1String("delete");
        QCOMPARE(repository.loadMemoIndex().size(), memos.size() + (staleEntry ? 1 : 0));
    }
};

QTEST_GUILESS_MAIN(MemoWritingTest)
#include "tst_memowriting.moc"
