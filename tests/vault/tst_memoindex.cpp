#include "fileio.h"
#include "journal.h"
#include "memoindex.h"
#include "testvault.h"
#include "vaultrepository.h"

#include <QCryptographicHash>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

QDateTime local(int year, int month, int day, int hour, int minute, int second = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second));
}

const QString dayPath = u"Journal/2024/05/2024-05-01.md"_s;

MemoIndexEntry entry(const QString& id, int hour, int minute, const QString& body,
                     const QString& folder = QString())
{
    return MemoIndexEntry{id, local(2024, 5, 1, hour, minute), dayPath, memoContentDigest(body),
                          folder};
}

} // namespace

class MemoIndexTest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void digest_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        const QString abc = u"ba7816bf8f01cfea414140de5dae2223"_s;
        QTest::newRow("abc") << u"abc"_s << abc;
        QTest::newRow("surrounding space") << u"  abc\n"_s << abc;
        QTest::newRow("unicode spaces") << u"\u3000abc\u2028"_s << abc;
        const auto sha = [](const QString& text) {
            return QString::fromLatin1(
                QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha256)
                    .first(16)
                    .toHex());
        };
        QTest::newRow("runs collapse") << u"a  b\n\nc"_s << sha(u"a b c"_s);
        // White space is ICU's: tab, LF, FF, CR and the separators; VT and NEL are not.
        QTest::newRow("tab, form feed, no-break space") << u"a\t\fb\u00a0c"_s << sha(u"a b c"_s);
        QTest::newRow("vertical tab kept") << u"a\vb"_s << sha(u"a\vb"_s);
        QTest::newRow("next line kept") << u"a\u0085b"_s << sha(u"a\u0085b"_s);
    }
    void digest()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(memoContentDigest(text), expected);
    }

    void encodesSortedKeysAndWholeUtcSeconds()
    {
        MemoIndexEntry first{u"memo-a"_s, local(2024, 5, 1, 9, 30, 12).addMSecs(500),
                             u"Journal/2024/05/2024-05-01.md"_s, u"0123"_s, QString()};
        MemoIndexEntry second{u"memo-b"_s, local(2024, 5, 1, 10, 0), u"Daily Notes/x.md"_s,
                              u"4567"_s, std::nullopt};
        const QByteArray expected = "[\n"
                                    "    {\n"
                                    "        \"contentDigest\": \"0123\",\n"
                                    "        \"createdAt\": \"2024-05-01T01:30:12Z\",\n"
                                    "        \"folderPath\": \"\",\n"
                                    "        \"id\": \"memo-a\",\n"
                                    "        \"journalPath\": \"Journal/2024/05/2024-05-01.md\"\n"
                                    "    },\n"
                                    "    {\n"
                                    "        \"contentDigest\": \"4567\",\n"
                                    "        \"createdAt\": \"2024-05-01T02:00:00Z\",\n"
                                    "        \"id\": \"memo-b\",\n"
                                    "        \"journalPath\": \"Daily Notes/x.md\"\n"
                                    "    }\n"
                                    "]\n";
        QCOMPARE(encodeMemoIndex({first, second}), expected);
        // Text that needs escaping survives the round trip.
        const MemoIndexEntry quoted{u"memo-q"_s, local(2024, 5, 1, 9, 0), u"a/\"b\"\\c.md"_s,
                                    u"d"_s, u"日记\n\t\u0001\u007f"_s};
        QCOMPARE(decodeMemoIndex(encodeMemoIndex({quoted})),
                 std::optional<QList<MemoIndexEntry>>({quoted}));
        // A date that has no four-digit year still gives a readable file.
        const MemoIndexEntry odd{u"memo-c"_s, QDateTime(), u"p"_s, u"d"_s, QString()};
        QVERIFY(decodeMemoIndex(encodeMemoIndex({odd, second})));
        const std::optional<QList<MemoIndexEntry>> decoded = decodeMemoIndex(expected);
        QVERIFY(decoded);
        first.createdAt = local(2024, 5, 1, 9, 30, 12);
        QCOMPARE(*decoded, (QList<MemoIndexEntry>{first, second}));
        // Other writers' forms: an escaped slash, a zone offset, a null folder.
        QCOMPARE(decodeMemoIndex(
                     R"([{"createdAt": "2024-05-01T09:30:12+08:00", "journalPath": )"
                     R"("a\/b", "contentDigest": "d", "id": "memo-a", "folderPath": null}])"),
                 std::optional<QList<MemoIndexEntry>>({{u"memo-a"_s, local(2024, 5, 1, 9, 30, 12),
                                                        u"a/b"_s, u"d"_s, std::nullopt}}));
        QCOMPARE(decodeMemoIndex("[]"),
                 std::optional<QList<MemoIndexEntry>>(QList<MemoIndexEntry>()));
    }

    // An index that does not decode counts as empty for reading, but is never replaced by one
    // holding only the next entry: it is kept aside and rebuilt from the day files.
    void undecodableIndexIsKeptAsideAndRebuilt_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("cut short") << "[\n    {\n        \"contentDigest\": \"d\","_ba;
        QTest::newRow("wrong type")
            << QByteArray(R"([{"contentDigest": 1, "createdAt": )"
                          R"("2024-05-01T01:30:12Z", "id": "a", "journalPath": "p"}])");
        QTest::newRow("date out of range")
            << QByteArray(R"([{"contentDigest": "d", "createdAt": )"
                          R"("2024-13-01T01:30:12Z", "id": "a", "journalPath": "p"}])");
        const QByteArray rest = R"(, "contentDigest": "d", "id": "memo-a", "journalPath": "p")";
        QTest::newRow("fractional seconds")
            << R"([{"createdAt": "2024-05-01T01:30:12.500Z")" + rest + "}]";
        QTest::newRow("no zone") << R"([{"createdAt": "2024-05-01T01:30:12")" + rest + "}]";
        QTest::newRow("missing id") << QByteArray(R"([{"createdAt": "2024-05-01T01:30:12Z", )"
                                                  R"("contentDigest": "d", "journalPath": "p"}])");
        QTest::newRow("folder of wrong type")
            << R"([{"createdAt": "2024-05-01T01:30:12Z", "folderPath": 3)" + rest + "}]";
        QTest::newRow("not an array") << QByteArray(R"({"entries": []})");
    }
    void undecodableIndexIsKeptAsideAndRebuilt()
    {
        QFETCH(QByteArray, bytes);
        TestVault vault;
        VaultRepository repository(vault.root());
        const MemoRecord first = repository.createMemo(u"one"_s, local(2024, 5, 1, 9, 0), {}, {});
        repository.createMemo(u"two"_s, local(2024, 5, 1, 9, 5), {}, {});
        vault.write(memoIndexRelativePath(), bytes);
        QVERIFY(repository.loadMemoIndex().isEmpty());

        repository.updateMemo(first.id, u"one, edited"_s);
        const QStringList aside = vault.files().filter(u".larch/memo-index.unreadable-"_s);
        QCOMPARE(aside.size(), 1);
        QCOMPARE(vault.read(aside.first()), bytes);
        const QList<MemoIndexEntry> rebuilt = repository.loadMemoIndex();
        QCOMPARE(rebuilt.size(), 2);
        QCOMPARE(rebuilt.first().contentDigest, memoContentDigest(u"one, edited"_s));
        const QList<VaultWarning> warnings = repository.takeWarnings();
        QCOMPARE(warnings.size(), 1);
        QVERIFY(warnings.first().text.contains(aside.first()));
    }

    void upsertAndRemove()
    {
        TestVault vault;
        VaultRepository repository(vault.root());
        const auto memo = [](const QString& id, int hour, const QString& text) {
            return MemoRecord{id, local(2024, 5, 1, hour, 0), dayPath, text, u"F"_s};
        };
        repository.upsertMemoIndexEntry(memo(u"memo-late"_s, 12, u"l"_s));
        repository.upsertMemoIndexEntry(memo(u"memo-early"_s, 8, u"e"_s));
        repository.upsertMemoIndexEntry(memo(u"memo-tie"_s, 12, u"t"_s));
        repository.upsertMemoIndexEntry(memo(u"memo-late"_s, 12, u"L"_s));
        QStringList ids;
        for (const MemoIndexEntry& e : repository.loadMemoIndex())
            ids.append(e.id);
        // Equal times keep the order in which they were stored: the replaced entry goes last.
        QCOMPARE(ids, (QStringList{u"memo-early"_s, u"memo-tie"_s, u"memo-late"_s}));
        QCOMPARE(repository.loadMemoIndex().last().contentDigest, memoContentDigest(u"L"_s));
        for (const QString& id : ids)
            repository.removeMemoIndexEntry(id);
        QVERIFY(repository.loadMemoIndex().isEmpty());
        // Removing what is not there still writes the file.
        QVERIFY(QFile::remove(vault.path(memoIndexRelativePath())));
        repository.removeMemoIndexEntry(u"memo-unknown"_s);
        QCOMPARE(vault.read(memoIndexRelativePath()), "[\n]\n"_ba);
    }

    void failedIndexWriteKeepsThePreviousFile()
    {
        TestVault vault;
        VaultRepository repository(vault.root());
        repository.upsertMemoIndexEntry(
            MemoRecord{u"memo-a"_s, local(2024, 5, 1, 9, 0), dayPath, u"x"_s, QString()});
        const QByteArray before = vault.read(memoIndexRelativePath());
        {
            const FileSizeLimit limit(before.size());
            QVERIFY_THROWS_EXCEPTION(
                FileError, repository.upsertMemoIndexEntry(MemoRecord{
                               u"memo-b"_s, local(2024, 5, 1, 10, 0), dayPath, u"y"_s, QString()}));
        }
        QCOMPARE(vault.read(memoIndexRelativePath()), before);
        QCOMPARE(vault.files(), QStringList{memoIndexRelativePath()});
    }

    void reanchoring_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<MemoIndexEntry>>("entries");
        QTest::addColumn<QString>("expected");
        const QString title = u"# 2024-05-01\n\n"_s;
        const QString a = u"<a id=\"memo-a\"></a>\n\n"_s;
        const QString b = u"<a id=\"memo-b\" data-folder=\"Reading/Books\"></a>\n\n"_s;
        const QString stripped = title + u"## 09:30\n\nfirst memo\n\n---\n\n"
                                         "## 14:05\n\nsecond\n  memo\n\n---\n"_s;
        const QList<MemoIndexEntry> both{
            entry(u"memo-a"_s, 9, 30, u"first memo"_s),
            entry(u"memo-b"_s, 14, 5, u"second memo"_s, u"Reading/Books"_s)};
        QTest::newRow("all anchors back") << stripped << both
                                          << title + a + u"## 09:30\n\nfirst memo\n\n---\n\n"_s +
                                                 b + u"## 14:05\n\nsecond\n  memo\n\n---\n"_s;
        QTest::newRow("other day file")
            << stripped
            << QList<MemoIndexEntry>{MemoIndexEntry{u"memo-a"_s, local(2024, 5, 1, 9, 30),
                                                    u"Journal/2024/05/x.md"_s,
                                                    memoContentDigest(u"first memo"_s), QString()}}
            << stripped;
        const QString twins = title + u"## 09:30\n\nsame\n\n---\n\n## 09:30\n\nsame\n\n---\n"_s;
        QTest::newRow("identical twins stay unanchored")
            << twins
            << QList<MemoIndexEntry>{entry(u"memo-a"_s, 9, 30, u"same"_s),
                                     entry(u"memo-b"_s, 9, 30, u"same"_s)}
            << twins;
        QTest::newRow("bold heading") << title + u"**09:30**\n\nfirst memo\n"_s << both
                                      << title + a + u"**09:30**\n\nfirst memo\n"_s;
        QTest::newRow("changed minute") << title + u"## 09:31\n\nfirst memo\n"_s << both
                                        << title + u"## 09:31\n\nfirst memo\n"_s;
        // The anchor's "<a id=\"memo-" starts 38 characters plus the filler before the heading.
        const auto afterAnchor = [&](const QString& filler) {
            return title + u"<a id=\"memo-x\"></a>\n\n## 08:00\n\n"_s + filler +
                   u"\n\n---\n\n## 09:30\n\nfirst memo\n\n---\n"_s;
        };
        const auto fixed = [&](QString text) {
            return text.insert(text.indexOf(u"## 09:30"_s), a);
        };
        const QString inReach = afterAnchor(QString(62, 'x'_L1));
        QTest::newRow("anchor 100 characters back") << inReach << both << inReach;
        const QString outOfReach = afterAnchor(QString(63, 'x'_L1));
        QTest::newRow("anchor 101 characters back") << outOfReach << both << fixed(outOfReach);
        // An emoji is one character although it takes two UTF-16 units.
        const QString emoji =
            afterAnchor(QString(56, 'x'_L1) + u"\U0001F600\U0001F600\U0001F600\U0001F600"_s);
        QTest::newRow("characters, not code units") << emoji << both << emoji;
        const QString anchored =
            title + a + u"## 09:30\n\nfirst memo\n\n---\n\n## 09:30\n\nfirst memo\n"_s;
        QTest::newRow("anchor still present")
            << anchored << QList<MemoIndexEntry>{entry(u"memo-a"_s, 9, 30, u"first memo"_s)}
            << anchored;
    }
    void reanchoring()
    {
        QFETCH(QString, text);
        QFETCH(QList<MemoIndexEntry>, entries);
        QFETCH(QString, expected);
        QCOMPARE(reanchorMemos(text, dayPath, entries), expected);
    }

    void loadMemosRepairsStrippedDayFiles()
    {
        TestVault vault;
        VaultRepository repository(vault.root());
        const QString original =
            u"# 2024-05-01\n\n<a id=\"memo-a\"></a>\n\n## 09:30\n\nfirst memo\n\n---\n\n"
            "<a id=\"memo-b\" data-folder=\"Reading/Books\"></a>\n\n## 14:05\n\nsecond "
            "memo\n\n---\n"_s;
        vault.write(dayPath, original);
        const QList<MemoRecord> before = repository.loadMemos();
        for (const MemoRecord& memo : before)
            repository.upsertMemoIndexEntry(memo);
        QString stripped = original;
        stripped.remove(u"<a id=\"memo-a\"></a>\n\n"_s);
        stripped.remove(u"<a id=\"memo-b\" data-folder=\"Reading/Books\"></a>\n\n"_s);
        vault.write(dayPath, stripped);
        QCOMPARE(repository.loadMemos(), before);
        QCOMPARE(vault.readText(dayPath), original);
        QCOMPARE(before.last().folderPath, u"Reading/Books"_s);
    }
};

QTEST_GUILESS_MAIN(MemoIndexTest)
#include "tst_memoindex.moc"
