#include "fileio.h"
#include "journal.h"
#include "memoindex.h"
#include "testvault.h"
#include "vaultrepository.h"

#include <QTest>

namespace {

QDateTime local(int year, int month, int day, int hour, int minute)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute));
}

const QString firstId = QStringLiteral("memo-3f2b8c1e-5a47-4d2a-9b1e-0c6f7d8e9a10");
const QString secondId = QStringLiteral("memo-91c0d2aa-7e3b-4c55-8f21-6b9a0e4d3c77");

// The day file with a todo section and two memos, the second filed under a folder.
QString exampleDayFile()
{
    return QStringLiteral("# 2024-05-01\n\n"
                          "<a id=\"daily-todos\"></a>\n\n"
                          "## 今日待办\n\n"
                          "- [ ] call the printer shop\n\n"
                          "<a id=\"memo-3f2b8c1e-5a47-4d2a-9b1e-0c6f7d8e9a10\"></a>\n\n"
                          "## 09:30\n\n"
                          "first memo text\n\n"
                          "---\n\n"
                          "<a id=\"memo-91c0d2aa-7e3b-4c55-8f21-6b9a0e4d3c77\" "
                          "data-folder=\"Reading/Books\"></a>\n\n"
                          "## 14:05\n\n"
                          "second memo text\n\n"
                          "---\n");
}

} // namespace

class JournalTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dayFilePathFollowsLocalTime()
    {
        QCOMPARE(journalPath(local(2024, 5, 1, 9, 30)),
                 QStringLiteral("Journal/2024/05/2024-05-01.md"));
        // 20:00 UTC on 31 December is already 1 January in Shanghai.
        const QDateTime utc(QDate(2023, 12, 31), QTime(20, 0), Qt::UTC);
        QCOMPARE(journalPath(utc), QStringLiteral("Journal/2024/01/2024-01-01.md"));
        QCOMPARE(memoHeadingTime(utc), QStringLiteral("04:00"));
    }

    void renderedBlocks_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("markdown");
        QTest::addColumn<QString>("expected");
        QTest::newRow("no folder")
            << QString() << QStringLiteral("\n  first memo text \n\n")
            << QStringLiteral("<a id=\"memo-1\"></a>\n\n## 09:05\n\nfirst memo "
                              "text\n\n---");
        QTest::newRow("folder") << QStringLiteral("Reading/Books") << QStringLiteral("x")
                                << QStringLiteral(
                                       "<a id=\"memo-1\" data-folder=\"Reading/Books\"></"
                                       "a>\n\n## 09:05\n\nx\n\n---");
        QTest::newRow("escaped folder")
            << QStringLiteral("a&b \"q\" <c>") << QStringLiteral("x")
            << QStringLiteral("<a id=\"memo-1\" data-folder=\"a&amp;b &quot;q&quot; "
                              "&lt;c&gt;\"></a>\n\n## 09:05\n\nx\n\n---");
    }
    void renderedBlocks()
    {
        QFETCH(QString, folder);
        QFETCH(QString, markdown);
        QFETCH(QString, expected);
        const MemoRecord memo{QStringLiteral("memo-1"), local(2024, 5, 1, 9, 5),
                              QStringLiteral("Journal/2024/05/2024-05-01.md"), markdown, folder};
        QCOMPARE(renderMemoBlock(memo), expected);
        // What is written reads back as the same memo, escaped folder included.
        const QList<MemoRecord> parsed = parseAnchoredMemos(expected, memo.journalPath);
        QCOMPARE(parsed.size(), 1);
        QCOMPARE(parsed.first().folderPath, folder);
        QCOMPARE(parsed.first().markdown, markdown.trimmed());
        QCOMPARE(parsed.first().createdAt, memo.createdAt);
    }

    void parsesTheExampleDayFile()
    {
        const QString path = QStringLiteral("Journal/2024/05/2024-05-01.md");
        const QList<MemoRecord> memos = parseAnchoredMemos(exampleDayFile(), path);
        const QList<MemoRecord> expected{
            {firstId, local(2024, 5, 1, 9, 30), path, QStringLiteral("first memo text"), QString()},
            {secondId, local(2024, 5, 1, 14, 5), path, QStringLiteral("second memo text"),
             QStringLiteral("Reading/Books")},
        };
        QCOMPARE(memos, expected);
    }

    void parsedBlocks_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("markdowns");
        QTest::addColumn<QStringList>("times");
        const QString anchor = QStringLiteral("<a id=\"memo-a\"></a>\n\n");
        QTest::newRow("no anchors") << QStringLiteral("# 2024-05-01\n\n## 09:30\n\ntext\n\n---\n")
                                    << QStringList() << QStringList();
        QTest::newRow("bold heading")
            << anchor + QStringLiteral("**09:30**\n\ntext\n\n---\n")
            << QStringList{QStringLiteral("text")} << QStringList{QStringLiteral("09:30")};
        QTest::newRow("no heading")
            << anchor + QStringLiteral("just text\n") << QStringList{QStringLiteral("just text")}
            << QStringList{QStringLiteral("00:00")};
        QTest::newRow("no closing rule")
            << anchor + QStringLiteral("## 09:30\n\na\n\nb")
            << QStringList{QStringLiteral("a\n\nb")} << QStringList{QStringLiteral("09:30")};
        QTest::newRow("two closing rules")
            << anchor + QStringLiteral("## 09:30\n\na\n\n---\n---\n")
            << QStringList{QStringLiteral("a\n\n---")} << QStringList{QStringLiteral("09:30")};
        QTest::newRow("rule in the middle")
            << anchor + QStringLiteral("## 09:30\n\na\n---\nb\n\n---\n")
            << QStringList{QStringLiteral("a\n---\nb")} << QStringList{QStringLiteral("09:30")};
        QTest::newRow("two spaces after hashes")
            << anchor + QStringLiteral("##  09:30\n\na\n") << QStringList{QStringLiteral("a")}
            << QStringList{QStringLiteral("09:30")};
        QTest::newRow("crlf")
            << QStringLiteral("<a id=\"memo-a\"></a>\r\n\r\n## 09:30\r\n\r\na\r\nb\r\n\r\n---\r\n")
            << QStringList{QStringLiteral("a\n\nb")} << QStringList{QStringLiteral("09:30")};
        QTest::newRow("line separators")
            << QStringLiteral("<a id=\"memo-a\"></a>\u2028## 09:30\u2028a\u2029b\u2028---")
            << QStringList{QStringLiteral("a\nb")} << QStringList{QStringLiteral("09:30")};
        QTest::newRow("indented anchor belongs to the memo before")
            << anchor + QStringLiteral(
                            "## 09:30\n\na\n\n---\n\n <a id=\"memo-b\"></a>\n\n## 10:00\n\nb\n")
            << QStringList{QStringLiteral("a\n\n---\n\n <a id=\"memo-b\"></a>\n\n## 10:00\n\nb")}
            << QStringList{QStringLiteral("09:30")};
        QTest::newRow("other attribute order is no anchor")
            << QStringLiteral("<a data-folder=\"x\" id=\"memo-b\"></a>\n\n## 10:00\n\nb\n")
            << QStringList() << QStringList();
        QTest::newRow("anchor with trailing spaces")
            << QStringLiteral(
                   "<a id=\"memo-a\"></a>  \n## 10:00\nb\n<a id=\"memo-b\"></a>\n## 11:00\nc")
            << QStringList{QStringLiteral("b"), QStringLiteral("c")}
            << QStringList{QStringLiteral("10:00"), QStringLiteral("11:00")};
    }
    void parsedBlocks()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, markdowns);
        QFETCH(QStringList, times);
        const QList<MemoRecord> memos =
            parseAnchoredMemos(text, QStringLiteral("Journal/2024/05/2024-05-01.md"));
        QStringList gotMarkdowns;
        QStringList gotTimes;
        for (const MemoRecord& memo : memos) {
            gotMarkdowns.append(memo.markdown);
            gotTimes.append(memo.createdAt.toString(QStringLiteral("HH:mm")));
        }
        QCOMPARE(gotMarkdowns, markdowns);
        QCOMPARE(gotTimes, times);
    }

    void folderEntitiesDecodeAmpersandLast()
    {
        const QList<MemoRecord> memos = parseAnchoredMemos(
            QStringLiteral("<a id=\"memo-a\" data-folder=\"a &amp;quot; b\"></a>\n\n## 09:30\n\nx"),
            QStringLiteral("Journal/2024/05/2024-05-01.md"));
        QCOMPARE(memos.size(), 1);
        QCOMPARE(memos.first().folderPath, QStringLiteral("a &quot; b"));
    }

    void createdAtComesFromTheFileName_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QDateTime>("expected");
        QTest::newRow("day file") << QStringLiteral("Journal/2020/01/2024-05-01.md")
                                  << QStringLiteral("09:30") << local(2024, 5, 1, 9, 30);
        QTest::newRow("upper-case extension")
            << QStringLiteral("Daily Notes/2024-05-01.MD") << QStringLiteral("23:59")
            << local(2024, 5, 1, 23, 59);
        QTest::newRow("not a day name")
            << QStringLiteral("Journal/notes.md") << QStringLiteral("09:30") << distantPast();
        QTest::newRow("not a time") << QStringLiteral("Journal/2024-05-01.md")
                                    << QStringLiteral("##\t09:30") << distantPast();
        QTest::newRow("impossible minute")
            << QStringLiteral("Journal/2024-05-01.md") << QStringLiteral("25:10") << distantPast();
    }
    void createdAtComesFromTheFileName()
    {
        QFETCH(QString, path);
        QFETCH(QString, time);
        QFETCH(QDateTime, expected);
        QCOMPARE(memoCreatedAt(path, time), expected);
    }

    void blockRange()
    {
        const QString text = exampleDayFile();
        const std::optional<TextRange> first = memoBlockRange(firstId, text);
        QVERIFY(first);
        QVERIFY(text.sliced(first->start).startsWith(QStringLiteral("<a id=\"") + firstId));
        QVERIFY(text.sliced(first->end).startsWith(QStringLiteral("<a id=\"") + secondId));
        const std::optional<TextRange> second = memoBlockRange(secondId, text);
        QVERIFY(second);
        QCOMPARE(second->start, first->end);
        QCOMPARE(second->end, text.size());
        QVERIFY(!memoBlockRange(QStringLiteral("memo-3f2b8c1e"), text));
        // Characters of the id are literal, not pattern syntax.
        QVERIFY(!memoBlockRange(QStringLiteral("memo-3f2b8c1e.*"), text));
    }

    void ensureJournalDocumentCreatesTheTitleOnce()
    {
        TestVault vault;
        VaultRepository repository(vault.root());
        const NoteDocument created = repository.ensureJournalDocument(local(2024, 5, 1, 9, 30));
        QCOMPARE(created.path, QStringLiteral("Journal/2024/05/2024-05-01.md"));
        QCOMPARE(created.markdown, QStringLiteral("# 2024-05-01\n\n"));
        QCOMPARE(vault.read(created.path), QByteArray("# 2024-05-01\n\n"));
        QCOMPARE(created.modifiedAt, fileModificationDate(vault.path(created.path)));

        vault.write(created.path, QByteArray("kept as it is"));
        const NoteDocument again = repository.ensureJournalDocument(local(2024, 5, 1, 23, 0));
        QCOMPARE(again.markdown, QStringLiteral("kept as it is"));
    }

    void ensureJournalDocumentReportsFileErrors()
    {
        TestVault vault;
        vault.write(QStringLiteral("Journal"), QByteArray("a file where the folder should be"));
        VaultRepository repository(vault.root());
        QVERIFY_THROWS_EXCEPTION(FileError,
                                 repository.ensureJournalDocument(local(2024, 5, 1, 9, 30)));
        QCOMPARE(vault.read(QStringLiteral("Journal")),
                 QByteArray("a file where the folder should be"));
    }

    void loadMemosReadsBothJournalFolders()
    {
        TestVault vault;
        vault.write(QStringLiteral("Journal/2024/05/2024-05-01.md"), exampleDayFile());
        vault.write(QStringLiteral("Daily Notes/2024-04-30.MD"),
                    QStringLiteral("<a id=\"memo-z\"></a>\n\n## 09:30\n\nolder\n"));
        // Same minute as the first memo of the example: ordered by id.
        vault.write(QStringLiteral("Journal/2024/05/extra/2024-05-01.md"),
                    QStringLiteral("<a id=\"memo-0\"></a>\n\n## 09:30\n\nsame minute\n"));
        vault.write(QStringLiteral("Journal/notes.md"),
                    QStringLiteral("<a id=\"memo-undated\"></a>\n\nno heading\n"));
        vault.write(QStringLiteral("Journal/.hidden/2024-05-02.md"),
                    QStringLiteral("<a id=\"memo-hidden\"></a>\n\n## 09:30\n\nx\n"));
        vault.write(QStringLiteral("Journal/2024/.2024-05-03.md"),
                    QStringLiteral("<a id=\"memo-hidden2\"></a>\n\n## 09:30\n\nx\n"));
        vault.write(QStringLiteral("Journal/2024/05/2024-05-04.txt"),
                    QStringLiteral("<a id=\"memo-text\"></a>\n\n## 09:30\n\nx\n"));
        vault.write(QStringLiteral("Notes/2024-05-01.md"),
                    QStringLiteral("<a id=\"memo-note\"></a>\n\n## 09:30\n\nx\n"));
        VaultRepository repository(vault.root());
        const QList<MemoRecord> memos = repository.loadMemos();
        QStringList ids;
        for (const MemoRecord& memo : memos)
            ids.append(memo.id);
        QCOMPARE(ids, (QStringList{QStringLiteral("memo-undated"), QStringLiteral("memo-z"),
                                   QStringLiteral("memo-0"), firstId, secondId}));
        QCOMPARE(memos.first().createdAt, distantPast());
        QCOMPARE(memos.at(1).journalPath, QStringLiteral("Daily Notes/2024-04-30.MD"));
    }

    void loadMemosNeverRewritesFilesItCannotDecode()
    {
        TestVault vault;
        VaultRepository repository(vault.root());
        const QString path = QStringLiteral("Journal/2024/05/2024-05-01.md");
        // A stripped memo the index would re-anchor, in a file with one byte that is not UTF-8.
        const QByteArray bytes = "# 2024-05-01\n\n## 09:30\n\ncaf\xe9\n\n---\n";
        vault.write(path, bytes);
        // The entry matches what a lenient decoder would make of the block.
        repository.saveMemoIndex(
            {MemoIndexEntry{QStringLiteral("memo-a"), local(2024, 5, 1, 9, 30), path,
                            memoContentDigest(QString::fromUtf8("caf\xe9")), QString()}});
        QVERIFY(reanchorMemos(QString::fromUtf8(bytes), path, repository.loadMemoIndex()) !=
                QString::fromUtf8(bytes));
        QVERIFY(repository.loadMemos().isEmpty());
        QCOMPARE(vault.read(path), bytes);
        // Its memos are missing from the list, and the reader is told which file hides them.
        const QList<VaultWarning> warnings = repository.takeWarnings();
        QCOMPARE(warnings.size(), 1);
        QVERIFY(warnings.first().text.contains(path));
    }

    // Reading must not need writing: a repair that cannot be written back is shown from memory.
    void repairThatCannotBeWrittenIsAWarning()
    {
        TestVault vault;
        VaultRepository repository(vault.root());
        const QString path = QStringLiteral("Journal/2024/05/2024-05-01.md");
        vault.write(path, QStringLiteral("# 2024-05-01\n\n## 09:30\n\nstripped\n\n---\n"));
        repository.saveMemoIndex(
            {MemoIndexEntry{QStringLiteral("memo-a"), local(2024, 5, 1, 9, 30), path,
                            memoContentDigest(QStringLiteral("stripped")), QString()}});
        const QByteArray before = vault.read(path);
        QList<MemoRecord> memos;
        {
            const FileSizeLimit limit(before.size());
            memos = repository.loadMemos();
        }
        QCOMPARE(memos.size(), 1);
        QCOMPARE(memos.first().id, QStringLiteral("memo-a"));
        QCOMPARE(vault.read(path), before);
        QCOMPARE(vault.files().filter(QStringLiteral(".larch-")), QStringList());
        const QList<VaultWarning> warnings = repository.takeWarnings();
        QCOMPARE(warnings.size(), 1);
        QVERIFY(warnings.first().text.contains(path));
    }
};

QTEST_GUILESS_MAIN(JournalTest)
#include "tst_journal.moc"
