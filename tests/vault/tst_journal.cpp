#include "fileio.h"
#include "journal.h"
#include "memoindex.h"
#include "testvault.h"
#include "vaultrepository.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

QDateTime local(int year, int month, int day, int hour, int minute)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute));
}

const QString firstId = u"memo-3f2b8c1e-5a47-4d2a-9b1e-0c6f7d8e9a10"_s;
const QString secondId = u"memo-91c0d2aa-7e3b-4c55-8f21-6b9a0e4d3c77"_s;

// The day file with a todo section and two memos, the second filed under a folder.
QString exampleDayFile()
{
    return u"# 2024-05-01\n\n"
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
           "---\n"_s;
}

} // namespace

class JournalTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void dayFilePathFollowsLocalTime()
    {
        QCOMPARE(journalPath(local(2024, 5, 1, 9, 30)), u"Journal/2024/05/2024-05-01.md"_s);
        // 20:00 UTC on 31 December is already 1 January in Shanghai.
        const QDateTime utc(QDate(2023, 12, 31), QTime(20, 0), Qt::UTC);
        QCOMPARE(journalPath(utc), u"Journal/2024/01/2024-01-01.md"_s);
        QCOMPARE(memoHeadingTime(utc), u"04:00"_s);
    }

    void renderedBlocks_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("markdown");
        QTest::addColumn<QString>("expected");
        QTest::newRow("no folder") << QString() << u"\n  first memo text \n\n"_s
                                   << u"<a id=\"memo-1\"></a>\n\n## 09:05\n\nfirst memo "
                                      "text\n\n---"_s;
        QTest::newRow("folder") << u"Reading/Books"_s << u"x"_s
                                << u"<a id=\"memo-1\" data-folder=\"Reading/Books\"></"
                                   "a>\n\n## 09:05\n\nx\n\n---"_s;
        // "&quot;" in a folder name must read back as itself: "&amp;" is decoded last.
        QTest::newRow("escaped folder") << u"a&b \"q\" <c> &quot;"_s << u"x"_s
                                        << u"<a id=\"memo-1\" data-folder=\"a&amp;b &quot;q&quot; "
                                           "&lt;c&gt; &amp;quot;\"></a>\n\n## 09:05\n\nx\n\n---"_s;
    }
    void renderedBlocks()
    {
        QFETCH(QString, folder);
        QFETCH(QString, markdown);
        QFETCH(QString, expected);
        const MemoRecord memo{u"memo-1"_s, local(2024, 5, 1, 9, 5),
                              u"Journal/2024/05/2024-05-01.md"_s, markdown, folder};
        QCOMPARE(renderMemoBlock(memo), expected);
        // What is written reads back as the same memo, escaped folder included.
        const QList<MemoRecord> parsed = parseAnchoredMemos(expected, memo.journalPath);
        QCOMPARE(parsed.size(), 1);
        QCOMPARE(parsed.first().folderPath, folder);
        QCOMPARE(parsed.first().markdown, markdown.trimmed());
        QCOMPARE(parsed.first().createdAt, memo.createdAt);
    }

    void parsedBlocks_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("markdowns");
        QTest::addColumn<QStringList>("times");
        const QString anchor = u"<a id=\"memo-a\"></a>\n\n"_s;
        QTest::newRow("no anchors")
            << u"# 2024-05-01\n\n## 09:30\n\ntext\n\n---\n"_s << QStringList() << QStringList();
        QTest::newRow("bold heading") << anchor + u"**09:30**\n\ntext\n\n---\n"_s
                                      << QStringList{u"text"_s} << QStringList{u"09:30"_s};
        QTest::newRow("no heading")
            << anchor + u"just text\n"_s << QStringList{u"just text"_s} << QStringList{u"00:00"_s};
        QTest::newRow("no closing rule") << anchor + u"## 09:30\n\na\n\nb"_s
                                         << QStringList{u"a\n\nb"_s} << QStringList{u"09:30"_s};
        QTest::newRow("rule in the middle, two closing rules")
            << anchor + u"##  09:30\n\na\n---\nb\n\n---\n---\n"_s
            << QStringList{u"a\n---\nb\n\n---"_s} << QStringList{u"09:30"_s};
        QTest::newRow("crlf")
            << u"<a id=\"memo-a\"></a>\r\n\r\n## 09:30\r\n\r\na\r\nb\r\n\r\n---\r\n"_s
            << QStringList{u"a\n\nb"_s} << QStringList{u"09:30"_s};
        QTest::newRow("line separators")
            << u"<a id=\"memo-a\"></a>\u2028## 09:30\u2028a\u2029b\u2028---"_s
            << QStringList{u"a\nb"_s} << QStringList{u"09:30"_s};
        QTest::newRow("indented anchor belongs to the memo before")
            << anchor + u"## 09:30\n\na\n\n---\n\n <a id=\"memo-b\"></a>\n\n## 10:00\n\nb\n"_s
            << QStringList{u"a\n\n---\n\n <a id=\"memo-b\"></a>\n\n## 10:00\n\nb"_s}
            << QStringList{u"09:30"_s};
        QTest::newRow("other attribute order is no anchor")
            << u"<a data-folder=\"x\" id=\"memo-b\"></a>\n\n## 10:00\n\nb\n"_s << QStringList()
            << QStringList();
        QTest::newRow("anchor with trailing spaces")
            << u"<a id=\"memo-a\"></a>  \n## 10:00\nb\n<a id=\"memo-b\"></a>\n## 11:00\nc"_s
            << QStringList{u"b"_s, u"c"_s} << QStringList{u"10:00"_s, u"11:00"_s};
    }
    void parsedBlocks()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, markdowns);
        QFETCH(QStringList, times);
        const QList<MemoRecord> memos =
            parseAnchoredMemos(text, u"Journal/2024/05/2024-05-01.md"_s);
        QStringList gotMarkdowns;
        QStringList gotTimes;
        for (const MemoRecord& memo : memos) {
            gotMarkdowns.append(memo.markdown);
            gotTimes.append(memo.createdAt.toString(u"HH:mm"_s));
        }
        QCOMPARE(gotMarkdowns, markdowns);
        QCOMPARE(gotTimes, times);
    }

    void createdAtComesFromTheFileName_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QDateTime>("expected");
        QTest::newRow("day file") << u"Journal/2020/01/2024-05-01.md"_s << u"09:30"_s
                                  << local(2024, 5, 1, 9, 30);
        QTest::newRow("upper-case extension")
            << u"Daily Notes/2024-05-01.MD"_s << u"23:59"_s << local(2024, 5, 1, 23, 59);
        QTest::newRow("not a day name") << u"Journal/notes.md"_s << u"09:30"_s << distantPast();
        QTest::newRow("not a time")
            << u"Journal/2024-05-01.md"_s << u"##\t09:30"_s << distantPast();
        QTest::newRow("impossible minute")
            << u"Journal/2024-05-01.md"_s << u"25:10"_s << distantPast();
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
        QVERIFY(text.sliced(first->start).startsWith(u"<a id=\""_s + firstId));
        QVERIFY(text.sliced(first->end).startsWith(u"<a id=\""_s + secondId));
        const std::optional<TextRange> second = memoBlockRange(secondId, text);
        QVERIFY(second);
        QCOMPARE(second->start, first->end);
        QCOMPARE(second->end, text.size());
        QVERIFY(!memoBlockRange(u"memo-3f2b8c1e"_s, text));
        // Characters of the id are literal, not pattern syntax.
        QVERIFY(!memoBlockRange(u"memo-3f2b8c1e.*"_s, text));
    }

    void ensureJournalDocumentCreatesTheTitleOnce()
    {
        TestVault vault;
        VaultRepository repository(vault.root());
        const NoteDocument created = repository.ensureJournalDocument(local(2024, 5, 1, 9, 30));
        QCOMPARE(created.path, u"Journal/2024/05/2024-05-01.md"_s);
        QCOMPARE(created.markdown, u"# 2024-05-01\n\n"_s);
        QCOMPARE(vault.read(created.path), "# 2024-05-01\n\n"_ba);
        QCOMPARE(created.modifiedAt, fileModificationDate(vault.path(created.path)));

        vault.write(created.path, "kept as it is"_ba);
        const NoteDocument again = repository.ensureJournalDocument(local(2024, 5, 1, 23, 0));
        QCOMPARE(again.markdown, u"kept as it is"_s);

        const TestVault blocked;
        blocked.write(u"Journal"_s, "a file where the folder should be"_ba);
        QVERIFY_THROWS_EXCEPTION(
            FileError,
            VaultRepository(blocked.root()).ensureJournalDocument(local(2024, 5, 1, 9, 30)));
        QCOMPARE(blocked.read(u"Journal"_s), "a file where the folder should be"_ba);
    }

    void loadMemosReadsBothJournalFolders()
    {
        TestVault vault;
        vault.write(u"Journal/2024/05/2024-05-01.md"_s, exampleDayFile());
        vault.write(u"Daily Notes/2024-04-30.MD"_s,
                    u"<a id=\"memo-z\"></a>\n\n## 09:30\n\nolder\n"_s);
        // Same minute as the first memo of the example: ordered by id.
        vault.write(u"Journal/2024/05/extra/2024-05-01.md"_s,
                    u"<a id=\"memo-0\"></a>\n\n## 09:30\n\nsame minute\n"_s);
        vault.write(u"Journal/notes.md"_s, u"<a id=\"memo-undated\"></a>\n\nno heading\n"_s);
        vault.write(u"Journal/.hidden/2024-05-02.md"_s,
                    u"<a id=\"memo-hidden\"></a>\n\n## 09:30\n\nx\n"_s);
        vault.write(u"Journal/2024/.2024-05-03.md"_s,
                    u"<a id=\"memo-hidden2\"></a>\n\n## 09:30\n\nx\n"_s);
        vault.write(u"Journal/2024/05/2024-05-04.txt"_s,
                    u"<a id=\"memo-text\"></a>\n\n## 09:30\n\nx\n"_s);
        vault.write(u"Notes/2024-05-01.md"_s, u"<a id=\"memo-note\"></a>\n\n## 09:30\n\nx\n"_s);
        VaultRepository repository(vault.root());
        const QList<MemoRecord> memos = repository.loadMemos();
        QStringList ids;
        for (const MemoRecord& memo : memos)
            ids.append(memo.id);
        QCOMPARE(ids,
                 (QStringList{u"memo-undated"_s, u"memo-z"_s, u"memo-0"_s, firstId, secondId}));
        QCOMPARE(memos.first().createdAt, distantPast());
        QCOMPARE(memos.at(1).journalPath, u"Daily Notes/2024-04-30.MD"_s);
        const QString path = u"Journal/2024/05/2024-05-01.md"_s;
        const QList<MemoRecord> example{
            {firstId, local(2024, 5, 1, 9, 30), path, u"first memo text"_s, QString()},
            {secondId, local(2024, 5, 1, 14, 5), path, u"second memo text"_s, u"Reading/Books"_s},
        };
        QCOMPARE(memos.mid(3), example);
    }

    // Reading must not need writing: a stripped memo's anchor is put back only where the file
    // decodes and can be written; else the memo is shown from memory, or left out, with a warning
    // that names the file. The entry matches what a lenient decoder would make of the block.
    void repairsThatCannotBeWrittenAreWarnings_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("diskFull");
        QTest::addColumn<int>("memos");
        QTest::newRow("not UTF-8") << "caf\xe9"_ba << false << 0;
        QTest::newRow("disk full") << "stripped"_ba << true << 1;
    }
    void repairsThatCannotBeWrittenAreWarnings()
    {
        QFETCH(QByteArray, body);
        QFETCH(bool, diskFull);
        QFETCH(int, memos);
        TestVault vault;
        VaultRepository repository(vault.root());
        const QString path = u"Journal/2024/05/2024-05-01.md"_s;
        const QByteArray bytes = "# 2024-05-01\n\n## 09:30\n\n" + body + "\n\n---\n";
        vault.write(path, bytes);
        repository.saveMemoIndex(
            {MemoIndexEntry{u"memo-a"_s, local(2024, 5, 1, 9, 30), path,
                            memoContentDigest(QString::fromUtf8(body)), QString()}});
        QVERIFY(reanchorMemos(QString::fromUtf8(bytes), path, repository.loadMemoIndex()) !=
                QString::fromUtf8(bytes));
        QList<MemoRecord> loaded;
        {
            const FileSizeLimit limit(diskFull ? bytes.size() : 1 << 20);
            loaded = repository.loadMemos();
        }
        QCOMPARE(loaded.size(), memos);
        if (memos)
            QCOMPARE(loaded.first().id, u"memo-a"_s);
        QCOMPARE(vault.read(path), bytes);
        QCOMPARE(vault.files().filter(u".larch-"_s), QStringList());
        const QList<VaultWarning> warnings = repository.takeWarnings();
        QCOMPARE(warnings.size(), 1);
        QVERIFY(warnings.first().text.contains(path));
    }
};

QTEST_GUILESS_MAIN(JournalTest)
#include "tst_journal.moc"
