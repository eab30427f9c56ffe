#include "fileio.h"
#include "journal.h"
#include "memoindex.h"
#include "testvault.h"
#include "vaultrepository.h"

#include <QCryptographicHash>
#include <QTest>

namespace {

QDateTime local(int year, int month, int day, int hour, int minute, int second = 0)
{
    return QDateTime(QDate(year, month, day), QTime(hour, minute, second));
}

const QString dayPath = QStringLiteral("Journal/2024/05/2024-05-01.md");

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
        const QString abc = QStringLiteral("ba7816bf8f01cfea414140de5dae2223");
        QTest::newRow("abc") << QStringLiteral("abc") << abc;
        QTest::newRow("surrounding space") << QStringLiteral("  abc\n") << abc;
        QTest::newRow("unicode spaces") << QStringLiteral("\u3000abc\u2028") << abc;
        const auto sha = [](const QString& text) {
            return QString::fromLatin1(
                QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha256)
                    .first(16)
                    .toHex());
        };
        QTest::newRow("runs collapse")
            << QStringLiteral("a  b\n\nc") << sha(QStringLiteral("a b c"));
        // White space is ICU's: tab, LF, FF, CR and the separators; VT and NEL are not.
        QTest::newRow("tab, form feed, no-break space")
            << QStringLiteral("a\t\fb\u00a0c") << sha(QStringLiteral("a b c"));
        QTest::newRow("vertical tab kept") << QStringLiteral("a\vb") << sha(QStringLiteral("a\vb"));
        QTest::newRow("next line kept")
            << QStringLiteral("a\u0085b") << sha(QStringLiteral("a\u0085b"));
    }
    void digest()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(memoContentDigest(text), expected);
    }

    void encodesSortedKeysAndWholeUtcSeconds()
    {
        MemoIndexEntry first{QStringLiteral("memo-a"), local(2024, 5, 1, 9, 30, 12).addMSecs(500),
                             QStringLiteral("Journal/2024/05/2024-05-01.md"),
                             QStringLiteral("0123"), QString()};
        MemoIndexEntry second{QStringLiteral("memo-b"), local(2024, 5, 1, 10, 0),
                              QStringLiteral("Daily Notes/x.md"), QStringLiteral("4567"),
                              std::nullopt};
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
        const MemoIndexEntry quoted{QStringLiteral("memo-q"), local(2024, 5, 1, 9, 0),
                                    QStringLiteral("a/\"b\"\\c.md"), QStringLiteral("d"),
                                    QStringLiteral("日记\n\t\u0001\u007f")};
        QCOMPARE(decodeMemoIndex(encodeMemoIndex({quoted})),
                 std::optional<QList<MemoIndexEntry>>({quoted}));
        // A date that has no four-digit year still gives a readable file.
        const MemoIndexEntry odd{QStringLiteral("memo-c"), QDateTime(), QStringLiteral("p"),
                                 QStringLiteral("d"), QString()};
        QVERIFY(decodeMemoIndex(encodeMemoIndex({odd, second})));
        const std::optional<QList<MemoIndexEntry>> decoded = decodeMemoIndex(expected);
        QVERIFY(decoded);
        first.createdAt = local(2024, 5, 1, 9, 30, 12);
        QCOMPARE(*decoded, (QList<MemoIndexEntry>{first, second}));
    }

    void decoding_data()
    {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<bool>("decodes");
        const QByteArray rest = R"(, "contentDigest": "d", "id": "memo-a", "journalPath": "p")";
        QTest::newRow("empty array") << QByteArray("[]") << true;
        QTest::newRow("escaped slash and offset")
            << QByteArray(R"([{"createdAt": "2024-05-01T09:30:12+08:00", "journalPath": "a\/b",)"
                          R"( "contentDigest": "d", "id": "memo-a", "folderPath": null}])")
            << true;
        QTest::newRow("fractional seconds")
            << R"([{"createdAt": "2024-05-01T01:30:12.500Z")" + rest + "}]" << false;
        QTest::newRow("no zone") << R"([{"createdAt": "2024-05-01T01:30:12")" + rest + "}]"
                                 << false;
        QTest::newRow("missing id")
            << QByteArray(R"([{"createdAt": "2024-05-01T01:30:12Z", "contentDigest": "d", )"
                          R"("journalPath": "p"}])")
            << false;
        QTest::newRow("folder of wrong type")
            << R"([{"createdAt": "2024-05-01T01:30:12Z", "folderPath": 3)" + rest + "}]" << false;
        QTest::newRow("not an array") << QByteArray(R"({"entries": []})") << false;
    }
    void decoding()
    {
        QFETCH(QByteArray, json);
        QFETCH(bool, decodes);
        const std::optional<QList<MemoIndexEntry>> entries = decodeMemoIndex(json);
        QCOMPARE(bool(entries), decodes);
        if (QByteArray(QTest::currentDataTag()) == "escaped slash and offset") {
            QCOMPARE(entries->first().journalPath, QStringLiteral("a/b"));
            QCOMPARE(entries->first().createdAt, local(2024, 5, 1, 9, 30, 12));
            QCOMPARE(entries->first().folderPath, std::nullopt);
        }
    }

    // An index that does not decode counts as empty for reading, but is never replaced by one
    // holding only the next entry: it is kept aside and rebuilt from the day files.
    void undecodableIndexIsKeptAsideAndRebuilt_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("cut short") << QByteArray("[\n    {\n        \"contentDigest\": \"d\",");
        QTest::newRow("wrong type")
            << QByteArray(R"([{"contentDigest": 1, "createdAt": )"
                          R"("2024-05-01T01:30:12Z", "id": "a", "journalPath": "p"}])");
        QTest::newRow("date out of range")
            << QByteArray(R"([{"contentDigest": "d", "createdAt": )"
                          R"("2024-13-01T01:30:12Z", "id": "a", "journalPath": "p"}])");
    }
    void undecodableIndexIsKeptAsideAndRebuilt()
    {
        QFETCH(QByteArray, bytes);
        TestVault vault;
        VaultRepository repository(vault.root());
        const MemoRecord first =
            repository.createMemo(QStringLiteral("one"), local(2024, 5, 1, 9, 0), {}, {});
        repository.createMemo(QStringLiteral("two"), local(2024, 5, 1, 9, 5), {}, {});
        vault.write(memoIndexRelativePath(), bytes);
        QVERIFY(repository.loadMemoIndex().isEmpty());

        repository.updateMemo(first.id, QStringLiteral("one, edited"));
        const QStringList aside =
            vault.files().filter(QStringLiteral(".larch/memo-index.unreadable-"));
        QCOMPARE(aside.size(), 1);
        QCOMPARE(vault.read(aside.first()), bytes);
        const QList<MemoIndexEntry> rebuilt = repository.loadMemoIndex();
        QCOMPARE(rebuilt.size(), 2);
        QCOMPARE(rebuilt.first().contentDigest, memoContentDigest(QStringLiteral("one, edited")));
        const QList<VaultWarning> warnings = repository.takeWarnings();
        QCOMPARE(warnings.size(), 1);
        QVERIFY(warnings.first().text.contains(aside.first()));
    }

    void upsertReplacesAndKeepsCreationOrder()
    {
        TestVault vault;
        VaultRepository repository(vault.root());
        const auto memo = [](const QString& id, int hour, const QString& text) {
            return MemoRecord{id, local(2024, 5, 1, hour, 0), dayPath, text, QStringLiteral("F")};
        };
        repository.upsertMemoIndexEntry(memo(QStringLiteral("memo-late"), 12, QStringLiteral("l")));
        repository.upsertMemoIndexEntry(memo(QStringLiteral("memo-early"), 8, QStringLiteral("e")));
        repository.upsertMemoIndexEntry(memo(QStringLiteral("memo-tie"), 12, QStringLiteral("t")));
        repository.upsertMemoIndexEntry(memo(QStringLiteral("memo-late"), 12, QStringLiteral("L")));
        QStringList ids;
        for (const MemoIndexEntry& e : repository.loadMemoIndex())
            ids.append(e.id);
        // Equal times keep the order in which they were stored: the replaced entry goes last.
        QCOMPARE(ids, (QStringList{QStringLiteral("memo-early"), QStringLiteral("memo-tie"),
                                   QStringLiteral("memo-late")}));
        QCOMPARE(repository.loadMemoIndex().last().contentDigest,
                 memoContentDigest(QStringLiteral("L")));
    }

    void removeRewritesEvenWhenNothingWasDropped()
    {
        TestVault vault;
        VaultRepository repository(vault.root());
        repository.removeMemoIndexEntry(QStringLiteral("memo-unknown"));
        QCOMPARE(vault.read(memoIndexRelativePath()), QByteArray("[\n]\n"));
        repository.upsertMemoIndexEntry(MemoRecord{QStringLiteral("memo-a"),
                                                   local(2024, 5, 1, 9, 0), dayPath,
                                                   QStringLiteral("x"), QString()});
        repository.removeMemoIndexEntry(QStringLiteral("memo-a"));
        QVERIFY(repository.loadMemoIndex().isEmpty());
    }

    void failedIndexWriteKeepsThePreviousFile()
    {
        TestVault vault;
        VaultRepository repository(vault.root());
        repository.upsertMemoIndexEntry(MemoRecord{QStringLiteral("memo-a"),
                                                   local(2024, 5, 1, 9, 0), dayPath,
                                                   QStringLiteral("x"), QString()});
        const QByteArray before = vault.read(memoIndexRelativePath());
        {
            const FileSizeLimit limit(before.size());
            QVERIFY_THROWS_EXCEPTION(
                FileError, repository.upsertMemoIndexEntry(
                               MemoRecord{QStringLiteral("memo-b"), local(2024, 5, 1, 10, 0),
                                          dayPath, QStringLiteral("y"), QString()}));
        }
        QCOMPARE(vault.read(memoIndexRelativePath()), before);
        QCOMPARE(vault.files(), QStringList{memoIndexRelativePath()});
    }

    void reanchoring_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<MemoIndexEntry>>("entries");
        QTest::addColumn<QString>("expected");
        const QString title = QStringLiteral("# 2024-05-01\n\n");
        const QString a = QStringLiteral("<a id=\"memo-a\"></a>\n\n");
        const QString b = QStringLiteral("<a id=\"memo-b\" data-folder=\"Reading/Books\"></a>\n\n");
        const QString stripped = title + QStringLiteral("## 09:30\n\nfirst memo\n\n---\n\n"
                                                        "## 14:05\n\nsecond\n  memo\n\n---\n");
        const QList<MemoIndexEntry> both{
            entry(QStringLiteral("memo-a"), 9, 30, QStringLiteral("first memo")),
            entry(QStringLiteral("memo-b"), 14, 5, QStringLiteral("second memo"),
                  QStringLiteral("Reading/Books"))};
        QTest::newRow("all anchors back")
            << stripped << both
            << title + a + QStringLiteral("## 09:30\n\nfirst memo\n\n---\n\n") + b +
                   QStringLiteral("## 14:05\n\nsecond\n  memo\n\n---\n");
        QTest::newRow("other day file")
            << stripped
            << QList<MemoIndexEntry>{MemoIndexEntry{
                   QStringLiteral("memo-a"), local(2024, 5, 1, 9, 30),
                   QStringLiteral("Journal/2024/05/x.md"),
                   memoContentDigest(QStringLiteral("first memo")), QString()}}
            << stripped;
        const QString twins =
            title + QStringLiteral("## 09:30\n\nsame\n\n---\n\n## 09:30\n\nsame\n\n---\n");
        QTest::newRow("identical twins stay unanchored")
            << twins
            << QList<MemoIndexEntry>{entry(QStringLiteral("memo-a"), 9, 30, QStringLiteral("same")),
                                     entry(QStringLiteral("memo-b"), 9, 30, QStringLiteral("same"))}
            << twins;
        QTest::newRow("bold heading") << title + QStringLiteral("**09:30**\n\nfirst memo\n") << both
                                      << title + a + QStringLiteral("**09:30**\n\nfirst memo\n");
        QTest::newRow("changed minute")
            << title + QStringLiteral("## 09:31\n\nfirst memo\n") << both
            << title + QStringLiteral("## 09:31\n\nfirst memo\n");
        // The anchor's "<a id=\"memo-" starts 38 characters plus the filler before the heading.
        const auto afterAnchor = [&](const QString& filler) {
            return title + QStringLiteral("<a id=\"memo-x\"></a>\n\n## 08:00\n\n") + filler +
                   QStringLiteral("\n\n---\n\n## 09:30\n\nfirst memo\n\n---\n");
        };
        const auto fixed = [&](QString text) {
            return text.insert(text.indexOf(QStringLiteral("## 09:30")), a);
        };
        const QString inReach = afterAnchor(QString(62, QLatin1Char('x')));
        QTest::newRow("anchor 100 characters back") << inReach << both << inReach;
        const QString outOfReach = afterAnchor(QString(63, QLatin1Char('x')));
        QTest::newRow("anchor 101 characters back") << outOfReach << both << fixed(outOfReach);
        // An emoji is one character although it takes two UTF-16 units.
        const QString emoji =
            afterAnchor(QString(56, QLatin1Char('x')) +
                        QStringLiteral("\U0001F600\U0001F600\U0001F600\U0001F600"));
        QTest::newRow("characters, not code units") << emoji << both << emoji;
        const QString anchored =
            title + a + QStringLiteral("## 09:30\n\nfirst memo\n\n---\n\n## 09:30\n\nfirst memo\n");
        QTest::newRow("anchor still present")
            << anchored
            << QList<MemoIndexEntry>{entry(QStringLiteral("memo-a"), 9, 30,
                                           QStringLiteral("first memo"))}
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
        const QString original = QStringLiteral(
            "# 2024-05-01\n\n<a id=\"memo-a\"></a>\n\n## 09:30\n\nfirst memo\n\n---\n\n"
            "<a id=\"memo-b\" data-folder=\"Reading/Books\"></a>\n\n## 14:05\n\nsecond "
            "memo\n\n---\n");
        vault.write(dayPath, original);
        const QList<MemoRecord> before = repository.loadMemos();
        for (const MemoRecord& memo : before)
            repository.upsertMemoIndexEntry(memo);
        QString stripped = original;
        stripped.remove(QStringLiteral("<a id=\"memo-a\"></a>\n\n"));
        stripped.remove(QStringLiteral("<a id=\"memo-b\" data-folder=\"Reading/Books\"></a>\n\n"));
        vault.write(dayPath, stripped);
        QCOMPARE(repository.loadMemos(), before);
        QCOMPARE(vault.readText(dayPath), original);
        QCOMPARE(before.last().folderPath, QStringLiteral("Reading/Books"));
    }
};

QTEST_GUILESS_MAIN(MemoIndexTest)
#include "tst_memoindex.moc"
